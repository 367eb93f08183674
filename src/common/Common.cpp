#include "common/Common.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QStandardPaths>
#include <algorithm>
#include <mutex>

#include "common/ProfileFile.h"
#include "common/UserDialogs.h"
#include "store/Cp1252.h"
#include "store/Paths.h"

namespace brindle::common {

// ================================================================ paths

namespace {

QString withSlash(QString dir) {
    if (!dir.endsWith(QChar('/'))) dir += QChar('/');
    return dir;
}

QString executableDir() {
    if (QCoreApplication::instance()) return QCoreApplication::applicationDirPath();
    const QFileInfo self(QStringLiteral("/proc/self/exe"));
    return QFileInfo(self.symLinkTarget()).absolutePath();
}

// Copies every file below `from` into `to`, keeping files already there.
void copyTreeKeeping(const QString& from, const QString& to) {
    QDir source(from);
    QDirIterator it(from, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QFileInfo info = it.fileInfo();
        const QString target = to + source.relativeFilePath(path);
        if (info.isDir()) {
            QDir().mkpath(target);
        } else if (!QFileInfo::exists(target)) {
            QDir().mkpath(QFileInfo(target).absolutePath());
            QFile::copy(path, target);
            // Installed files are often read-only; the copies are the user's own.
            QFile::setPermissions(target, QFile::permissions(target) | QFileDevice::WriteOwner | QFileDevice::ReadOwner);
        }
    }
}

}  // namespace

QString versionText() { return QStringLiteral(BRINDLE_VERSION_TEXT); }

QString installedShareDir() {
    const QString exeDir = executableDir();
    QStringList candidates{exeDir + QStringLiteral("/../share/brindle")};
#ifdef BRINDLE_INSTALL_PREFIX
    candidates << QStringLiteral(BRINDLE_INSTALL_PREFIX "/share/brindle");
#endif
    candidates << QStringLiteral("/usr/local/share/brindle") << QStringLiteral("/usr/share/brindle");
    for (const QString& c : candidates) {
        const QFileInfo info(c);
        if (info.isDir()) return withSlash(info.canonicalFilePath());
    }
    return {};
}

QString programDir() {
    const QString home = qEnvironmentVariable("BRINDLE_HOME");
    if (!home.isEmpty()) return withSlash(home);

    const QString exeDir = executableDir();
    if (!exeDir.isEmpty() && QFileInfo(exeDir + QStringLiteral("/sysdata")).isDir()) return withSlash(exeDir);

    QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    if (dataHome.isEmpty() || !QDir::isAbsolutePath(dataHome))
        dataHome = QDir::homePath() + QStringLiteral("/.local/share");
    const QString root = withSlash(dataHome) + QStringLiteral("brindle/");

    // First use: make the folders and seed them from the installed copy.
    static std::mutex seeding;
    std::lock_guard<std::mutex> lock(seeding);
    if (!QFileInfo(root + QStringLiteral("sysdata")).isDir()) {
        QDir().mkpath(root);
        const QString share = installedShareDir();
        if (!share.isEmpty()) copyTreeKeeping(share, root);
        QDir().mkpath(root + QStringLiteral("DATA"));
        QDir().mkpath(root + QStringLiteral("sysdata"));
    }
    return root;
}

QString settingsPath() { return programDir() + QStringLiteral("BRINDL.ini"); }
QString dictionaryPath() { return programDir() + QStringLiteral("brindl.dct"); }
QString userDictionaryPath() { return programDir() + QStringLiteral("brindlu.dct"); }
QString dataDir() { return programDir() + QStringLiteral("DATA/"); }
QString sysdataDir() { return programDir() + QStringLiteral("sysdata/"); }
QString helpDir() { return programDir() + QStringLiteral("help/"); }

QString resolveIgnoringCase(const QString& folder, const QString& fileName) {
    const std::string resolved = store::resolvePathIgnoringCase(QFile::encodeName(folder).toStdString(),
                                                                QFile::encodeName(fileName).toStdString());
    return QFile::decodeName(QByteArray::fromStdString(resolved));
}

QString resolveIgnoringCase(const QString& path) {
    const int slash = path.lastIndexOf(QChar('/'));
    if (slash < 0) return resolveIgnoringCase(QStringLiteral("."), path).mid(2);
    return resolveIgnoringCase(path.left(slash + 1), path.mid(slash + 1));
}

bool copyFileContents(const QString& source, const QString& destination) {
    if (source == destination) return false;
    // The same file under another spelling would be truncated before it is read.
    const QFileInfo src(source), dst(destination);
    if (dst.exists() && src.exists() && src.canonicalFilePath() == dst.canonicalFilePath()) return false;

    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) return false;
    QFile out(destination);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    char block[2048];
    for (;;) {
        const qint64 n = in.read(block, sizeof block);
        if (n < 0) return false;
        if (n == 0) break;
        if (out.write(block, n) != n) return false;
    }
    return out.flush();
}

