#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "common/ScriptedDialogs.h"
#include "common/SystemTables.h"

using namespace brindle::common;
using brindle::store::OpenMode;
using brindle::store::Table;

namespace {

class SystemTablesTest : public ::testing::Test {
protected:
    void SetUp() override {
        hadHome_ = qEnvironmentVariableIsSet("BRINDLE_HOME");
        saved_ = qgetenv("BRINDLE_HOME");
        qputenv("BRINDLE_HOME", dir.path().toUtf8());
        sysdata = dir.path() + "/sysdata/";
        QDir().mkpath(sysdata);
    }
    void TearDown() override {
        QFile::setPermissions(sysdata, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        if (hadHome_) qputenv("BRINDLE_HOME", saved_);
        else qunsetenv("BRINDLE_HOME");
    }
    std::string path(const char* name) const { return (sysdata + name).toStdString(); }
    bool exists(const char* name) const { return QFileInfo::exists(sysdata + name); }

    QTemporaryDir dir;
    QString sysdata;
    ScriptedDialogs dialogs;
    QByteArray saved_;
    bool hadHome_ = false;
};

void expectFields(const Table& t, const std::vector<brindle::store::FieldDef>& want) {
    const auto got = t.fieldDefs();
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) {
        EXPECT_EQ(got[i].name, want[i].name);
        EXPECT_EQ(got[i].type, want[i].type) << want[i].name;
        EXPECT_EQ(got[i].width, want[i].width) << want[i].name;
        EXPECT_EQ(got[i].decimals, want[i].decimals) << want[i].name;
    }
}

TEST_F(SystemTablesTest, MissingDefinitionTablesAreCreatedWithTheirTag) {
    const std::pair<std::unique_ptr<Table> (*)(UserDialogs&), SystemTable> openers[] = {
        {openLetterTable, SystemTable::Letter},
        {openReportTable, SystemTable::Report},
        {openEnvelopeTable, SystemTable::Envelope},
        {openLabelTable, SystemTable::Label}};
    for (const auto& [open, which] : openers) {
        auto t = open(dialogs);
        ASSERT_TRUE(t) << systemTableFileName(which).toStdString();
        expectFields(*t, systemTableFields(which));
        ASSERT_EQ(t->tags().size(), 1u);
        EXPECT_EQ(t->tags()[0].name, "DESCRIPT");
        EXPECT_EQ(t->tags()[0].expression, "UPPER(descript)");
        EXPECT_EQ(t->order(), 1);
    }
    EXPECT_TRUE(dialogs.shown.isEmpty());
    for (const char* f : {"LETTER.DBF", "LETTER.CDX", "LETTER.FPT", "REPORT.DBF", "REPORT.CDX", "ENVELOPE.DBF",
                          "ENVELOPE.CDX", "LABEL.DBF", "LABEL.CDX"})
        EXPECT_TRUE(exists(f)) << f;

    // Exact field lists of two of them.
    const auto& letter = systemTableFields(SystemTable::Letter);
    ASSERT_EQ(letter.size(), 2u);
    EXPECT_EQ(letter[1].name, "RTF");
    EXPECT_EQ(letter[1].type, 'M');
    const auto& label = systemTableFields(SystemTable::Label);
    ASSERT_EQ(label.size(), 22u);
    EXPECT_EQ(label[20].name, "DELETED");
    EXPECT_EQ(label[20].type, 'L');
    EXPECT_EQ(label.back().name, "BINARY");

    // Two windows may hold the same table at once; what one adds the other keeps.
    auto first = openLabelTable(dialogs);
    auto second = openLabelTable(dialogs);
    ASSERT_TRUE(first && second);
    first->append();
    first->setString("DESCRIPT", "Avery 5160");
    first->post();
    first.reset();
    second.reset();
    auto again = openLabelTable(dialogs);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->recordCount(), 1u);
    EXPECT_TRUE(dialogs.shown.isEmpty());
}

TEST_F(SystemTablesTest, SuppliedTablesAreNeverCreated) {
    EXPECT_FALSE(openStockTable(dialogs));
    EXPECT_FALSE(openCszTable(dialogs));
    EXPECT_EQ(dialogs.infos(), (QStringList{"Unable to Open LBLTPL.DBF", "Unable to Open or Create CSZ.DBF"}));
    EXPECT_EQ(dialogs.shown[0].caption, "Information");
    EXPECT_FALSE(exists("LBLTPL.DBF"));
    EXPECT_FALSE(exists("CSZ.DBF"));
}

TEST_F(SystemTablesTest, SuppliedTableWithoutIndexGetsItsTagAndFoundIgnoringCase) {
    Table::create(path("csz.dbf"), systemTableFields(SystemTable::Csz));
    auto csz = openCszTable(dialogs);
    ASSERT_TRUE(csz);
    ASSERT_EQ(csz->tags().size(), 1u);
    EXPECT_EQ(csz->tags()[0].name, "STATE");
    EXPECT_EQ(csz->tags()[0].expression, "UPPER(state)");
    EXPECT_TRUE(dialogs.shown.isEmpty());
}

