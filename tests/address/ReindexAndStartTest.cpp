// Rebuilding indexes, the new-file field lengths and the start-up work.
#include <gtest/gtest.h>

#include <QFile>

#include "AddressTestSupport.h"
#include "address/AddressFile.h"
#include "address/AddressReindex.h"
#include "address/FieldLengthSettings.h"
#include "address/Preferences.h"
#include "address/StartUp.h"
#include "common/ProfileFile.h"
#include "common/ScriptedDialogs.h"
#include "common/SystemTables.h"

using namespace brindle;
using namespace brindle::address;
using brindle::common::ScriptedDialogs;
using brindle::addrtest::makeAddressFile;
using brindle::addrtest::ProgramHome;

TEST(ReindexProgress, BarIsFullBeforeTheLastTag) {
    TagProgressAccumulator acc;
    int fullAtTag = 0;
    for (int tag = 1; tag <= 26; ++tag) {
        for (int pct : {0, 40, 100}) acc.report(pct);
        if (acc.bar() == 100 && fullAtTag == 0) fullAtTag = tag;
    }
    EXPECT_EQ(fullAtTag, 21);  // 2100 of 2600
    EXPECT_EQ(acc.total(), 2600);
    EXPECT_EQ(acc.bar(), 100);

    // A new tag that starts from a lower report adds nothing for it.
    acc.reset();
    acc.report(50);
    acc.report(20);
    acc.report(30);
    EXPECT_EQ(acc.total(), 60);
    EXPECT_EQ(acc.bar(), 3);  // 60 * 100 / 2100 = 2.86, rounded

    // One report for the whole build is spread over the tags.
    TagProgressAccumulator whole;
    OverallToTagReports split(26, [&](int p) { whole.report(p); });
    split.report(0);
    split.report(50);
    EXPECT_EQ(whole.total(), 1300);
    split.report(100);
    EXPECT_EQ(whole.total(), 2600);
}

TEST(ReindexAddressFile, PackRemovesFlaggedRecordsAndRebuildsAllTags) {
    ProgramHome home;
    const QString path = home.data(QStringLiteral("ADD0001.DBF"));
    makeAddressFile(path, {{"Zed", "Z"}, {"Adams", "A"}, {"Baker", "B"}, {"Cole", "C"}, {"Dunn", "D"},
                           {"Aaron", "Kept", "", true}});
    {
        // Deleted in the main window: the engine's flag plus ISDEL.
        auto t = store::Table::open(path.toStdString());
        for (std::uint32_t r : {2u, 4u, 5u}) {
            t->go(r);
            t->deleteRecord();
            t->edit();
            t->setLogical("ISDEL", true);
            t->post();
        }
    }
    ScriptedDialogs dialogs;
    AddressFile file(dialogs, home.settings());
    ASSERT_TRUE(file.openBRWDBF(path));
    file.setOrderTo(QStringLiteral("First Name"));
    file.last();

    QList<int> bars;
    QStringList activities;
    file.rebuildIndexes([&](int bar, const QString& activity) {
        bars << bar;
        if (activities.isEmpty() || activities.last() != activity) activities << activity;
    });
    file.afterRebuild();

    const store::Table& t = *file.table();
    EXPECT_EQ(t.recordCount(), 3u);  // Zed, Baker and the record only marked ISDEL
    EXPECT_EQ(t.tags().size(), 26u);
    EXPECT_TRUE(dialogs.infos().isEmpty());
    EXPECT_EQ(activities, (QStringList{"Cleaning out old deleted records", "Rebuilding indexes"}));
    EXPECT_EQ(bars.last(), 100);
    // The order is kept and the first record of the order and filter is current.
    EXPECT_EQ(file.sortStatus(), QStringLiteral("Sorted by First Name"));
    EXPECT_EQ(file.field("FNAME"), QStringLiteral("B"));
}