// ================================================================ text

QString trimLeading(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && text[i] == QChar(' ')) ++i;
    return text.mid(i);
}

QString trimTrailing(const QString& text) {
    qsizetype n = text.size();
    while (n > 0 && text[n - 1] == QChar(' ')) --n;
    return text.left(n);
}

QString trimBoth(const QString& text) { return trimLeading(trimTrailing(text)); }

QString printerNameOnly(const QString& text) {
    const qsizetype at = text.indexOf(QStringLiteral(" ON "), 0, Qt::CaseInsensitive);
    return at < 0 ? text : text.left(at);
}

bool isLowerLetter(char c) { return c >= 'a' && c <= 'z'; }
char upperLetter(char c) { return static_cast<char>(c & ~0x20); }
bool isLowerLetter(QChar c) { return c.unicode() >= 'a' && c.unicode() <= 'z'; }
QChar upperLetter(QChar c) { return QChar(static_cast<char16_t>(c.unicode() & ~0x20)); }

QString fromStore(const std::string& bytes) { return QString::fromStdString(store::cp1252ToUtf8(bytes)); }
std::string toStore(const QString& text) { return store::utf8ToCp1252(text.toStdString()); }

// ================================================================ dates

QString shortPatternFromQt(const QString& qtPattern) {
    QString out;
    for (qsizetype i = 0; i < qtPattern.size(); ++i) {
        const QChar c = qtPattern[i];
        if (c == QChar('\'')) {
            // Quoted literal text; '' is one quote.
            qsizetype j = i + 1;
            if (j < qtPattern.size() && qtPattern[j] == QChar('\'')) {
                out += QChar('\'');
                i = j;
                continue;
            }
            while (j < qtPattern.size()) {
                if (qtPattern[j] == QChar('\'')) {
                    if (j + 1 < qtPattern.size() && qtPattern[j + 1] == QChar('\'')) {
                        out += QChar('\'');
                        j += 2;
                        continue;
                    }
                    break;
                }
                // Latin letters inside quotes would read as pattern letters; drop them.
                if (qtPattern[j].unicode() >= 0x80 || !qtPattern[j].isLetter()) out += qtPattern[j];
                ++j;
            }
            i = j;
        } else if (c == QChar('d')) {
            out += QChar('d');
        } else if (c == QChar('M') || c == QChar('L')) {
            out += QChar('m');
        } else if (c == QChar('y')) {
            out += QChar('y');
        } else if (!c.isLetter()) {
            out += c;
        }
        // Other letters (era, time, day-of-week names in a short date) have no
        // counterpart in a short date pattern and are left out.
    }
    return out.trimmed();
}

QString userShortDatePattern() {
    return shortPatternFromQt(QLocale::system().dateFormat(QLocale::ShortFormat));
}

namespace {

QChar dateSeparatorOf(const QString& pattern) {
    for (const QChar c : pattern)
        if (!c.isLetter() && !c.isSpace() && c != QChar('\'')) return c;
    return QChar('/');
}

}  // namespace

QString deriveDisplayDateFormat(const QString& shortPattern) {
    QString p = shortPattern.toUpper();
    if (p.contains(QStringLiteral("YYYY"))) return p.toLower();
    if (p.contains(QStringLiteral("YYY"))) {
        p.insert(p.indexOf(QStringLiteral("YYY")), QChar('Y'));
    } else if (p.contains(QStringLiteral("YY"))) {
        p.insert(p.indexOf(QStringLiteral("YY")), QStringLiteral("YY"));
    } else if (!p.contains(QChar('Y'))) {
        p += dateSeparatorOf(p);
        p += QStringLiteral("YYYY");
    } else {
        p.insert(p.indexOf(QChar('Y')), QStringLiteral("YYY"));
    }
    return p.toLower();
}

