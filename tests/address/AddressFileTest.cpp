// Opening address files, the recently used list, sort orders and the values
// worked out for each record.
#include <gtest/gtest.h>

#include "AddressTestSupport.h"
#include "address/AddressFile.h"
#include "address/ComputedFields.h"
#include "address/ui/ConfigurationReport.h"
#include "address/HelpTopics.h"
#include "address/MruList.h"
#include "address/NewDatabase.h"
#include "address/SortOrders.h"
#include "common/ProfileFile.h"
#include "common/ScriptedDialogs.h"

using namespace brindle;
using namespace brindle::address;
using brindle::common::ScriptedDialogs;
using brindle::addrtest::makeAddressFile;
using brindle::addrtest::ProgramHome;

namespace {

const QString kRebuildCaption = QStringLiteral("Warning");

}  // namespace

TEST(OpenAddressFile, MissingIndexAsksAndNoLeavesTheFileClosedButRemembered) {
    ProgramHome home;
    const QString path = home.data(QStringLiteral("ADD0001.DBF"));
    makeAddressFile(path, {{"Smith", "John"}});
    addrtest::removeIndex(path);

    ScriptedDialogs dialogs;
    dialogs.answers.enqueue(false);
    AddressFile file(dialogs, home.settings());
    EXPECT_TRUE(file.openBRWDBF(path));

    ASSERT_EQ(dialogs.shown.size(), 1);
    EXPECT_EQ(dialogs.shown[0].kind, ScriptedDialogs::Kind::YesNo);
    EXPECT_EQ(dialogs.shown[0].caption, kRebuildCaption);
    EXPECT_EQ(dialogs.shown[0].text,
              QStringLiteral("The index file for ") + path + QStringLiteral("\r\nis missing or invalid. Rebuild now?"));
    EXPECT_FALSE(file.isOpen());
    EXPECT_EQ(file.mruList(), QStringList{path});
    EXPECT_EQ(file.caption(), QStringLiteral("Brindle"));  // no file is open
    EXPECT_TRUE(file.sortStatus().isEmpty());
}

TEST(OpenAddressFile, MissingIndexRebuiltOnYesAndNotAskedAgain) {
    ProgramHome home;
    const QString path = home.data(QStringLiteral("ADD0001.DBF"));
    makeAddressFile(path, {{"Smith", "John"}, {"Adams", "Ann"}});
    addrtest::removeIndex(path);

    ScriptedDialogs dialogs;
    dialogs.answers.enqueue(true);
    AddressFile file(dialogs, home.settings());
    int rebuildWindows = 0;
    file.rebuildRequested = [&] {
        ++rebuildWindows;
        file.rebuildIndexes();
    };
    ASSERT_TRUE(file.openBRWDBF(path));
    EXPECT_EQ(rebuildWindows, 1);
    ASSERT_TRUE(file.isOpen());
    EXPECT_TRUE(file.indexValid());
    EXPECT_EQ(file.table()->tags().size(), 26u);
    EXPECT_EQ(file.sortStatus(), QStringLiteral("Sorted by Last Name"));
    EXPECT_EQ(file.field("LNAME"), QStringLiteral("Adams"));  // first in last-name order

    file.close();
    dialogs.shown.clear();
    ASSERT_TRUE(file.openBRWDBF(path));
    EXPECT_TRUE(dialogs.shown.isEmpty());
}

TEST(OpenAddressFile, FileWithoutTagFieldIsRefusedAndMruUnchanged) {
    ProgramHome home;
    const QString good = home.data(QStringLiteral("GOOD.DBF"));
    makeAddressFile(good, {{"Smith", "John"}});
    const QString bad = home.data(QStringLiteral("NOTAG.DBF"));
    auto fields = addressFields(FieldLengths::defaults());
    fields.erase(std::remove_if(fields.begin(), fields.end(), [](const auto& f) { return f.name == "TAG"; }),
                 fields.end());
    store::Table::create(bad.toStdString(), fields);

    ScriptedDialogs dialogs;
    AddressFile file(dialogs, home.settings());
    ASSERT_TRUE(file.openBRWDBF(good));
    EXPECT_FALSE(file.openBRWDBF(bad));
    EXPECT_EQ(dialogs.infos(),
              QStringList{QStringLiteral("Unable to open ") + bad +
                          QStringLiteral("\r\n\r\n * May not be a Brindle file.\r\n * May be in use by another program or user")});
    EXPECT_FALSE(file.isOpen());
    EXPECT_TRUE(file.currentFilePath().isEmpty());
    EXPECT_EQ(file.mruList(), QStringList{good});
    EXPECT_EQ(file.caption(), QStringLiteral("Brindle"));
}