TEST(ReindexAddressFile, RemovedIndexFileIsMadeAgainAndOpeningAsksNothing) {
    ProgramHome home;
    const QString path = home.data(QStringLiteral("ADD0001.DBF"));
    makeAddressFile(path, {{"Smith", "John"}});
    {
        auto t = store::Table::open(path.toStdString());
        rebuildAddressFile(*t, *std::make_unique<ScriptedDialogs>());
    }
    addrtest::removeIndex(path);
    {
        ScriptedDialogs dialogs;
        auto t = store::Table::open(path.toStdString());
        rebuildAddressFile(*t, dialogs);
        EXPECT_EQ(t->tags().size(), 26u);
        EXPECT_TRUE(t->check().empty());
    }
    // A garbled index file is replaced too.
    {
        QString cdx = path;
        cdx.chop(4);
        QFile f(cdx + ".CDX");
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(QByteArray(1024, '\x5a'));
    }
    {
        ScriptedDialogs dialogs;
        auto t = store::Table::open(path.toStdString());
        rebuildAddressFile(*t, dialogs);
        EXPECT_EQ(t->tags().size(), 26u);
    }
    ScriptedDialogs dialogs;
    AddressFile file(dialogs, home.settings());
    ASSERT_TRUE(file.openBRWDBF(path));
    EXPECT_TRUE(dialogs.shown.isEmpty());
    EXPECT_TRUE(file.indexValid());
}

TEST(ReindexAddressFile, FileWhoseTagsAreStillIncompleteIsClosed) {
    ProgramHome home;
    const QString path = home.data(QStringLiteral("ADD0001.DBF"));
    makeAddressFile(path, {{"Smith", "John"}});
    ScriptedDialogs dialogs;
    AddressFile file(dialogs, home.settings());
    ASSERT_TRUE(file.openBRWDBF(path));
    // A rebuild that did not make all the tags.
    file.table()->deleteIndexFile();
    file.table()->indexTag("NAME", "UPPER(LNAME-FNAME)");
    file.afterRebuild();
    EXPECT_FALSE(file.isOpen());
    EXPECT_FALSE(file.hasRecord());
    EXPECT_TRUE(file.sortStatus().isEmpty());
}

namespace {

void makeSystemTables(const ProgramHome& home, std::initializer_list<common::SystemTable> which) {
    for (auto w : which) {
        const std::string path = (home.path("sysdata/") + common::systemTableFileName(w)).toStdString();
        store::Table::create(path, common::systemTableFields(w));
        auto t = store::Table::open(path);
        const auto tag = common::systemTableTag(w);
        t->indexTag(tag.name, tag.expression);
        for (int i = 0; i < 3; ++i) {
            t->append();
            t->post();
        }
        t->go(2);
        t->deleteRecord();
    }
}

}  // namespace

