#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "common/Common.h"
#include "common/ProfileFile.h"
#include "common/ScriptedDialogs.h"
#include "store/StoreError.h"

using namespace brindle::common;

namespace {

TEST(CommonText, TrimsRemoveOnlyBlanks) {
    EXPECT_EQ(trimTrailing("   "), "");
    EXPECT_EQ(trimBoth("   "), "");
    EXPECT_EQ(trimBoth("  a b  "), "a b");
    EXPECT_EQ(trimLeading("  a "), "a ");
    EXPECT_EQ(trimTrailing(" a  "), " a");
    EXPECT_EQ(trimBoth("\ta\t"), "\ta\t");
    EXPECT_EQ(trimBoth(""), "");
}

TEST(CommonText, PrinterNameOnlyAndLetters) {
    EXPECT_EQ(printerNameOnly("HP LaserJet on LPT1:"), "HP LaserJet");
    EXPECT_EQ(printerNameOnly("Office ON \\\\server"), "Office");
    EXPECT_EQ(printerNameOnly("Canon online"), "Canon online");
    EXPECT_EQ(printerNameOnly("Epson"), "Epson");
    EXPECT_TRUE(isLowerLetter('q'));
    EXPECT_FALSE(isLowerLetter('Q'));
    EXPECT_FALSE(isLowerLetter('{'));
    EXPECT_EQ(upperLetter('q'), 'Q');
    EXPECT_EQ(upperLetter(QChar('z')), QChar('Z'));
}

TEST(CommonText, StoreTextRoundTripsThroughWindows1252) {
    const QString text = QString::fromUtf8("Café – “quoted” €");
    EXPECT_EQ(toStore(text), std::string("Caf\xe9 \x96 \x93quoted\x94 \x80"));
    EXPECT_EQ(fromStore(toStore(text)), text);
    EXPECT_EQ(toStore(QString::fromUtf8("☃")), "?");
}

TEST(CommonDates, DisplayPatternDerivation) {
    EXPECT_EQ(deriveDisplayDateFormat("M/d/yy"), "m/d/yyyy");
    EXPECT_EQ(deriveDisplayDateFormat("dd.MM.yyyy"), "dd.mm.yyyy");
    EXPECT_EQ(deriveDisplayDateFormat("yy-MM-dd"), "yyyy-mm-dd");
    EXPECT_EQ(deriveDisplayDateFormat("d/M/yyy"), "d/m/yyyy");
    EXPECT_EQ(deriveDisplayDateFormat("d/M/y"), "d/m/yyyy");
    EXPECT_EQ(deriveDisplayDateFormat("dd.MM"), "dd.mm.yyyy");
    EXPECT_EQ(deriveDisplayDateFormat("ddMM"), "ddmm/yyyy");

    EXPECT_EQ(shortPatternFromQt("M/d/yy"), "m/d/yy");
    EXPECT_EQ(shortPatternFromQt("dd.MM.yyyy"), "dd.mm.yyyy");
    EXPECT_EQ(shortPatternFromQt("yyyy'年'M'月'd'日'"), QString::fromUtf8("yyyy年m月d日"));
    EXPECT_EQ(toStoredDate(QString::fromUtf8("1999年12月31日"), QString::fromUtf8("yyyy年m月d日")), "19991231");
    EXPECT_EQ(shortPatternFromQt("d 'de' MMM"), "d  mmm");
    EXPECT_FALSE(displayDateFormat().isEmpty());
    EXPECT_TRUE(displayDateFormat().contains("yyyy"));
}

TEST(CommonDates, StoredDatesAndDisplay) {
    const QString display = deriveDisplayDateFormat("M/d/yy");
    EXPECT_EQ(storedToDisplay("19991231", display), "12/31/1999");
    EXPECT_EQ(storedToDisplay("20000105", "dd.mm.yyyy"), "05.01.2000");
    EXPECT_EQ(storedToDisplay("1999", display), "");
    EXPECT_EQ(storedToDisplay("ABCDEFGH", display), "");
    EXPECT_EQ(storedToDisplay("19990231", display), "");
    EXPECT_EQ(storedToDisplay("", display), "");

    EXPECT_TRUE(isStoredDate("20000229"));
    EXPECT_FALSE(isStoredDate("19000229"));
    EXPECT_FALSE(isStoredDate("1999123"));
    EXPECT_FALSE(isStoredDate(" 9991231"));
    EXPECT_FALSE(isStoredDate("199912311"));
    EXPECT_EQ(storedToDate("19991231"), QDate(1999, 12, 31));
    EXPECT_THROW(storedToDate("19991331"), DateError);
    EXPECT_EQ(toStoredDate(QDate(2024, 3, 5)), "20240305");
    EXPECT_EQ(toStoredDate(QDate()), "");
}

TEST(CommonDates, ToStoredDate) {
    EXPECT_EQ(toStoredDate("12/31/1999", "M/d/yyyy"), "19991231");
    EXPECT_EQ(toStoredDate("19991231", "M/d/yyyy"), "19991231");
    EXPECT_EQ(toStoredDate("not a date", "M/d/yyyy"), "");
    EXPECT_EQ(toStoredDate("", "M/d/yyyy"), "");
    EXPECT_EQ(toStoredDate("31.12.1999", "dd.MM.yyyy"), "19991231");
    EXPECT_EQ(toStoredDate("1999-12-31", "yyyy-MM-dd"), "19991231");
    EXPECT_EQ(toStoredDate("2/30/1999", "M/d/yyyy"), "");
    EXPECT_EQ(toStoredDate("12/31/1999x", "M/d/yyyy"), "");
    EXPECT_EQ(toStoredDate("/12/31/1999", "M/d/yyyy"), "");
    EXPECT_EQ(toStoredDate("1/2/3/4", "M/d/yyyy"), "");
    // Day and month alone mean this year; a two-digit year lies within 50 years of today.
    const int year = QDate::currentDate().year();
    EXPECT_EQ(toStoredDate("3/4", "M/d/yy"), QStringLiteral("%1").arg(year) + "0304");
    const int yy = year % 100;
    EXPECT_EQ(toStoredDate(QStringLiteral("1/1/%1").arg(yy, 2, 10, QChar('0')), "M/d/yy").left(4).toInt(), year);
    EXPECT_TRUE(isLocaleDate("12/31/1999", "M/d/yy"));
    EXPECT_FALSE(isLocaleDate("13/31/1999", "M/d/yy"));
}

TEST(CommonTagId, Base36AndNewTagId) {
    EXPECT_EQ(base36(0), "");
    EXPECT_EQ(base36(-5), "");
    EXPECT_EQ(base36(35), "Z");
    EXPECT_EQ(base36(36), "10");
    EXPECT_EQ(base36(36LL * 36 * 36 * 36 * 36 * 36 - 1), "ZZZZZZ");
    EXPECT_EQ(base36(36LL * 36 * 36 * 36 * 36 * 36), "");  // seven digits: only the six lowest kept

    // 14:30:00 on 15 March: 0315143000.
    EXPECT_EQ(newTagId(QDateTime(QDate(1995, 3, 15), QTime(14, 30, 0))), base36(315143000));
    EXPECT_EQ(newTagId(QDateTime(QDate(2025, 3, 15), QTime(14, 30, 0))), "U" + base36(315143000));
    const QString latest = newTagId(QDateTime(QDate(2030, 12, 31), QTime(23, 59, 59)));
    EXPECT_LE(latest.size(), 8);
    EXPECT_EQ(latest, "Z" + base36(1231235959));
}

TEST(CommonEnvelopes, SizeTable) {
    EXPECT_EQ(envelopeSizeName(20), "ENVELOPE #10 4 1/8 X 9 1/2 INCHES");
    EXPECT_DOUBLE_EQ(envelopeLongSide(20), 9.5);
    EXPECT_DOUBLE_EQ(envelopeShortSide(20), 4.125);
    EXPECT_EQ(envelopeSizeName(30), "ENVELOPE C4  229 X 324 MM");
    EXPECT_DOUBLE_EQ(envelopeLongSide(35), 5);
    EXPECT_DOUBLE_EQ(envelopeShortSide(35), 7.04);
    for (int code : {24, 25, 26, 29, 18, 39, -1}) {
        EXPECT_EQ(envelopeSizeName(code), "Unknown") << code;
        EXPECT_EQ(envelopeLongSide(code), -1) << code;
        EXPECT_EQ(envelopeShortSide(code), -1) << code;
    }
}

TEST(CommonErrors, GuardedActionsShowTheErrorText) {
    ScriptedDialogs d;
    runGuarded(d, [] { throw SettingsWriteError("Unable to write to /x/BRINDL.ini"); });
    runGuarded(d, [] { throw brindle::store::StoreError("Cannot open ADD0001.DBF"); });
    runGuarded(d, [] { throw 42; });
    int ran = 0;
    runGuarded(d, [&] { ++ran; });
    EXPECT_EQ(ran, 1);
    EXPECT_TRUE(tryGuarded(d, [] {}));
    EXPECT_FALSE(tryGuarded(d, [] { throw std::runtime_error("x"); }));
    EXPECT_EQ(d.texts(ScriptedDialogs::Kind::Error),
              (QStringList{"Unable to write to /x/BRINDL.ini", "Cannot open ADD0001.DBF", "Unknown error", "x"}));
}

class CommonFiles : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = qgetenv("BRINDLE_HOME");
        hadHome_ = qEnvironmentVariableIsSet("BRINDLE_HOME");
        qputenv("BRINDLE_HOME", dir.path().toUtf8());
    }
    void TearDown() override {
        if (hadHome_) qputenv("BRINDLE_HOME", saved_);
        else qunsetenv("BRINDLE_HOME");
    }
    static void write(const QString& path, const QByteArray& bytes) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    static QByteArray read(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    QTemporaryDir dir;
    QByteArray saved_;
    bool hadHome_ = false;
};

