#include "common/ProfileFile.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringList>

#include "common/Common.h"

namespace brindle::common {

namespace {

constexpr int kMaxStringLength = 1023;

// The file as lines, and the line ending it uses.
struct Lines {
    QStringList lines;
    QString eol = QStringLiteral("\n");
};

QString decode(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    // Files other programs wrote are in the Windows code page the address files use.
    if (utf8.hasError()) text = fromStore(bytes.toStdString());
    if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
    return text;
}

Lines load(const QString& path) {
    Lines out;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return out;  // a missing or unreadable file holds nothing
    const QByteArray bytes = f.readAll();
    f.close();
    if (bytes.contains("\r\n")) out.eol = QStringLiteral("\r\n");
    QString text = decode(bytes);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QChar('\r'), QChar('\n'));
    out.lines = text.split(QChar('\n'));
    // The final line ending produces one empty piece; it is not a line.
    if (!out.lines.isEmpty() && out.lines.last().isEmpty()) out.lines.removeLast();
    return out;
}

// "[name]" (blanks around allowed): the section name; null otherwise.
QString sectionName(const QString& line) {
    const QString t = line.trimmed();
    if (!t.startsWith(QChar('['))) return {};
    const int close = t.indexOf(QChar(']'));
    if (close < 0) return {};
    QString name = t.mid(1, close - 1).trimmed();
    if (name.isNull()) name = QStringLiteral("");
    return name;
}

bool isComment(const QString& line) {
    const QString t = line.trimmed();
    return t.isEmpty() || t.startsWith(QChar(';'));
}

// Key of a "key=value" line; null when the line is no such line.
QString keyOf(const QString& line) {
    if (isComment(line)) return {};
    const int eq = line.indexOf(QChar('='));
    if (eq < 0) return {};
    QString key = line.left(eq).trimmed();
    if (key.isNull()) key = QStringLiteral("");
    return key;
}

QString valueOf(const QString& line) {
    QString v = line.mid(line.indexOf(QChar('=')) + 1).trimmed();
    // One pair of surrounding quotes is taken off, as profile readers do.
    if (v.size() >= 2 && ((v.startsWith(QChar('"')) && v.endsWith(QChar('"'))) ||
                          (v.startsWith(QChar('\'')) && v.endsWith(QChar('\''))))) {
        v = v.mid(1, v.size() - 2);
    }
    return v;
}

bool sameName(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

// Where a section and a key sit in the lines.
struct Location {
    int sectionLine = -1;  // the "[section]" line
    int sectionEnd = -1;   // one past the last line belonging to it
    int keyLine = -1;
};

Location find(const QStringList& lines, const QString& section, const QString& key) {
    Location loc;
    for (int i = 0; i < lines.size(); ++i) {
        const QString name = sectionName(lines[i]);
        if (name.isNull()) continue;
        if (loc.sectionLine >= 0) {
            loc.sectionEnd = i;
            break;
        }
        if (sameName(name, section.trimmed())) loc.sectionLine = i;
    }
    if (loc.sectionLine < 0) return loc;
    if (loc.sectionEnd < 0) loc.sectionEnd = lines.size();
    for (int i = loc.sectionLine + 1; i < loc.sectionEnd; ++i) {
        const QString k = keyOf(lines[i]);
        if (!k.isNull() && sameName(k, key.trimmed())) {
            loc.keyLine = i;
            break;
        }
    }
    return loc;
}

void save(const QString& path, const Lines& content) {
    const auto fail = [&] { throw SettingsWriteError("Unable to write to " + path.toStdString()); };
    QSaveFile f(path);
    f.setDirectWriteFallback(false);
    if (!f.open(QIODevice::WriteOnly)) fail();
    QString text;
    for (const QString& line : content.lines) {
        text += line;
        text += content.eol;
    }
    const QByteArray bytes = text.toUtf8();
    if (f.write(bytes) != bytes.size()) {
        f.cancelWriting();
        fail();
    }
    if (!f.commit()) fail();
}

// A value stays on its one line: line breaks inside it become blanks.
QString oneLine(const QString& value) {
    QString v = value;
    v.replace(QChar('\r'), QChar(' '));
    v.replace(QChar('\n'), QChar(' '));
    return v;
}

}  // namespace

QString ProfileFile::readString(const QString& section, const QString& key, const QString& defaultValue) const {
    const Lines content = load(path_);
    const Location loc = find(content.lines, section, key);
    if (loc.keyLine < 0) return defaultValue.left(kMaxStringLength);
    return valueOf(content.lines[loc.keyLine]).left(kMaxStringLength);
}

int ProfileFile::readInt(const QString& section, const QString& key, int defaultValue) const {
    const Lines content = load(path_);
    const Location loc = find(content.lines, section, key);
    if (loc.keyLine < 0) return defaultValue;
    const QString v = valueOf(content.lines[loc.keyLine]).left(kMaxStringLength);
    bool ok = false;
    if (v.size() > 2 && (v.startsWith(QStringLiteral("0x")) || v.startsWith(QStringLiteral("0X")))) {
        // Hexadecimal: 32 bits, as the classic readers take it (0xFFFFFFFF is -1).
        const uint u = v.mid(2).toUInt(&ok, 16);
        return ok ? static_cast<int>(u) : defaultValue;
    }
    const int n = v.toInt(&ok, 10);
    return ok ? n : defaultValue;
}

bool ProfileFile::readBool(const QString& section, const QString& key, bool defaultValue) const {
    return readInt(section, key, defaultValue ? 1 : 0) != 0;
}

bool ProfileFile::hasKey(const QString& section, const QString& key) const {
    const Lines content = load(path_);
    return find(content.lines, section, key).keyLine >= 0;
}

void ProfileFile::writeString(const QString& section, const QString& key, const QString& value) {
    Lines content = load(path_);
    const QString k = key.trimmed();
    const QString line = k + QChar('=') + oneLine(value);
    const Location loc = find(content.lines, section, key);
    if (loc.keyLine >= 0) {
        // Keep the key as it is spelt in the file.
        content.lines[loc.keyLine] = keyOf(content.lines[loc.keyLine]) + QChar('=') + oneLine(value);
    } else if (loc.sectionLine >= 0) {
        // After the section's last entry, before the blank lines that separate it from the next.
        int at = loc.sectionEnd;
        while (at - 1 > loc.sectionLine && content.lines[at - 1].trimmed().isEmpty()) --at;
        content.lines.insert(at, line);
    } else {
        if (!content.lines.isEmpty() && !content.lines.last().trimmed().isEmpty()) content.lines << QString();
        content.lines << QChar('[') + section.trimmed() + QChar(']') << line;
    }
    save(path_, content);
}

void ProfileFile::writeInt(const QString& section, const QString& key, int value) {
    writeString(section, key, QString::number(value));
}

void ProfileFile::writeBool(const QString& section, const QString& key, bool value) {
    writeString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void ProfileFile::removeKey(const QString& section, const QString& key) {
    Lines content = load(path_);
    const Location loc = find(content.lines, section, key);
    if (loc.keyLine < 0) return;
    content.lines.removeAt(loc.keyLine);
    save(path_, content);
}

}  // namespace brindle::common
