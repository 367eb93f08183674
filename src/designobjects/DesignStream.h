#pragma once
// The tagged value encoding of design files: writer and bounds-checked reader.
// Every length or count read is checked against the bytes that remain and
// against fixed limits before anything is allocated.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <stdexcept>
#include <vector>

#include "designobjects/DesignTypes.h"

namespace brindle::designobjects {

enum ValueTag : quint8 {
    vaNull = 0x00,
    vaList = 0x01,
    vaInt8 = 0x02,
    vaInt16 = 0x03,
    vaInt32 = 0x04,
    vaExtended = 0x05,
    vaString = 0x06,
    vaIdent = 0x07,
    vaFalse = 0x08,
    vaTrue = 0x09,
    vaBinary = 0x0A,
    vaSet = 0x0B,
    vaLString = 0x0C,
};

// The messages of a design file that cannot be read or written.
namespace messages {
inline const QString kInvalidStreamFormat = QStringLiteral("Invalid stream format");
inline const QString kStreamReadError = QStringLiteral("Stream read error");
inline const QString kPropertyDoesNotExist = QStringLiteral("Property does not exist");
inline const QString kInvalidPropertyValue = QStringLiteral("Invalid property value");
QString classNotFound(const QString& name);   // "Class %s not found"
QString cannotCreateFile(const QString& path);  // "Cannot create file %s"
QString cannotOpenFile(const QString& path);    // "Cannot open file %s"
}  // namespace messages

class DesignFileError : public std::runtime_error {
public:
    explicit DesignFileError(const QString& message)
        : std::runtime_error(message.toStdString()), message_(message) {}
    const QString& message() const { return message_; }

private:
    QString message_;
};

// Limits on what a reader accepts; far above anything a design holds.
inline constexpr int kMaxNesting = 16;
inline constexpr qint64 kMaxLongString = 1 << 20;       // 1 MiB of text
inline constexpr qint64 kMaxBinary = 64 << 20;          // 64 MiB picture
inline constexpr qint64 kMaxListItems = 1 << 20;
inline constexpr qint64 kMaxDesignFile = 256LL << 20;   // whole file

// A value read without knowing what it is for (the caller's value list of a
// multi-surface design).
struct DesignValue {
    enum Type { Integer, String, Ident, Boolean, Binary, Set, List, Extended };
    Type type = Integer;
    qint64 integer = 0;
    QString text;           // String, Ident
    QByteArray bytes;       // Binary; Extended holds its ten raw bytes
    QStringList members;    // Set
    std::vector<DesignValue> items;  // List
};

class DesignWriter {
public:
    // In-memory copies (cloning, undo) keep text as UTF-8, so that nothing a
    // file's code page cannot hold is lost on the way; files never do.
    void setUnicode(bool v) { unicode_ = v; }
    QByteArray& bytes() { return out_; }
    const QByteArray& bytes() const { return out_; }

    void writeByte(quint8 b) { out_.append(char(b)); }
    void writeRaw(const QByteArray& b) { out_.append(b); }
    void writeInt32Raw(qint32 v);
    // Length byte and text in the Windows ANSI code page; cut at 255 bytes.
    void writeShortString(const QString& s);
    void writeListBegin() { writeByte(vaList); }
    void writeListEnd() { writeByte(vaNull); }
    void writeInteger(qint64 v);  // the smallest tag that holds it
    void writeString(const QString& s);  // string or long string beyond 255 bytes
    void writeIdent(const QString& s);
    void writeBoolean(bool b) { writeByte(b ? vaTrue : vaFalse); }
    void writeBinary(const QByteArray& b);
    void writeSet(const QStringList& members);
    void writeColor(DesignColor c);  // identifier when named
    void writeValue(const DesignValue& v);

private:
    QByteArray text(const QString& s) const;
    QByteArray out_;
    bool unicode_ = false;
};

class DesignReader {
public:
    explicit DesignReader(const QByteArray& data) : data_(data) {}
    // Reads what a writer in Unicode mode wrote.
    void setUnicode(bool v) { unicode_ = v; }

    qsizetype position() const { return pos_; }
    qsizetype remaining() const { return data_.size() - pos_; }
    bool atEnd() const { return pos_ >= data_.size(); }

    quint8 readByte();
    quint8 peekByte();
    QByteArray readRaw(qint64 n);  // checked against what remains
    qint32 readInt32Raw();
    QString readShortString();
    // True and consumed when the next byte is the end-of-list tag.
    bool endOfList();
    void expectListBegin();  // "Invalid stream format" otherwise
    void expectListEnd();

    // Typed values for properties: "Invalid property value" on a wrong tag.
    qint64 readInteger();
    QString readText();
    QString readIdent();
    bool readBoolean();
    QByteArray readBinary();
    QStringList readSet();
    DesignColor readColor();
    // Any value; lists nest at most kMaxNesting deep.
    DesignValue readValue(int depth = 0);

private:
    void need(qint64 n) const;
    const QByteArray& data_;
    qsizetype pos_ = 0;
    QString text(const QByteArray& b) const;
    bool unicode_ = false;
};

// Windows ANSI bytes <-> text.
QByteArray toAnsi(const QString& s);
QString fromAnsi(const QByteArray& b);

}  // namespace brindle::designobjects