TEST_F(CommonFiles, PathsComeFromTheDataRoot) {
    const QString root = dir.path() + "/";
    EXPECT_EQ(programDir(), root);
    EXPECT_EQ(settingsPath(), root + "BRINDL.ini");
    EXPECT_EQ(dictionaryPath(), root + "brindl.dct");
    EXPECT_EQ(userDictionaryPath(), root + "brindlu.dct");
    EXPECT_EQ(dataDir(), root + "DATA/");
    EXPECT_EQ(sysdataDir(), root + "sysdata/");
    EXPECT_EQ(helpDir(), root + "help/");
    qputenv("BRINDLE_HOME", (dir.path() + "/").toUtf8());
    EXPECT_EQ(programDir(), root);
}

TEST_F(CommonFiles, DataRootIsMadeAndSeededUnderXdgDataHome) {
    qunsetenv("BRINDLE_HOME");
    const QByteArray savedXdg = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", (dir.path() + "/xdg").toUtf8());
    const QString root = programDir();
    if (QDir(QCoreApplication::applicationDirPath()).exists("sysdata")) {
        EXPECT_EQ(root, QCoreApplication::applicationDirPath() + "/");
    } else {
        EXPECT_EQ(root, dir.path() + "/xdg/brindle/");
        EXPECT_TRUE(QDir(root + "DATA").exists());
        EXPECT_TRUE(QDir(root + "sysdata").exists());
    }
    if (savedXdg.isNull()) qunsetenv("XDG_DATA_HOME");
    else qputenv("XDG_DATA_HOME", savedXdg);
}