QString displayDateFormat() {
    static const QString pattern = deriveDisplayDateFormat(userShortDatePattern());
    return pattern;
}

QString formatDate(const QDate& date, const QString& pattern) {
    if (!date.isValid()) return {};
    const QLocale locale = QLocale::system();
    QString out;
    for (qsizetype i = 0; i < pattern.size();) {
        const QChar c = pattern[i].toLower();
        qsizetype run = 1;
        while (i + run < pattern.size() && pattern[i + run].toLower() == c) ++run;
        if (c == QChar('d')) {
            if (run == 1) out += QString::number(date.day());
            else if (run == 2) out += QStringLiteral("%1").arg(date.day(), 2, 10, QChar('0'));
            else if (run == 3) out += locale.dayName(date.dayOfWeek(), QLocale::ShortFormat);
            else out += locale.dayName(date.dayOfWeek(), QLocale::LongFormat);
        } else if (c == QChar('m')) {
            if (run == 1) out += QString::number(date.month());
            else if (run == 2) out += QStringLiteral("%1").arg(date.month(), 2, 10, QChar('0'));
            else if (run == 3) out += locale.monthName(date.month(), QLocale::ShortFormat);
            else out += locale.monthName(date.month(), QLocale::LongFormat);
        } else if (c == QChar('y')) {
            if (run <= 2) out += QStringLiteral("%1").arg(date.year() % 100, 2, 10, QChar('0'));
            else out += QStringLiteral("%1").arg(date.year(), 4, 10, QChar('0'));
        } else {
            out += pattern.mid(i, run);
        }
        i += run;
    }
    return out;
}

QDate parseLocaleDate(const QString& text, const QString& shortPattern) {
    // Order of day, month and year in the pattern.
    const QString p = shortPattern.toLower();
    struct Part {
        char kind;
        qsizetype at;
    };
    QVector<Part> order{{'d', p.indexOf(QChar('d'))}, {'m', p.indexOf(QChar('m'))}, {'y', p.indexOf(QChar('y'))}};
    for (Part& part : order)
        if (part.at < 0) part.at = p.size() + (part.kind == 'y' ? 2 : part.kind == 'm' ? 1 : 0);
    std::stable_sort(order.begin(), order.end(), [](const Part& a, const Part& b) { return a.at < b.at; });

    // Numbers separated by runs of blanks and punctuation; no letters anywhere.
    // Literal text that begins or ends the pattern ("d日") may begin or end the text.
    QString t = text.trimmed();
    qsizetype head = 0, tail = p.size();
    while (head < p.size() && !QStringLiteral("dmy").contains(p[head])) ++head;
    while (tail > head && !QStringLiteral("dmy").contains(p[tail - 1])) --tail;
    const QString prefix = p.left(head).trimmed(), suffix = p.mid(tail).trimmed();
    if (!prefix.isEmpty() && t.startsWith(prefix, Qt::CaseInsensitive)) t = t.mid(prefix.size()).trimmed();
    if (!suffix.isEmpty() && t.endsWith(suffix, Qt::CaseInsensitive)) t.chop(suffix.size());
    t = t.trimmed();
    if (t.isEmpty()) return {};
    QVector<QString> numbers;
    QString current;
    for (const QChar c : t) {
        if (c >= QChar('0') && c <= QChar('9')) {
            current += c;
        } else if (c.isNumber() || (c.unicode() < 0x80 && c.isLetter())) {
            return {};
        } else if (!current.isEmpty()) {
            numbers << current;
            current.clear();
        } else if (numbers.isEmpty()) {
            return {};  // leading punctuation
        }
    }
    if (current.isEmpty()) return {};  // trailing punctuation
    numbers << current;
    if (numbers.size() < 2 || numbers.size() > 3) return {};
    for (const QString& n : numbers)
        if (n.size() > 4) return {};

    const QDate today = QDate::currentDate();
    int day = 0, month = 0, year = today.year();
    bool yearGiven = false;
    int k = 0;
    for (const Part& part : order) {
        if (numbers.size() == 2 && part.kind == 'y') continue;  // day and month only: this year
        const QString& n = numbers[k++];
        if (part.kind == 'd') {
            if (n.size() > 2) return {};
            day = n.toInt();
        } else if (part.kind == 'm') {
            if (n.size() > 2) return {};
            month = n.toInt();
        } else {
            year = n.toInt();
            yearGiven = n.size() <= 2;
        }
    }
    if (yearGiven) {
        // A short year lies within 50 years of today.
        year += today.year() - today.year() % 100;
        if (year > today.year() + 49) year -= 100;
        else if (year <= today.year() - 50) year += 100;
    }
    const QDate d(year, month, day);
    return d.isValid() ? d : QDate();
}

