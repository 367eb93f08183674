// The envelope setups of ENVELOPE.DBF: rows another xBase program wrote, the
// fallback, unknown sizes, Delete and Clone with their design files, and a
// setup stored only after its design.
#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include "EnvelopeTestSupport.h"
#include "address/AddressTestSupport.h"
#include "common/ScriptedDialogs.h"
#include "envelopes/EnvelopeSetupList.h"
#include "store/Table.h"

using namespace brindle;
using namespace brindle::envelopes;

namespace {

QByteArray bytesOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

struct EnvelopeTable {
    addrtest::ProgramHome home;
    common::ScriptedDialogs dialogs;
    std::unique_ptr<store::Table> table;
    std::unique_ptr<EnvelopeSetupList> list;
    QString sysdata = home.path(QStringLiteral("sysdata"));

    // Rows as python3-dbf writes them; the list opens them as the window does.
    explicit EnvelopeTable(const QString& rows) {
        if (!rows.isEmpty() && !envtest::writeEnvelopeTableWithPython(sysdata, rows)) return;
        table = EnvelopeSetupList::openEnvelopeTable(dialogs);
        if (table) list = std::make_unique<EnvelopeSetupList>(*table, sysdata, dialogs);
    }
    QString file(const QString& name) const { return sysdata + QLatin1Char('/') + name; }
    bool selectRow(const QString& description) {
        const auto r = list->findDescription(description);
        return r && list->select(*r);
    }
    QStringList descriptions() {
        QStringList out;
        for (const auto& r : list->rows()) out << r.description;
        return out;
    }
};

const QString kRows = QString::fromUtf8(
    "[(u'Wedding \u2013 M\u00fcller', 20, 'BIN00001.E'), ('Odd size', 99, 'BIN00002.E'),"
    " ('Shared A', 27, 'BIN00003.E'), ('shared B', 27, 'bin00003.e'), ('Escape', 20, '../outside.E')]");

}  // namespace

TEST(EnvelopeSetupList, RowsOfAnotherWriterInDescriptionOrderWithUnknownSizeFallingBack) {
    EnvelopeTable t(kRows);
    if (!t.list) GTEST_SKIP() << "python3-dbf is not available";
    EXPECT_EQ(t.descriptions(),
              (QStringList{"Escape", "Odd size", "Shared A", "shared B", QString::fromUtf8("Wedding – Müller")}));
    ASSERT_TRUE(t.selectRow(QString::fromUtf8("Wedding – Müller")));
    EXPECT_EQ(t.list->current(), (EnvelopeSetup{QString::fromUtf8("Wedding – Müller"), 20, QStringLiteral("BIN00001.E")}));
    EXPECT_DOUBLE_EQ(t.list->current().width(), 9.5);

    // A code outside the size table prints as #10 with a message; the row keeps its code.
    ASSERT_TRUE(t.selectRow(QStringLiteral("Odd size")));
    EnvelopeSetup odd = t.list->current();
    EXPECT_TRUE(useKnownSize(odd, t.dialogs));
    EXPECT_EQ(odd.number, 20);
    ASSERT_EQ(t.dialogs.infos().size(), 1);
    EXPECT_TRUE(t.dialogs.infos()[0].contains(QStringLiteral("99")));
    EXPECT_EQ(t.list->current().number, 99);
    EXPECT_FALSE(useKnownSize(odd, t.dialogs));
}

TEST(EnvelopeSetupList, EmptyTableFallsBackAndDisablesTheRowButtons) {
    EnvelopeTable t(QString{});
    ASSERT_TRUE(t.list);
    EXPECT_FALSE(t.list->hasRow());
    EXPECT_EQ(t.list->current(), fallbackEnvelopeSetup());
    const EnvelopeButtons b = t.list->buttons();
    EXPECT_FALSE(b.modify || b.clone || b.print || b.preview || b.remove || b.grid);
    EXPECT_TRUE(QFile::exists(t.file(QStringLiteral("ENVELOPE.DBF"))));  // created when missing
}

TEST(EnvelopeSetupList, DeleteRemovesADesignOnlyWhenNoOtherRowNamesIt) {
    EnvelopeTable t(kRows);
    if (!t.list) GTEST_SKIP() << "python3-dbf is not available";
    envtest::writeDesign(t.file(QStringLiteral("BIN00003.E")));
    envtest::writeDesign(t.home.path(QStringLiteral("outside.E")));

    ASSERT_TRUE(t.selectRow(QStringLiteral("Shared A")));
    t.dialogs.answers.enqueue(true);
    ASSERT_TRUE(t.list->deleteCurrent());
    EXPECT_EQ(t.dialogs.shown.back().caption, "DELETE");
    EXPECT_EQ(t.dialogs.shown.back().text, "Delete \"Shared A\"?");
    EXPECT_TRUE(QFile::exists(t.file(QStringLiteral("BIN00003.E"))));  // "shared B" still names it

    ASSERT_TRUE(t.selectRow(QStringLiteral("shared B")));
    t.dialogs.answers.enqueue(true);
    ASSERT_TRUE(t.list->deleteCurrent());
    EXPECT_FALSE(QFile::exists(t.file(QStringLiteral("BIN00003.E"))));

    // A stored path is never followed out of sysdata.
    ASSERT_TRUE(t.selectRow(QStringLiteral("Escape")));
    t.dialogs.answers.enqueue(true);
    ASSERT_TRUE(t.list->deleteCurrent());
    EXPECT_TRUE(QFile::exists(t.home.path(QStringLiteral("outside.E"))));

    ASSERT_TRUE(t.selectRow(QStringLiteral("Odd size")));
    t.dialogs.answers.enqueue(false);  // No: nothing happens
    EXPECT_FALSE(t.list->deleteCurrent());
    EXPECT_EQ(t.descriptions(), (QStringList{"Odd size", QString::fromUtf8("Wedding – Müller")}));
}