TEST(OpenAddressFile, MissingFileAndFileInUse) {
    ProgramHome home;
    ScriptedDialogs dialogs;
    AddressFile file(dialogs, home.settings());
    const QString missing = home.data(QStringLiteral("NONE.DBF"));
    EXPECT_FALSE(file.openBRWDBF(missing));
    ASSERT_EQ(dialogs.infos().size(), 2);
    EXPECT_EQ(dialogs.infos()[0], QStringLiteral("File ") + missing + QStringLiteral(" not found"));
    EXPECT_TRUE(dialogs.infos()[1].startsWith(QStringLiteral("Unable to open ") + missing));
    EXPECT_FALSE(file.openBRWDBF(QString()));  // an empty path does nothing
    EXPECT_EQ(dialogs.infos().size(), 2);

    // Held open elsewhere: refused with the same message.
    const QString path = home.data(QStringLiteral("BUSY.DBF"));
    makeAddressFile(path, {{"Smith", "John"}});
    auto other = store::Table::open(path.toStdString());
    dialogs.shown.clear();
    EXPECT_FALSE(file.openBRWDBF(path));
    ASSERT_EQ(dialogs.infos().size(), 1);
    EXPECT_TRUE(dialogs.infos()[0].startsWith(QStringLiteral("Unable to open ")));
}

TEST(OpenAddressFile, MruEntryFallsBackToThePreviousFile) {
    ProgramHome home;
    const QString a = home.data(QStringLiteral("A.DBF"));
    makeAddressFile(a, {{"Smith", "John"}});
    ScriptedDialogs dialogs;
    AddressFile file(dialogs, home.settings());
    ASSERT_TRUE(file.openBRWDBF(a));
    // The failed entry leaves nothing open, so the previous file comes back.
    EXPECT_TRUE(file.openMruEntry(home.data(QStringLiteral("GONE.DBF"))));
    EXPECT_EQ(dialogs.infos().size(), 2);
    EXPECT_TRUE(file.isOpen());
    EXPECT_EQ(file.currentFilePath(), a);
}

TEST(MruList, NewestFirstExactComparisonAtMostFour) {
    EXPECT_EQ(updatedMruList({"/a", "/b", "/c"}, "/b"), (QStringList{"/b", "/a", "/c"}));
    EXPECT_EQ(updatedMruList({"/a", "/b", "/c", "/d"}, "/e"), (QStringList{"/e", "/a", "/b", "/c"}));
    EXPECT_EQ(updatedMruList({"/data/add.dbf"}, "/data/ADD.DBF"), (QStringList{"/data/ADD.DBF", "/data/add.dbf"}));

    ProgramHome home;
    common::ProfileFile settings(home.settings());
    settings.writeString("MRU", "Item1", "/x");
    settings.writeString("MRU", "Item2", "");
    settings.writeString("MRU", "Item3", "/y");
    EXPECT_EQ(getMruList(settings), (QStringList{"/x", "/y"}));
    updateMruList(settings, "/y");
    EXPECT_EQ(settings.readString("MRU", "Item1"), QStringLiteral("/y"));
    EXPECT_EQ(settings.readString("MRU", "Item2"), QStringLiteral("/x"));
    EXPECT_EQ(getMruList(settings), (QStringList{"/y", "/x"}));
}

TEST(OpenAddressFile, SamePathMovesToTopOtherCaseIsSecondEntry) {
    ProgramHome home;
    const QString a = home.data(QStringLiteral("A.DBF"));
    const QString b = home.data(QStringLiteral("B.DBF"));
    makeAddressFile(a, {{"Smith", "John"}});
    makeAddressFile(b, {{"Jones", "Mary"}});
    ScriptedDialogs dialogs;
    AddressFile file(dialogs, home.settings());
    ASSERT_TRUE(file.openBRWDBF(a));
    ASSERT_TRUE(file.openBRWDBF(b));
    ASSERT_TRUE(file.openBRWDBF(a));
    EXPECT_EQ(file.mruList(), (QStringList{a, b}));
    // Files made on Windows are found whatever the letter case of the name.
    const QString lower = home.data(QStringLiteral("a.dbf"));
    ASSERT_TRUE(file.openBRWDBF(lower));
    EXPECT_EQ(file.mruList(), (QStringList{lower, a, b}));
    EXPECT_EQ(file.databasePath(), home.path(QStringLiteral("DATA/")));
}