TEST_F(CommonFiles, ResolvesNamesIgnoringCase) {
    write(dir.filePath("ADD0001.DBF"), "x");
    EXPECT_EQ(resolveIgnoringCase(dir.path(), "add0001.dbf"), dir.filePath("ADD0001.DBF"));
    EXPECT_EQ(resolveIgnoringCase(dir.filePath("Add0001.Dbf")), dir.filePath("ADD0001.DBF"));
    EXPECT_EQ(resolveIgnoringCase(dir.path(), "none.dbf"), dir.filePath("none.dbf"));
}

TEST_F(CommonFiles, CopyFileContents) {
    const QString a = dir.filePath("a.bin"), b = dir.filePath("b.bin");
    QByteArray big;
    for (int i = 0; i < 5000; ++i) big += char(i * 7);
    write(a, big);
    EXPECT_FALSE(copyFileContents(a, a));
    EXPECT_EQ(read(a), big);
    // The same file under another spelling is not truncated either.
    EXPECT_FALSE(copyFileContents(a, dir.path() + "/./a.bin"));
    EXPECT_EQ(read(a), big);

    write(b, QByteArray(9000, 'q'));
    EXPECT_TRUE(copyFileContents(a, b));
    EXPECT_EQ(read(b), big);
    EXPECT_FALSE(copyFileContents(dir.filePath("missing"), b));
    EXPECT_EQ(read(b), big);
    EXPECT_FALSE(copyFileContents(a, dir.filePath("no/folder/c.bin")));
}

}  // namespace