TEST(EnvelopeSetupList, CloneCopiesTheDesignUnderAFreeNameFirst) {
    EnvelopeTable t(kRows);
    if (!t.list) GTEST_SKIP() << "python3-dbf is not available";
    envtest::writeDesign(t.file(QStringLiteral("BIN00001.E")));
    QFile(t.file(QStringLiteral("bin00004.e"))).open(QIODevice::WriteOnly);  // taken by a file in another case

    ASSERT_TRUE(t.selectRow(QString::fromUtf8("Wedding – Müller")));
    t.dialogs.answers.enqueue(true);
    ASSERT_TRUE(t.list->cloneCurrent());
    EXPECT_EQ(t.dialogs.shown.back().caption, "CLONE");
    // BIN00002.E has no file, but a row names it; BIN00003 has a row; BIN00004 a file.
    ASSERT_TRUE(t.selectRow(QString::fromUtf8("Clone of Wedding – Müller")));
    EXPECT_EQ(t.list->current().binary, "BIN00005.E");
    EXPECT_EQ(t.list->current().number, 20);
    EXPECT_EQ(bytesOf(t.file(QStringLiteral("BIN00005.E"))), bytesOf(t.file(QStringLiteral("BIN00001.E"))));

    // A setup whose design is gone is cloned without one.
    ASSERT_TRUE(t.selectRow(QStringLiteral("Odd size")));
    t.dialogs.answers.enqueue(true);
    ASSERT_TRUE(t.list->cloneCurrent());
    ASSERT_TRUE(t.selectRow(QStringLiteral("Clone of Odd size")));
    EXPECT_EQ(t.list->current().binary, "BIN00006.E");
    EXPECT_FALSE(QFile::exists(t.file(QStringLiteral("BIN00006.E"))));

    // The copy's description keeps 50 characters.
    EnvelopeSetup longOne{QString(50, QLatin1Char('x')), 27, QStringLiteral("BIN00001.E")};
    ASSERT_TRUE(t.list->commitSetup(longOne, true, [](const QString&) { return true; }));
    ASSERT_TRUE(t.selectRow(QString(50, QLatin1Char('x'))));
    t.dialogs.answers.enqueue(true);
    ASSERT_TRUE(t.list->cloneCurrent());
    EXPECT_TRUE(t.list->findDescription(QStringLiteral("Clone of ") + QString(41, QLatin1Char('x'))));
}

TEST(EnvelopeSetupList, SetupIsPostedOnlyAfterItsDesignWasSaved) {
    EnvelopeTable t(QString{});
    ASSERT_TRUE(t.list);
    EnvelopeSetup s{QString::fromUtf8("Ansichtskarte José ") + QString(45, QLatin1Char('-')), 27, QString()};
    ASSERT_EQ(s.descript.size(), 64);

    // The design cannot be written: no row, and the user is told.
    EXPECT_FALSE(t.list->commitSetup(s, true, [](const QString&) { return false; }));
    EXPECT_TRUE(t.list->rows().isEmpty());
    ASSERT_FALSE(t.dialogs.infos().isEmpty());
    // The messages the label and envelope lists share name the envelope.
    EXPECT_TRUE(t.dialogs.infos().back().startsWith(QStringLiteral("The envelope design could not be saved to \"")));
    EXPECT_TRUE(t.dialogs.infos().back().endsWith(QStringLiteral("\r\n\r\nThe envelope setup was not changed.")));

    QString savedTo;
    ASSERT_TRUE(t.list->commitSetup(s, true, [&](const QString& path) {
        savedTo = path;
        envtest::writeDesign(path);
        return true;
    }));
    ASSERT_EQ(t.list->rows().size(), 1);
    const EnvelopeSetup stored = t.list->current();
    EXPECT_EQ(stored.descript, s.descript.left(50));
    EXPECT_EQ(stored.number, 27);
    EXPECT_EQ(stored.binary, "BIN00001.E");
    EXPECT_EQ(QFileInfo(savedTo).fileName(), stored.binary);
    EXPECT_TRUE(resolveEnvelopeDesign(t.sysdata, stored.binary));

    // Text Windows-1252 cannot hold is named, and nothing is written.
    const int before = t.dialogs.infos().size();
    EnvelopeSetup polish{QString::fromUtf8("Wałęsa"), 20, QStringLiteral("BIN00001.E")};
    EXPECT_FALSE(t.list->commitSetup(polish, false, [](const QString&) { return true; }));
    ASSERT_EQ(t.dialogs.infos().size(), before + 1);
    EXPECT_TRUE(t.dialogs.infos().back().contains(QString::fromUtf8("ł ę")));
    EXPECT_EQ(t.list->current().descript, s.descript.left(50));
}