TEST(SortOrder, NamesTagsAndStatus) {
    ASSERT_EQ(sortOrders().size(), 14u);
    EXPECT_EQ(tagForSortName("e-mail"), QStringLiteral("EMAIL"));
    EXPECT_EQ(tagForSortName("ORGANIZATION"), QStringLiteral("ORG"));
    EXPECT_TRUE(tagForSortName("Middle").isEmpty());

    ProgramHome home;
    const QString path = home.data(QStringLiteral("A.DBF"));
    makeAddressFile(path, {{"Baker", "Bob", "Zurich"},
                           {"Adams", "Ann", "Boston"},
                           {"Aaron", "Hidden", "Albany", true},
                           {"Cole", "Cy", "Austin"}});
    ScriptedDialogs dialogs;
    AddressFile file(dialogs, home.settings());
    ASSERT_TRUE(file.openBRWDBF(path));
    // Records with ISDEL true are never shown.
    EXPECT_EQ(file.field("LNAME"), QStringLiteral("Adams"));
    EXPECT_TRUE(file.setOrderTo(QStringLiteral("city")));
    EXPECT_EQ(file.currentTag(), QStringLiteral("CITY"));
    EXPECT_EQ(file.sortStatus(), QStringLiteral("Sorted by city"));
    file.first();
    QStringList cities;
    do cities << file.field("CITY");
    while (file.next());
    EXPECT_EQ(cities, (QStringList{"Austin", "Boston", "Zurich"}));
    EXPECT_EQ(dialogs.texts(ScriptedDialogs::Kind::Beep).size(), 1);  // moving past the last record beeps
    EXPECT_EQ(file.field("CITY"), QStringLiteral("Zurich"));

    EXPECT_FALSE(file.setOrderTo(QStringLiteral("Shoe size")));
    EXPECT_EQ(file.currentTag(), QStringLiteral("CITY"));
}

TEST(ComputedFields, NamesAndCityStateZip) {
    RecordNames r;
    r.fname = "John";
    r.middle = "Q";
    r.lname = "Smith";
    r.prefix = "Dr.";
    auto c = computeFields(r, "ABC", true, "m/d/yyyy");
    EXPECT_EQ(c.fullName, QStringLiteral("John Q Smith"));
    EXPECT_EQ(c.fullNameWithPrefix, QStringLiteral("Dr. John Q Smith"));
    r.middle.clear();
    c = computeFields(r, "ABC", true, "m/d/yyyy");
    EXPECT_EQ(c.fullName, QStringLiteral("John Smith"));
    EXPECT_EQ(c.fullNameWithPrefix, QStringLiteral("Dr. John Smith"));
    r.fname.clear();
    EXPECT_EQ(computeFields(r, "", true, "m/d/yyyy").fullName, QStringLiteral(" Smith"));

    r.city = "Springfield";
    r.state = "IL";
    r.zip = "62701";
    EXPECT_EQ(computeFields(r, "", true, "m/d/yyyy").cityStateZip, QStringLiteral("Springfield IL 62701"));
    r.city.clear();
    EXPECT_EQ(computeFields(r, "", true, "m/d/yyyy").cityStateZip, QStringLiteral("IL 62701"));

    r.fname = QString(30, QLatin1Char('F'));
    r.lname = QString(30, QLatin1Char('L'));
    EXPECT_EQ(computeFields(r, "", true, "m/d/yyyy").fullName.size(), 35);

    // Switched off, only the date and the tag are worked out.
    r.date = "19990704";
    r.tag = "ABC";
    c = computeFields(r, "ABC", false, "m/d/yyyy");
    EXPECT_TRUE(c.fullName.isEmpty());
    EXPECT_TRUE(c.cityStateZip.isEmpty());
    EXPECT_EQ(c.displayDate, QStringLiteral("7/4/1999"));
    EXPECT_TRUE(c.tagged);
    EXPECT_FALSE(computeFields(r, "ABD", false, "m/d/yyyy").tagged);
    r.date = "1999";
    EXPECT_TRUE(computeFields(r, "ABC", false, "m/d/yyyy").displayDate.isEmpty());
    // An empty identifier never tags a record with an empty TAG.
    r.tag.clear();
    EXPECT_FALSE(computeFields(r, "", false, "m/d/yyyy").tagged);
}

