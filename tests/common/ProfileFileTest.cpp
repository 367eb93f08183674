#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include "common/ProfileFile.h"

using brindle::common::ProfileFile;
using brindle::common::SettingsWriteError;

namespace {

class ProfileFileTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path() const { return dir.filePath(QStringLiteral("BRINDL.ini")); }
    void put(const QByteArray& bytes) {
        QFile f(path());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QByteArray contents() const {
        QFile f(path());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

TEST_F(ProfileFileTest, MissingFileGivesDefaultsAndFirstWriteCreatesIt) {
    ProfileFile ini(path());
    EXPECT_EQ(ini.readString("Misc", "GlobalTagId", "dflt"), "dflt");
    EXPECT_EQ(ini.readInt("Editing", "AggressiveSave", 1), 1);
    EXPECT_TRUE(ini.readBool("Adding", "PlugDate", true));
    EXPECT_FALSE(ini.hasKey("Misc", "GlobalTagId"));
    ini.writeString("Misc", "GlobalTagId", "U1A2B3");
    EXPECT_EQ(contents(), QByteArray("[Misc]\nGlobalTagId=U1A2B3\n"));
    EXPECT_TRUE(ini.hasKey("misc", "globaltagid"));
}

TEST_F(ProfileFileTest, SectionsAndKeysIgnoreCaseAndEverythingElseIsKept) {
    put("; settings\r\n[MISC]\r\nGLOBALTAGID=OLD\r\nOther=1\r\n\r\n[Adding]\r\n; comment inside\r\nPlugDate=1\r\n");
    ProfileFile ini(path());
    EXPECT_EQ(ini.readString("misc", "GlobalTagId"), "OLD");
    EXPECT_TRUE(ini.readBool("ADDING", "plugdate", false));

    ini.writeString("Misc", "GlobalTagId", "NEW");
    ini.writeString("Misc", "Added", "x");
    ini.writeBool("Editing", "Flag", false);
    EXPECT_EQ(contents(), QByteArray("; settings\r\n[MISC]\r\nGLOBALTAGID=NEW\r\nOther=1\r\nAdded=x\r\n\r\n"
                                     "[Adding]\r\n; comment inside\r\nPlugDate=1\r\n\r\n[Editing]\r\nFlag=0\r\n"));

    ini.removeKey("MISC", "other");
    EXPECT_FALSE(ini.hasKey("Misc", "Other"));
    EXPECT_EQ(ini.readString("Misc", "Added"), "x");
    ini.removeKey("Nowhere", "Nothing");  // nothing to remove: no error
}

TEST_F(ProfileFileTest, IntegerRules) {
    put("[N]\nDec=42\nNeg=-7\nHex=0x20\nHexUpper=0X1f\nBareHex=0x\nWord=abc\nTrail=12abc\nEmpty=\n"
        "Spaced =  33  \nAllOnes=0xFFFFFFFF\nBadHex=0xZZ\nHuge=99999999999\n");
    ProfileFile ini(path());
    EXPECT_EQ(ini.readInt("N", "Dec", 0), 42);
    EXPECT_EQ(ini.readInt("N", "Neg", 0), -7);
    EXPECT_EQ(ini.readInt("N", "Hex", 0), 32);
    EXPECT_EQ(ini.readInt("N", "HexUpper", 0), 31);
    EXPECT_EQ(ini.readInt("N", "BareHex", 5), 5);  // "0x" alone is not longer than two characters
    EXPECT_EQ(ini.readInt("N", "Word", 5), 5);
    EXPECT_EQ(ini.readInt("N", "Trail", 5), 5);
    EXPECT_EQ(ini.readInt("N", "Empty", 5), 5);
    EXPECT_EQ(ini.readInt("N", "Spaced", 5), 33);
    EXPECT_EQ(ini.readInt("N", "AllOnes", 5), -1);
    EXPECT_EQ(ini.readInt("N", "BadHex", 5), 5);
    EXPECT_EQ(ini.readInt("N", "Huge", 5), 5);
    EXPECT_TRUE(ini.readBool("N", "Hex", false));
    EXPECT_FALSE(ini.readBool("N", "Word", false));  // not a number: the default

    ini.writeBool("B", "On", true);
    ini.writeBool("B", "Off", false);
    ini.writeInt("B", "Int", -12);
    EXPECT_EQ(ini.readString("B", "On"), "1");
    EXPECT_EQ(ini.readString("B", "Off"), "0");
    EXPECT_EQ(ini.readInt("B", "Int", 0), -12);
}

TEST_F(ProfileFileTest, StringsAreCutAt1023AndKeepOneLine) {
    ProfileFile ini(path());
    const QString longText(5000, QChar('x'));
    ini.writeString("S", "Long", longText);
    EXPECT_EQ(ini.readString("S", "Long").size(), 1023);
    ini.writeString("S", "Broken", "line one\r\nline two");
    EXPECT_EQ(ini.readString("S", "Broken"), "line one  line two");
    ini.writeString("S", "Unicode", QString::fromUtf8("Zürich – ☃"));
    EXPECT_EQ(ini.readString("S", "Unicode"), QString::fromUtf8("Zürich – ☃"));
    ini.writeString("S", "Empty", "");
    EXPECT_EQ(ini.readString("S", "Empty", "dflt"), "");
    EXPECT_TRUE(ini.hasKey("S", "Empty"));
}

TEST_F(ProfileFileTest, Windows1252FileIsReadWhenNotUtf8) {
    // 0x8A and 0x80 are letters of Windows-1252 (Š, €), not Latin-1 control codes.
    put("[Adding]\nDefaultCountry=Espa\xf1" "a\nName=\x8A" "koda \x80\n");
    ProfileFile ini(path());
    EXPECT_EQ(ini.readString("Adding", "DefaultCountry"), QString::fromUtf8("España"));
    EXPECT_EQ(ini.readString("Adding", "Name"), QString::fromUtf8("Škoda €"));
    ini.writeString("Adding", "Other", "x");  // rewritten as UTF-8 with the letters intact
    EXPECT_EQ(ProfileFile(path()).readString("Adding", "Name"), QString::fromUtf8("Škoda €"));
}

TEST_F(ProfileFileTest, WritesReplaceTheFileAndLeaveNoTemporaryFiles) {
    ProfileFile ini(path());
    for (int i = 0; i < 20; ++i) ini.writeInt("Loop", QStringLiteral("K%1").arg(i % 3), i);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"BRINDL.ini"});
    EXPECT_EQ(ini.readInt("Loop", "K1", 0), 19);
}

TEST_F(ProfileFileTest, FailedWriteThrowsTheMessageAndLeavesTheFile) {
    put("[Misc]\nGlobalTagId=KEEP\n");
    QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    if (QFileInfo(dir.path()).isWritable()) GTEST_SKIP() << "running with rights that ignore permissions";
    ProfileFile ini(path());
    try {
        ini.writeString("Misc", "GlobalTagId", "NEW");
        ADD_FAILURE() << "no error";
    } catch (const SettingsWriteError& e) {
        EXPECT_EQ(std::string(e.what()), "Unable to write to " + path().toStdString());
    }
    QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    EXPECT_EQ(ini.readString("Misc", "GlobalTagId"), "KEEP");

}

TEST_F(ProfileFileTest, WriteWhereNoFileCanBeMadeThrowsTheMessage) {
    ProfileFile nowhere(dir.filePath("no/such/folder/BRINDL.ini"));
    EXPECT_THROW(nowhere.writeInt("A", "B", 1), SettingsWriteError);
    // A folder in the settings file's place.
    ASSERT_TRUE(QDir(dir.path()).mkdir("BRINDL.ini"));
    ProfileFile ini(path());
    try {
        ini.writeBool("Adding", "PlugDate", true);
        ADD_FAILURE() << "no error";
    } catch (const SettingsWriteError& e) {
        EXPECT_EQ(std::string(e.what()), "Unable to write to " + path().toStdString());
    }
    EXPECT_TRUE(QFileInfo(path()).isDir());
    EXPECT_EQ(ini.readInt("Adding", "PlugDate", 7), 7);
}

// Garbled files never crash a reader or a writer, and a write keeps what it
// cannot parse while making its own key readable.
TEST_F(ProfileFileTest, SurvivesGarbledFiles) {
    auto* rng = QRandomGenerator::global();
    const QByteArray pieces[] = {"[", "]", "=", "\n", "\r", "\r\n", ";", "[Misc]", "GlobalTagId", "0x",
                                 "\xff\xfe", "\x00", "\xc3", " ", "key=value", "[]", "==", "\xef\xbb\xbf"};
    for (int round = 0; round < 200; ++round) {
        QByteArray bytes;
        const int n = rng->bounded(60);
        for (int i = 0; i < n; ++i) {
            if (rng->bounded(3) == 0) bytes += char(rng->bounded(256));
            else bytes += pieces[rng->bounded(int(std::size(pieces)))];
        }
        if (round % 100 == 0) bytes += QByteArray(200000, 'z');  // one huge line
        put(bytes);
        ProfileFile ini(path());
        ini.readString("Misc", "GlobalTagId");
        ini.readInt("Misc", "GlobalTagId", 0);
        ini.hasKey("", "");
        ini.writeString("Misc", "GlobalTagId", "ABC");
        ASSERT_EQ(ini.readString("Misc", "GlobalTagId"), "ABC") << bytes.left(200).toHex().constData();
        ini.removeKey("Misc", "GlobalTagId");
    }
}

}  // namespace