TEST_F(SystemTablesTest, ReadOnlyCatalogueOpensInRecordOrder) {
    Table::create(path("LBLTPL.DBF"), systemTableFields(SystemTable::Stock));
    QFile::setPermissions(sysdata + "LBLTPL.DBF", QFileDevice::ReadOwner);
    QFile::setPermissions(sysdata, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    if (QFileInfo(sysdata).isWritable()) GTEST_SKIP() << "running with rights that ignore permissions";
    auto stock = openStockTable(dialogs);
    ASSERT_TRUE(stock);
    EXPECT_EQ(stock->order(), 0);
    EXPECT_TRUE(dialogs.shown.isEmpty());
}

TEST_F(SystemTablesTest, ExistingIndexIsNotExamined) {
    {
        Table::create(path("REPORT.DBF"), systemTableFields(SystemTable::Report));
        auto t = Table::open(path("REPORT.DBF"));
        t->indexTag("LAYOUT", "UPPER(layout)");
    }
    auto report = openReportTable(dialogs);
    ASSERT_TRUE(report);
    ASSERT_EQ(report->tags().size(), 1u);
    EXPECT_EQ(report->tags()[0].name, "LAYOUT");
}

TEST_F(SystemTablesTest, FailuresShowTheMessageAndDestroyNothing) {
    // A damaged table is reported, not replaced by an empty one.
    {
        QFile f(sysdata + "LABEL.DBF");
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("definitely not a table");
    }
    EXPECT_FALSE(openLabelTable(dialogs));
    QFile f(sysdata + "LABEL.DBF");
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("definitely not a table"));

    // A table held exclusively elsewhere is reported too.
    Table::create(path("ENVELOPE.DBF"), systemTableFields(SystemTable::Envelope));
    auto holder = Table::open(path("ENVELOPE.DBF"), OpenMode::Exclusive);
    EXPECT_FALSE(openEnvelopeTable(dialogs));
    holder.reset();

    // No sysdata folder to create the table in.
    QDir(sysdata).removeRecursively();
    QFile file(dir.path() + "/sysdata");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    EXPECT_FALSE(openLetterTable(dialogs));
    EXPECT_EQ(dialogs.infos(), (QStringList{"Unable to Open or Create LABEL.DBF", "Unable to Open or Create ENVELOPE.DBF",
                                            "Unable to Open or Create LETTER.DBF"}));
}

TEST_F(SystemTablesTest, ReindexOrder) {
    const auto& order = systemReindexOrder();
    QStringList files, activities;
    for (const auto& s : order) {
        files << s.file;
        activities << s.activity;
    }
    EXPECT_EQ(files, (QStringList{"LETTER.DBF", "LABEL.DBF", "CSZ.DBF", "LBLTPL.DBF", "ENVELOPE.DBF", "REPORT.DBF"}));
    EXPECT_EQ(activities, (QStringList{"Rebuilding Letters File indexes", "Rebuilding Label File indexes",
                                       "Rebuilding State/Province File indexes", "Rebuilding Label Setup File indexes",
                                       "Rebuilding Envelope File indexes", "Rebuilding Report File indexes"}));
    EXPECT_EQ(order[2].tag, "STATE");
    EXPECT_EQ(order[2].expression, "UPPER(STATE)");
    EXPECT_EQ(order[5].expression, "UPPER(descript)");
}

}  // namespace

TEST_F(SystemTablesTest, TwoWindowsHoldAndChangeOneTableTogether) {
    auto first = openLetterTable(dialogs);
    auto second = openLetterTable(dialogs);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->mode(), OpenMode::Shared);
    for (int i = 0; i < 3; ++i) {
        for (Table* t : {first.get(), second.get()}) {
            t->append();
            t->setString("DESCRIPT", (t == first.get() ? "First " : "Second ") + std::to_string(i));
            t->setMemo("RTF", std::string(100 + i, t == first.get() ? 'f' : 's'));
            t->post();
        }
    }
    // Each sees the other's records through the shared index.
    second->setOrder(second->tagArea("DESCRIPT"));
    EXPECT_TRUE(first->seek("SECOND 2"));
    EXPECT_EQ(first->getMemo("RTF"), std::string(102, 's'));
    EXPECT_TRUE(second->seek("FIRST 1"));
    EXPECT_EQ(second->getMemo("RTF"), std::string(101, 'f'));
    first.reset();
    second.reset();
    auto t = Table::open(path("LETTER.DBF"), OpenMode::Exclusive);
    EXPECT_EQ(t->recordCount(), 6u);
    EXPECT_TRUE(t->check().empty());
}