TEST(NewDatabase, SuggestionSkipsExistingFilesInAnyCase) {
    ProgramHome home;
    const QString data = home.path(QStringLiteral("DATA"));
    EXPECT_EQ(suggestDatabaseName(data), QStringLiteral("ADD0001"));
    for (const char* n : {"ADD0001.DBF", "add0002.dbf", "ADD0003.DBF"}) QFile(data + "/" + n).open(QIODevice::WriteOnly);
    EXPECT_EQ(suggestDatabaseName(data), QStringLiteral("ADD0004"));

    EXPECT_TRUE(isValidDatabaseName("ADD0004"));
    EXPECT_TRUE(isValidDatabaseName("_x9"));
    EXPECT_TRUE(isValidDatabaseName("abc_DEF"));
    EXPECT_FALSE(isValidDatabaseName(""));
    EXPECT_FALSE(isValidDatabaseName("9abc"));
    EXPECT_FALSE(isValidDatabaseName("ab-c"));
    EXPECT_FALSE(isValidDatabaseName("ab c"));
    EXPECT_FALSE(isValidDatabaseName(QStringLiteral("\u00e9t\u00e9")));
}

TEST(NewDatabase, ExistingNameRefusedNewFileCreatedAndOpened) {
    ProgramHome home;
    const QString data = home.path(QStringLiteral("DATA/"));
    makeAddressFile(data + "ADD0001.DBF", {});
    ScriptedDialogs dialogs;
    AddressFile file(dialogs, home.settings());
    EXPECT_FALSE(file.createAndOpen(data, "add0001", FieldLengths::defaults()));
    EXPECT_EQ(dialogs.infos(), QStringList{"That file already exists.Please select another name"});

    FieldLengths lengths = FieldLengths::defaults();
    lengths.widths["LNAME"] = 50;
    ASSERT_TRUE(file.createAndOpen(data, "MINE", lengths));
    EXPECT_EQ(file.currentFilePath(), data + "MINE.DBF");
    EXPECT_EQ(file.fieldWidth("LNAME"), 50);
    EXPECT_TRUE(file.indexValid());
    EXPECT_EQ(file.mruList().first(), data + "MINE.DBF");
}

TEST(HelpLinks, GettingStartedLinksNameTheirTopics) {
    EXPECT_EQ(gettingStartedTopic("NEW"), 1037);
    EXPECT_EQ(gettingStartedTopic("dbase"), 1021);
    EXPECT_EQ(gettingStartedTopic("#Change"), 1030);
    EXPECT_EQ(gettingStartedTopic("TECHNICAL%20SUPPORT"), 1015);
    EXPECT_EQ(gettingStartedTopic("Frequently Asked Questions"), 2098);
    EXPECT_EQ(gettingStartedTopic("delete"), 2099);
    EXPECT_EQ(gettingStartedTopic("elsewhere"), 0);
}

TEST(ConfigurationReport, NamesVersionFileAndSettings) {
    ProgramHome home;
    const QString path = home.data(QStringLiteral("A.DBF"));
    makeAddressFile(path, {{"Smith", "John"}, {"Jones", "Mary"}});
    ScriptedDialogs dialogs;
    AddressFile file(dialogs, home.settings());
    ASSERT_TRUE(file.openBRWDBF(path));
    const QString report = configurationReport(&file, 2);
    EXPECT_TRUE(report.contains("[Product]\r\nProgram:     \tBrindle\r\nVersion:     \t2.8e\r\n"));
    EXPECT_TRUE(report.contains(path));
    EXPECT_TRUE(report.contains("Records:     \t2"));
    EXPECT_TRUE(report.contains("[" + home.settings() + "]"));
    EXPECT_TRUE(report.endsWith("Aggr. Save:  \t2"));
}
