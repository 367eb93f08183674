#include "designobjects/DesignStream.h"

#include "store/Cp1252.h"

namespace brindle::designobjects {

namespace messages {
QString classNotFound(const QString& name) { return QStringLiteral("Class %1 not found").arg(name); }
QString cannotCreateFile(const QString& path) { return QStringLiteral("Cannot create file %1").arg(path); }
QString cannotOpenFile(const QString& path) { return QStringLiteral("Cannot open file %1").arg(path); }
}  // namespace messages

QByteArray toAnsi(const QString& s) {
    const std::string b = store::utf8ToCp1252(s.toStdString());
    return QByteArray(b.data(), qsizetype(b.size()));
}

QString fromAnsi(const QByteArray& b) {
    return QString::fromStdString(store::cp1252ToUtf8(std::string_view(b.constData(), size_t(b.size()))));
}

// ---------------------------------------------------------------- writer

void DesignWriter::writeInt32Raw(qint32 v) {
    const auto u = static_cast<quint32>(v);
    for (int i = 0; i < 4; ++i) writeByte(quint8(u >> (8 * i)));
}

QByteArray DesignWriter::text(const QString& s) const { return unicode_ ? s.toUtf8() : toAnsi(s); }

QString DesignReader::text(const QByteArray& b) const { return unicode_ ? QString::fromUtf8(b) : fromAnsi(b); }

void DesignWriter::writeShortString(const QString& s) {
    QByteArray b = text(s);
    if (b.size() > 255) b.truncate(255);
    writeByte(quint8(b.size()));
    out_.append(b);
}

void DesignWriter::writeInteger(qint64 v) {
    if (v >= -128 && v <= 127) {
        writeByte(vaInt8);
        writeByte(quint8(qint8(v)));
    } else if (v >= -32768 && v <= 32767) {
        writeByte(vaInt16);
        const auto u = static_cast<quint16>(qint16(v));
        writeByte(quint8(u));
        writeByte(quint8(u >> 8));
    } else {
        writeByte(vaInt32);
        writeInt32Raw(static_cast<qint32>(v));
    }
}

void DesignWriter::writeString(const QString& s) {
    const QByteArray b = text(s);
    if (b.size() > 255) {
        writeByte(vaLString);
        writeInt32Raw(qint32(b.size()));
    } else {
        writeByte(vaString);
        writeByte(quint8(b.size()));
    }
    out_.append(b);
}

void DesignWriter::writeIdent(const QString& s) {
    writeByte(vaIdent);
    writeShortString(s);
}

void DesignWriter::writeBinary(const QByteArray& b) {
    writeByte(vaBinary);
    writeInt32Raw(qint32(b.size()));
    out_.append(b);
}

void DesignWriter::writeSet(const QStringList& members) {
    writeByte(vaSet);
    for (const auto& m : members) writeShortString(m);
    writeByte(0);
}

void DesignWriter::writeColor(DesignColor c) {
    if (const auto name = colorName(c)) writeIdent(*name);
    else writeInteger(c);
}

void DesignWriter::writeValue(const DesignValue& v) {
    switch (v.type) {
    case DesignValue::Integer: writeInteger(v.integer); break;
    case DesignValue::String: writeString(v.text); break;
    case DesignValue::Ident: writeIdent(v.text); break;
    case DesignValue::Boolean: writeBoolean(v.integer != 0); break;
    case DesignValue::Binary: writeBinary(v.bytes); break;
    case DesignValue::Set: writeSet(v.members); break;
    case DesignValue::Extended:
        writeByte(vaExtended);
        out_.append(v.bytes.left(10).leftJustified(10, '\0'));
        break;
    case DesignValue::List:
        writeListBegin();
        for (const auto& i : v.items) writeValue(i);
        writeListEnd();
        break;
    }
}

// ---------------------------------------------------------------- reader

void DesignReader::need(qint64 n) const {
    if (n < 0 || n > remaining()) throw DesignFileError(messages::kStreamReadError);
}

quint8 DesignReader::readByte() {
    need(1);
    return quint8(data_[pos_++]);
}

quint8 DesignReader::peekByte() {
    need(1);
    return quint8(data_[pos_]);
}

QByteArray DesignReader::readRaw(qint64 n) {
    need(n);
    QByteArray b = data_.mid(pos_, qsizetype(n));
    pos_ += qsizetype(n);
    return b;
}

qint32 DesignReader::readInt32Raw() {
    need(4);
    quint32 u = 0;
    for (int i = 0; i < 4; ++i) u |= quint32(quint8(data_[pos_ + i])) << (8 * i);
    pos_ += 4;
    return static_cast<qint32>(u);
}

QString DesignReader::readShortString() {
    const quint8 n = readByte();
    return text(readRaw(n));
}

bool DesignReader::endOfList() {
    if (peekByte() != vaNull) return false;
    ++pos_;
    return true;
}

void DesignReader::expectListBegin() {
    if (readByte() != vaList) throw DesignFileError(messages::kInvalidStreamFormat);
}

void DesignReader::expectListEnd() {
    if (readByte() != vaNull) throw DesignFileError(messages::kInvalidStreamFormat);
}

qint64 DesignReader::readInteger() {
    switch (readByte()) {
    case vaInt8: return qint8(readByte());
    case vaInt16: {
        const quint8 lo = readByte();
        const quint8 hi = readByte();
        return qint16(quint16(lo | (hi << 8)));
    }
    case vaInt32: return readInt32Raw();
    default: throw DesignFileError(messages::kInvalidPropertyValue);
    }
}

QString DesignReader::readText() {
    const quint8 tag = readByte();
    if (tag == vaString) return readShortString();
    if (tag == vaLString) {
        const quint32 n = quint32(readInt32Raw());
        need(n);
        if (n > kMaxLongString) throw DesignFileError(messages::kInvalidStreamFormat);
        return text(readRaw(n));
    }
    throw DesignFileError(messages::kInvalidPropertyValue);
}

QString DesignReader::readIdent() {
    if (readByte() != vaIdent) throw DesignFileError(messages::kInvalidPropertyValue);
    return readShortString();
}

bool DesignReader::readBoolean() {
    const quint8 tag = readByte();
    if (tag == vaFalse) return false;
    if (tag == vaTrue) return true;
    throw DesignFileError(messages::kInvalidPropertyValue);
}

QByteArray DesignReader::readBinary() {
    if (readByte() != vaBinary) throw DesignFileError(messages::kInvalidPropertyValue);
    const quint32 n = quint32(readInt32Raw());
    need(n);
    if (n > kMaxBinary) throw DesignFileError(messages::kInvalidStreamFormat);
    return readRaw(n);
}

QStringList DesignReader::readSet() {
    if (readByte() != vaSet) throw DesignFileError(messages::kInvalidPropertyValue);
    QStringList out;
    for (;;) {
        const QString m = readShortString();
        if (m.isEmpty()) break;
        if (out.size() >= 256) throw DesignFileError(messages::kInvalidStreamFormat);
        out << m;
    }
    return out;
}

DesignColor DesignReader::readColor() {
    const quint8 tag = peekByte();
    if (tag == vaIdent) {
        const auto c = colorFromName(readIdent());
        if (!c) throw DesignFileError(messages::kInvalidPropertyValue);
        return *c;
    }
    const qint64 v = readInteger();
    return static_cast<DesignColor>(v);
}

DesignValue DesignReader::readValue(int depth) {
    if (depth > kMaxNesting) throw DesignFileError(messages::kInvalidStreamFormat);
    DesignValue v;
    switch (peekByte()) {
    case vaInt8:
    case vaInt16:
    case vaInt32:
        v.type = DesignValue::Integer;
        v.integer = readInteger();
        break;
    case vaString:
    case vaLString:
        v.type = DesignValue::String;
        v.text = readText();
        break;
    case vaIdent:
        v.type = DesignValue::Ident;
        v.text = readIdent();
        break;
    case vaFalse:
    case vaTrue:
        v.type = DesignValue::Boolean;
        v.integer = readBoolean() ? 1 : 0;
        break;
    case vaBinary:
        v.type = DesignValue::Binary;
        v.bytes = readBinary();
        break;
    case vaSet:
        v.type = DesignValue::Set;
        v.members = readSet();
        break;
    case vaExtended:
        readByte();
        v.type = DesignValue::Extended;
        v.bytes = readRaw(10);
        break;
    case vaList:
        readByte();
        v.type = DesignValue::List;
        while (!endOfList()) {
            if (qint64(v.items.size()) >= kMaxListItems) throw DesignFileError(messages::kInvalidStreamFormat);
            v.items.push_back(readValue(depth + 1));
        }
        break;
    default:
        throw DesignFileError(messages::kInvalidStreamFormat);
    }
    return v;
}

}  // namespace brindle::designobjects
