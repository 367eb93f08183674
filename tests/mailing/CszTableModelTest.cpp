// The editable grid of the state file: what it stores and what it refuses.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "common/ScriptedDialogs.h"
#include "common/SystemTables.h"
#include "mailing/CszTableModel.h"
#include "mailing/StateZipCheck.h"
#include "store/Table.h"

using namespace brindle;
using mailing::CszTableModel;

namespace {

// A small state file in its shipped layout, with its STATE tag.
std::unique_ptr<store::Table> makeStateFile(const QTemporaryDir& dir) {
    const std::string path = dir.filePath(QStringLiteral("CSZ.DBF")).toStdString();
    store::Table::create(path, common::systemTableFields(common::SystemTable::Csz));
    auto t = store::Table::open(path);
    for (const auto& [name, state, low, high] :
         std::vector<std::array<const char*, 4>>{{"New York", "NY", "10000", "14999-9999"},
                                                 {"Alabama", "AL", "35000", "36999-9999"}}) {
        t->append();
        t->setString("NAME", name);
        t->setString("STATE", state);
        t->setString("LOW_ZIP", low);
        t->setString("HIGH_ZIP", high);
        t->post();
    }
    const store::TagDef tag = common::systemTableTag(common::SystemTable::Csz);
    t->indexTag(tag.name, tag.expression);
    return t;
}

void type(CszTableModel& m, int row, std::array<QString, 4> values) {
    for (int c = 0; c < 4; ++c) ASSERT_TRUE(m.setData(m.index(row, c), values[static_cast<std::size_t>(c)], Qt::EditRole));
}

}  // namespace

TEST(CszTableModel, AddsEditsAndDeletesRowsInStateOrder) {
    QTemporaryDir dir;
    auto t = makeStateFile(dir);
    common::ScriptedDialogs dialogs;
    CszTableModel m(*t, dialogs);
    ASSERT_EQ(m.rowCount(), 2);
    EXPECT_EQ(m.data(m.index(0, 1), Qt::DisplayRole).toString(), QStringLiteral("AL"));
    EXPECT_EQ(m.headerData(3, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("Ending Zip/Post"));

    // A second range for New York, typed in lower case: its key is "NY".
    const int row = m.add();
    ASSERT_EQ(row, 2);
    type(m, row, {QStringLiteral("Québec"), QStringLiteral("ny"), QStringLiteral("00500"), QStringLiteral("00599")});
    ASSERT_TRUE(m.save());
    EXPECT_FALSE(m.hasPendingEdit());
    ASSERT_EQ(m.rowCount(), 3);
    const auto ranges = mailing::StateZipRanges::fromTable(*t);
    EXPECT_TRUE(ranges.valid("NY", "00501"));
    EXPECT_TRUE(ranges.valid("NY", "12000"));
    // In STATE order: AL, then both NY rows.
    EXPECT_EQ(m.data(m.index(2, 0), Qt::DisplayRole).toString(), QStringLiteral("Québec"));

    // Undo puts a changed row back; moving to another row saves it.
    type(m, 0, {QStringLiteral("Alabama"), QStringLiteral("AL"), QStringLiteral("35000"), QStringLiteral("35999")});
    ASSERT_TRUE(m.undo());
    EXPECT_EQ(m.data(m.index(0, 3), Qt::DisplayRole).toString(), QStringLiteral("36999-9999"));
    ASSERT_TRUE(m.setData(m.index(0, 3), QStringLiteral("35999"), Qt::EditRole));
    ASSERT_TRUE(m.leaveRow(2));
    t->go(2);
    EXPECT_EQ(t->getString("HIGH_ZIP"), "35999") << "Alabama is record 2";

    // Delete asks first; No keeps the row.
    dialogs.answers.enqueue(false);
    EXPECT_FALSE(m.deleteRow(0));
    dialogs.answers.enqueue(true);
    EXPECT_TRUE(m.deleteRow(0));
    EXPECT_EQ(m.rowCount(), 2);
    EXPECT_EQ(dialogs.texts(common::ScriptedDialogs::Kind::YesNo),
              (QStringList{QStringLiteral("Delete record?"), QStringLiteral("Delete record?")}));
}

TEST(CszTableModel, RefusesRowsTheCheckCouldNotUse) {
    QTemporaryDir dir;
    auto t = makeStateFile(dir);
    common::ScriptedDialogs dialogs;
    CszTableModel m(*t, dialogs);
    const QByteArray before = [&] {
        QFile f(dir.filePath(QStringLiteral("CSZ.DBF")));
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    struct Case {
        std::array<QString, 4> row;
        const char* message;
    };
    for (const Case& c : std::vector<Case>{
             {{QStringLiteral("Nowhere"), QString(), QStringLiteral("1"), QStringLiteral("2")},
              "Please enter the abbreviation of the state or province."},
             {{QStringLiteral("Texas"), QStringLiteral("TX"), QStringLiteral("79999"), QStringLiteral("75000")},
              "The starting Zip/Post code 79999 sorts after the ending code 75000. Please correct the range."},
             {{QStringLiteral("Texas"), QStringLiteral("TEXAS"), QStringLiteral("75000"), QStringLiteral("79999")},
              "Abbreviation may hold at most 4 characters."},
             {{QStringLiteral("Wałęsa"), QStringLiteral("PL"), QStringLiteral("00001"), QStringLiteral("99999")},
              "\"ł\" in State or Province cannot be stored in the state file. Please type it without that character."},
         }) {
        const int row = m.add();
        ASSERT_GE(row, 0);
        type(m, row, c.row);
        EXPECT_FALSE(m.save()) << c.message;
        EXPECT_TRUE(m.hasPendingEdit());
        EXPECT_EQ(dialogs.infos().last(), QString::fromUtf8(c.message));
        // Stop Editing asks; No drops the row.
        dialogs.answers.enqueue(false);
        EXPECT_TRUE(m.stopEditing());
        EXPECT_EQ(m.rowCount(), 2);
    }
    // Nothing was written.
    QFile f(dir.filePath(QStringLiteral("CSZ.DBF")));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), before);
    EXPECT_EQ(t->recordCount(), 2u);
}