bool isLocaleDate(const QString& text) { return isLocaleDate(text, userShortDatePattern()); }
bool isLocaleDate(const QString& text, const QString& shortPattern) {
    return parseLocaleDate(text, shortPattern).isValid();
}

namespace {

QDate storedDateOrInvalid(const QString& text) {
    if (text.size() != 8) return {};
    for (const QChar c : text)
        if (c < QChar('0') || c > QChar('9')) return {};
    const QDate d(text.left(4).toInt(), text.mid(4, 2).toInt(), text.mid(6, 2).toInt());
    return d.isValid() ? d : QDate();
}

}  // namespace

bool isStoredDate(const QString& text) { return storedDateOrInvalid(text).isValid(); }

QDate storedToDate(const QString& text) {
    const QDate d = storedDateOrInvalid(text);
    if (!d.isValid()) throw DateError("'" + text.toStdString() + "' is not a valid date");
    return d;
}

QString toStoredDate(const QDate& date) {
    return date.isValid() ? formatDate(date, QStringLiteral("yyyymmdd")) : QString();
}

QString toStoredDate(const QString& text) { return toStoredDate(text, userShortDatePattern()); }

QString toStoredDate(const QString& text, const QString& shortPattern) {
    if (text.isEmpty()) return {};
    if (isStoredDate(text)) return text;
    return toStoredDate(parseLocaleDate(text, shortPattern));
}

QString storedToDisplay(const QString& stored) { return storedToDisplay(stored, displayDateFormat()); }

QString storedToDisplay(const QString& stored, const QString& displayPattern) {
    if (stored.isEmpty()) return {};
    return formatDate(storedDateOrInvalid(stored), displayPattern);
}

// ================================================================ tag identifier

