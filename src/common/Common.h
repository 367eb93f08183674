#pragma once
// The shared routines every area uses: where files live, blank trimming,
// dates, the tag identifier, the envelope size table, the general error
// handler and the arithmetic of window placement. No widgets and no printers
// here: the parts that touch real windows are in common/ui/Placement.h, the
// system's printers are asked in printer/Printers.h.
#include <QDate>
#include <QDateTime>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QStringList>
#include <functional>
#include <stdexcept>
#include <string>

namespace brindle::common {

class UserDialogs;
class ProfileFile;

// ---------------------------------------------------------------- paths
// The data root, always ending in "/": $BRINDLE_HOME when set; else the
// executable's folder when it holds sysdata/; else $XDG_DATA_HOME/brindle
// (~/.local/share/brindle), created on first use with DATA/ and sysdata/
// seeded from the installed share folder (<prefix>/share/brindle) when present.
// Worked out at each call, so a change of $BRINDLE_HOME is seen at once.
QString programDir();
QString settingsPath();         // programDir() + "BRINDL.ini"
QString dictionaryPath();       // programDir() + "brindl.dct"
QString userDictionaryPath();   // programDir() + "brindlu.dct"
QString dataDir();              // programDir() + "DATA/"
QString sysdataDir();           // programDir() + "sysdata/"
QString helpDir();              // programDir() + "help/"
// The version users see ("2.8e"), set by the build.
QString versionText();
// The folder the program's shared files are installed in (<prefix>/share/brindle/);
// empty when there is none.
QString installedShareDir();

// `fileName` inside `folder`; when no file of that exact name exists, one whose
// name differs only in letter case (files made on Windows). The exact path when
// neither exists.
QString resolveIgnoringCase(const QString& folder, const QString& fileName);
// The same for a whole path (only the last component is looked up).
QString resolveIgnoringCase(const QString& path);

// Copies the source's bytes to the destination (created or truncated). False
// at once when the two names are equal, and when either file cannot be opened
// or a read or write fails.
bool copyFileContents(const QString& source, const QString& destination);

// ---------------------------------------------------------------- text
// Only the blank (character 32) is trimmed.
QString trimLeading(const QString& text);
QString trimTrailing(const QString& text);
QString trimBoth(const QString& text);
// The part before the first " ON " (any case): "HP LaserJet on LPT1:" -> "HP LaserJet".
QString printerNameOnly(const QString& text);
// a to z, and clearing bit 0x20 (callers test isLowerLetter first).
bool isLowerLetter(char c);
char upperLetter(char c);
bool isLowerLetter(QChar c);
QChar upperLetter(QChar c);

// Table text is Windows-1252 in the store; these convert at the edge.
QString fromStore(const std::string& bytes);
std::string toStore(const QString& text);

// ---------------------------------------------------------------- dates
// Stored dates are YYYYMMDD text, empty for none.

// A Qt date pattern ("M/d/yy", "dd.MM.yyyy", quoted literals) in the
// program's own pattern letters (d, m, y; separators kept).
QString shortPatternFromQt(const QString& qtPattern);
// The user's short date pattern in the program's letters (from QLocale::system()).
QString userShortDatePattern();
// The display pattern derived from a short pattern: the year forced to four
// digits, all lower case ("M/d/yy" -> "m/d/yyyy").
QString deriveDisplayDateFormat(const QString& shortPattern);
// deriveDisplayDateFormat(userShortDatePattern()), worked out once and then fixed.
QString displayDateFormat();
// Formats with d, dd, m, mm, yy, yyyy; every other character is copied.
QString formatDate(const QDate& date, const QString& pattern);
// Reads a date typed in the order of the pattern's day, month and year, the
// parts separated by any run of non-digits. Two parts mean the current year;
// a year of one or two digits falls within 50 years of today. Invalid when
// the text is no date.
QDate parseLocaleDate(const QString& text, const QString& shortPattern);

bool isLocaleDate(const QString& text);  // with the user's short pattern
bool isLocaleDate(const QString& text, const QString& shortPattern);
bool isStoredDate(const QString& text);
// Throws DateError when isStoredDate is false.
class DateError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
QDate storedToDate(const QString& text);
QString toStoredDate(const QString& text);  // with the user's short pattern
QString toStoredDate(const QString& text, const QString& shortPattern);
QString storedToDisplay(const QString& stored);  // with displayDateFormat()
QString storedToDisplay(const QString& stored, const QString& displayPattern);
QString toStoredDate(const QDate& date);  // "YYYYMMDD"; empty for an invalid date

// ---------------------------------------------------------------- tag identifier
// n in base 36 (digits 0-9A-Z), at most six digits, no leading zeros; 0 and
// negative numbers give "". Larger numbers keep their six lowest digits.
QString base36(qint64 n);
// base36(year - 1995) + base36(mmddhhnnss read as a number); at most 8 characters.
QString newTagId(const QDateTime& now = QDateTime::currentDateTime());

// ---------------------------------------------------------------- envelopes
// Printer envelope paper codes 19-38; other codes give "Unknown" and -1.
QString envelopeSizeName(int code);
double envelopeLongSide(int code);
double envelopeShortSide(int code);

// ---------------------------------------------------------------- errors
// Runs an action; any exception it throws is shown with dialogs.showError
// (its text) and the program goes on.
void runGuarded(UserDialogs& dialogs, const std::function<void()>& action);
// The same, telling whether the action ran to its end.
bool tryGuarded(UserDialogs& dialogs, const std::function<void()>& action);
// The text of an exception (UTF-8 what()).
QString errorText(const std::exception& e);

// ---------------------------------------------------------------- placement
struct Placement {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool maximized = false;
    // Nothing stored (Bottom of 0): the window is centred instead.
    bool stored() const { return bottom != 0; }
    QRect rect() const { return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)); }
    static Placement fromRect(const QRect& r, bool maximized);
};

// windowClass + "_Placement", followed by the dpi when it is above 96.
QString placementSection(const QString& windowClass, int logicalDpi);
// Left/Top/Right/Bottom default 0, Maximized defaulting to maximizedNow.
Placement readPlacement(const ProfileFile& settings, const QString& section, bool maximizedNow);
void writePlacement(ProfileFile& settings, const QString& section, const Placement& p);  // throws SettingsWriteError
// A stored rectangle fitted to the screen: moved left when its right edge is
// beyond the screen, moved up when its bottom is below it (the edge then meets
// the screen's edge); never moved past the screen's top-left corner.
Placement restorePlacementRect(const Placement& stored, int screenWidth, int screenHeight);
// Top-left corner that centres a window of this size over `over` (halves
// rounded toward zero).
QPoint centredTopLeft(const QRect& over, const QSize& size);

}  // namespace brindle::common