TEST(ReindexSystemTables, MissingTableSkippedSilentlyDamagedIndexRebuilt) {
    using common::SystemTable;
    ProgramHome home;
    makeSystemTables(home, {SystemTable::Letter, SystemTable::Report, SystemTable::Envelope, SystemTable::Label,
                            SystemTable::Stock});  // no CSZ.DBF
    {
        QFile f(home.path("sysdata/LETTER.CDX"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(QByteArray(700, '\x11'));
    }
    ScriptedDialogs dialogs;
    QStringList activities;
    const int rebuilt = rebuildSystemTables(home.path("sysdata"), dialogs, [&](int, const QString& a) {
        if (!a.isEmpty() && (activities.isEmpty() || activities.last() != a)) activities << a;
    });
    EXPECT_EQ(rebuilt, 5);
    EXPECT_TRUE(dialogs.shown.isEmpty());
    EXPECT_EQ(activities.size(), 6);
    EXPECT_EQ(activities.first(), QStringLiteral("Rebuilding Letters File indexes"));
    EXPECT_FALSE(QFile::exists(home.path("sysdata/CSZ.DBF")));

    for (const char* name : {"LETTER.DBF", "LABEL.DBF", "REPORT.DBF"}) {
        auto t = store::Table::open((home.path("sysdata/") + name).toStdString());
        EXPECT_TRUE(t->info().indexProblem.empty()) << name;
        EXPECT_GT(t->tagArea("DESCRIPT"), 0) << name;
        EXPECT_EQ(t->recordCount(), 2u) << name;
        EXPECT_TRUE(t->check().empty()) << name;
    }
}

TEST(FieldLengths, ReadClampedSavedAndBuiltInDefaults) {
    ProgramHome home;
    common::ProfileFile settings(home.settings());
    FieldLengths l = loadFieldLengths(settings);
    EXPECT_EQ(l.of("FAX"), 40);
    EXPECT_EQ(l.of("LNAME"), 30);
    EXPECT_EQ(builtInFieldLengths().of("FAX"), 30);
    EXPECT_EQ(builtInFieldLengths().of("EMAIL"), 40);

    settings.writeString("NewFileFieldLengths", "FieldCITY", "4");
    EXPECT_EQ(loadFieldLengths(settings).of("CITY"), 30);
    settings.writeString("NewFileFieldLengths", "FieldCITY", "81");
    EXPECT_EQ(loadFieldLengths(settings).of("CITY"), 30);
    settings.writeString("NewFileFieldLengths", "FieldCITY", "0x20");
    EXPECT_EQ(loadFieldLengths(settings).of("CITY"), 32);
    settings.writeString("NewFileFieldLengths", "FieldCITY", "5");
    EXPECT_EQ(loadFieldLengths(settings).of("CITY"), 5);

    l.widths["ZIP"] = 200;
    l.widths["FAX"] = 2;
    l.widths["STATE"] = 80;
    saveFieldLengths(settings, l);
    EXPECT_EQ(settings.readInt("NewFileFieldLengths", "FieldZIP", 0), 10);
    EXPECT_EQ(settings.readInt("NewFileFieldLengths", "FieldFAX", 0), 40);
    EXPECT_EQ(settings.readInt("NewFileFieldLengths", "FieldSTATE", 0), 80);
    EXPECT_EQ(settings.readInt("NewFileFieldLengths", "FieldUSER2", 0), 40);

    // The window's own range is 10 to 80.
    EXPECT_EQ(acceptedFieldLength("10", 33), 10);
    EXPECT_EQ(acceptedFieldLength("80", 33), 80);
    EXPECT_EQ(acceptedFieldLength("9", 33), 33);
    EXPECT_EQ(acceptedFieldLength("81", 33), 33);
    EXPECT_EQ(acceptedFieldLength("2x", 33), 33);
    EXPECT_EQ(acceptedFieldLength("", 33), 33);
}

TEST(Preferences, EveryKeyWrittenAndReadBack) {
    ProgramHome home;
    common::ProfileFile settings(home.settings());
    Preferences p = Preferences::load(settings);
    EXPECT_EQ(p.aggressiveSave, 1);
    EXPECT_EQ(p.flags.size(), 3u + 7u + 18u);
    p.flags["CarryZip"] = true;
    p.flags["Skipcomments2"] = true;
    p.defaultCountry = QString(40, QLatin1Char('U'));
    p.aggressiveSave = 2;
    p.save(settings);
    EXPECT_EQ(settings.readString("Adding", "CarryZip"), QStringLiteral("1"));
    EXPECT_EQ(settings.readString("Adding", "PlugDate"), QStringLiteral("0"));
    const Preferences back = Preferences::load(settings);
    EXPECT_TRUE(back.flag("carryzip"));
    EXPECT_TRUE(back.flag("Skipcomments2"));
    EXPECT_FALSE(back.flag("SkipDate"));
    EXPECT_EQ(back.defaultCountry.size(), 30);
    EXPECT_EQ(back.aggressiveSave, 2);
}

TEST(StartUp, FreshProgramFolderCreatesTheDefaultFile) {
    ProgramHome home(false);  // not even DATA/
    common::ProfileFile settings(home.settings());
    settings.writeInt("NewFileFieldLengths", "FieldLNAME", 50);

    const QString id = loadGlobalTagId(home.settings());
    EXPECT_FALSE(id.isEmpty());
    EXPECT_LE(id.size(), 8);
    EXPECT_EQ(settings.readString("Misc", "GlobalTagId"), id);
    EXPECT_EQ(loadGlobalTagId(home.settings()), id);  // kept once stored

    ScriptedDialogs dialogs;
    AddressFile file(dialogs, home.settings());
    ASSERT_TRUE(openStartFile(file, home.path("DATA/")));
    EXPECT_TRUE(dialogs.shown.isEmpty());
    EXPECT_EQ(file.currentFilePath(), home.data("add0001.DBF"));
    EXPECT_EQ(file.table()->tags().size(), 26u);
    EXPECT_EQ(file.fieldWidth("LNAME"), 50);
    EXPECT_EQ(file.fieldWidth("FAX"), 40);
    EXPECT_EQ(file.mruList(), QStringList{home.data("add0001.DBF")});
}

TEST(StartUp, FirstMruEntryThatFailsLeavesNoFileOpen) {
    ProgramHome home;
    common::ProfileFile settings(home.settings());
    settings.writeString("MRU", "Item1", home.data("GONE.DBF"));
    ScriptedDialogs dialogs;
    AddressFile file(dialogs, home.settings());
    EXPECT_FALSE(openStartFile(file, home.path("DATA/")));
    EXPECT_EQ(dialogs.infos().size(), 2);
    EXPECT_FALSE(file.isOpen());
    EXPECT_FALSE(QFile::exists(home.data("add0001.DBF")));  // the default is not tried instead
}

TEST(ReindexAddressFile, UnreadableMemosAreClearedOnlyWithTheUsersYes) {
    ProgramHome home;
    const QString path = home.data(QStringLiteral("ADD0001.DBF"));
    makeAddressFile(path, {{"Smith", "John"}, {"Jones", "Ann"}});
    std::size_t at = 0;
    {
        auto t = store::Table::open(path.toStdString());
        ASSERT_TRUE(t->go(2));
        t->edit();
        t->setMemo("MEMO", "call back in May");
        t->post();
        const auto& memo = t->schema().fields[static_cast<std::size_t>(t->fieldIndex("MEMO"))];
        at = static_cast<std::size_t>(t->info().headerLength + t->info().recordLength) + static_cast<std::size_t>(memo.offset);
    }
    {
        // Record 2's memo now points past the end of the memo file.
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        f.seek(static_cast<qint64>(at));
        f.write("    999999");
    }
    QString cdx = path;
    cdx.chop(4);
    cdx += QStringLiteral(".CDX");
    auto bytesOf = [](const QString& p) {
        QFile f(p);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    const QByteArray table = bytesOf(path), index = bytesOf(cdx);
    {
        ScriptedDialogs dialogs;
        dialogs.answers.enqueue(false);
        auto t = store::Table::open(path.toStdString());
        rebuildAddressFile(*t, dialogs);
        ASSERT_GE(dialogs.shown.size(), 2);
        EXPECT_EQ(dialogs.shown[0].caption, QStringLiteral("REINDEX"));
        EXPECT_TRUE(dialogs.shown[0].text.contains(QStringLiteral("Record 2")));
        EXPECT_EQ(dialogs.shown[1].text, QStringLiteral("Nothing was changed."));
        EXPECT_EQ(t->tags().size(), 26u);
    }
    EXPECT_EQ(bytesOf(path), table);
    EXPECT_EQ(bytesOf(cdx), index);
    ScriptedDialogs dialogs;
    dialogs.answers.enqueue(true);
    auto t = store::Table::open(path.toStdString());
    rebuildAddressFile(*t, dialogs);
    EXPECT_TRUE(dialogs.shown.last().text.contains(QStringLiteral("cleared in 1 record")));
    EXPECT_TRUE(t->check().empty());
    ASSERT_TRUE(t->go(2));
    EXPECT_EQ(t->getString("LNAME"), "Jones");
    EXPECT_EQ(t->getMemo("MEMO"), "");
}