QString base36(qint64 n) {
    static const char digits[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    constexpr qint64 kSixDigits = 36LL * 36 * 36 * 36 * 36 * 36;
    if (n <= 0) return {};
    n %= kSixDigits;
    QString out;
    while (n > 0) {
        out.prepend(QChar(digits[n % 36]));
        n /= 36;
    }
    return out;
}

QString newTagId(const QDateTime& now) {
    const QDate d = now.date();
    const QTime t = now.time();
    const qint64 stamp = qint64(d.month()) * 100000000LL + qint64(d.day()) * 1000000LL + t.hour() * 10000LL +
                         t.minute() * 100LL + t.second();
    return base36(d.year() - 1995) + base36(stamp);
}

// ================================================================ envelopes

namespace {

struct EnvelopeSize {
    int code;
    const char* name;
    double longSide;
    double shortSide;
};

// The metric sizes are the millimetres divided by 25. Code 35 keeps the order
// of its name, so its "long" side is the shorter one.
constexpr EnvelopeSize kEnvelopes[] = {
    {19, "ENVELOPE #9 3 7/8 X 8 7/8 INCHES", 8.875, 3.875},
    {20, "ENVELOPE #10 4 1/8 X 9 1/2 INCHES", 9.5, 4.125},
    {21, "ENVELOPE #11 4 1/2 X 10 3/8 INCHES", 10.375, 4.5},
    {22, "ENVELOPE #12 4 3/5 X 11 INCHES", 11, 4.75},
    {23, "ENVELOPE #14 5 X 11 1/2 INCHES", 11.5, 5},
    {27, "ENVELOPE DL 110 X 220 MM", 8.8, 4.4},
    {28, "ENVELOPE C5 162 X 229 MM", 9.16, 6.48},
    {30, "ENVELOPE C4  229 X 324 MM", 12.96, 9.16},
    {31, "ENVELOPE C6  114 X 162 MM", 6.48, 4.56},
    {32, "ENVELOPE C65 114 X 229 MM", 9.16, 4.56},
    {33, "ENVELOPE B4  250 X 353 MM", 14.12, 10},
    {34, "ENVELOPE B5  176 X 250 MM", 10, 7.04},
    {35, "ENVELOPE B6  176 X 125 MM", 5, 7.04},
    {36, "ENVELOPE 110 X 230 MM", 9.2, 4.4},
    {37, "ENVELOPE MONARCH 3 7/8 x 7 1/2 INCHES", 7.5, 3.875},
    {38, "6 3/4 ENVELOPE 3 5/8 X 6 1/2 INCHES", 6.5, 3.625},
};

const EnvelopeSize* envelope(int code) {
    for (const auto& e : kEnvelopes)
        if (e.code == code) return &e;
    return nullptr;
}

}  // namespace

QString envelopeSizeName(int code) {
    const auto* e = envelope(code);
    return e ? QString::fromLatin1(e->name) : QStringLiteral("Unknown");
}
double envelopeLongSide(int code) {
    const auto* e = envelope(code);
    return e ? e->longSide : -1;
}
double envelopeShortSide(int code) {
    const auto* e = envelope(code);
    return e ? e->shortSide : -1;
}

// ================================================================ errors

QString errorText(const std::exception& e) { return QString::fromUtf8(e.what()); }

bool tryGuarded(UserDialogs& dialogs, const std::function<void()>& action) {
    try {
        action();
        return true;
    } catch (const std::exception& e) {
        dialogs.showError(errorText(e));
    } catch (...) {
        dialogs.showError(QStringLiteral("Unknown error"));
    }
    return false;
}

void runGuarded(UserDialogs& dialogs, const std::function<void()>& action) { tryGuarded(dialogs, action); }

// ================================================================ placement

Placement Placement::fromRect(const QRect& r, bool maximized) {
    return Placement{r.left(), r.top(), r.left() + r.width(), r.top() + r.height(), maximized};
}

QString placementSection(const QString& windowClass, int logicalDpi) {
    QString section = windowClass + QStringLiteral("_Placement");
    if (logicalDpi > 96) section += QString::number(logicalDpi);
    return section;
}

Placement readPlacement(const ProfileFile& settings, const QString& section, bool maximizedNow) {
    Placement p;
    p.left = settings.readInt(section, QStringLiteral("Left"), 0);
    p.top = settings.readInt(section, QStringLiteral("Top"), 0);
    p.right = settings.readInt(section, QStringLiteral("Right"), 0);
    p.bottom = settings.readInt(section, QStringLiteral("Bottom"), 0);
    p.maximized = settings.readBool(section, QStringLiteral("Maximized"), maximizedNow);
    return p;
}

void writePlacement(ProfileFile& settings, const QString& section, const Placement& p) {
    settings.writeInt(section, QStringLiteral("Left"), p.left);
    settings.writeInt(section, QStringLiteral("Top"), p.top);
    settings.writeInt(section, QStringLiteral("Right"), p.right);
    settings.writeInt(section, QStringLiteral("Bottom"), p.bottom);
    settings.writeBool(section, QStringLiteral("Maximized"), p.maximized);
}

Placement restorePlacementRect(const Placement& stored, int screenWidth, int screenHeight) {
    Placement p = stored;
    if (screenWidth < p.right) {
        const int moved = p.left - (p.right - screenWidth);
        // A window wider than the screen keeps its left edge (and title bar) on screen.
        p.left = (moved < 0 && p.left >= 0) ? 0 : moved;
        p.right = screenWidth;
    }
    if (screenHeight < p.bottom) {
        const int moved = p.top - (p.bottom - screenHeight);
        p.top = (moved < 0 && p.top >= 0) ? 0 : moved;
        p.bottom = screenHeight;
    }
    return p;
}

QPoint centredTopLeft(const QRect& over, const QSize& size) {
    return QPoint(over.left() + (over.width() - size.width()) / 2, over.top() + (over.height() - size.height()) / 2);
}

}  // namespace brindle::common
