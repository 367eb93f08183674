// Address files written in other code pages (DOS 850 and 852, Windows-1251):
// shown, edited, checked and filtered through the code page their header names.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QGuiApplication>

#include "AddressTestSupport.h"
#include "address/BrowseModel.h"
#include "address/ui/ConfigurationReport.h"
#include "address/FileText.h"
#include "address/ui/FilterWindows.h"
#include "address/ui/TAddressMain.h"
#include "common/ui/QtUserDialogs.h"
#include "store/CodePage.h"

using namespace brindle;
using namespace brindle::address;
using brindle::addrtest::Fields;
using brindle::addrtest::kDos850;
using brindle::addrtest::kDos852;
using brindle::addrtest::kWindows1251;
using brindle::addrtest::OpenFile;
using brindle::addrtest::ProgramHome;
using brindle::addrtest::u;
using brindle::addrtest::keepShot;
using brindle::common::ScriptedDialogs;

namespace {

// The bytes of a field of the first record, read back from the file itself.
std::string storedField(const QString& path, const char* field) {
    auto t = store::Table::open(path.toStdString(), store::OpenMode::ReadOnly);
    t->first();
    return field == std::string("MEMO") ? t->getMemo("MEMO") : t->getString(field);
}

const std::vector<Fields> kDos850Names = {
    {{"LNAME", "Müller"}, {"FNAME", "José"}, {"STREET", "Hauptstraße 5"}, {"CITY", "Zürich"}, {"ZIP", "8001"},
     {"MEMO", "Grüße\r\naus Zürich"}},
    {{"LNAME", "MÜLLER"}, {"FNAME", "Bo"}},
    {{"LNAME", "Muller"}, {"FNAME", "Cy"}},
};

}  // namespace

TEST(CodePageFiles, Dos850FileShowsItsLettersEverywhere) {
    OpenFile o(kDos850Names, FieldLengths::defaults(), kDos850);
    ASSERT_TRUE(o.file.table()->go(1));
    EXPECT_EQ(o.file.table()->getString("LNAME"), "M\x81ller");
    EXPECT_EQ(o.file.field("LNAME"), u("Müller"));
    EXPECT_EQ(o.session.field(QStringLiteral("STREET")), u("Hauptstraße 5"));
    EXPECT_EQ(o.session.memoText(), u("Grüße\naus Zürich"));
    o.file.setExtraFields(true);
    EXPECT_EQ(o.file.calcFields().fullName.trimmed(), u("José Müller"));

    o.session.copyToClipboard(RecordTextParts{});
    EXPECT_TRUE(QGuiApplication::clipboard()->text().startsWith(u("José Müller \r\n")));
    EXPECT_TRUE(QGuiApplication::clipboard()->text().contains(u("Zürich ")));

    // The grid, in the order of the folded bytes: Muller, Müller (0x81), MÜLLER (0x8A).
    AddressTableModel grid(o.file, browseFieldNames());
    grid.fetchMore({});
    const int lname = static_cast<int>(grid.shownColumns().indexOf(QStringLiteral("LNAME")));
    ASSERT_GE(lname, 0);
    ASSERT_EQ(grid.rowCount(), 3);
    EXPECT_EQ(grid.data(grid.index(1, lname), Qt::DisplayRole).toString(), u("Müller"));
    EXPECT_EQ(grid.data(grid.index(2, lname), Qt::DisplayRole).toString(), u("MÜLLER"));

    EXPECT_TRUE(configurationReport(&o.file, 0).contains(u("Code page:   \tDOS 850")));

    // The ZIP box fills the city as the file spells it.
    EXPECT_EQ(o.session.fillCityState(QStringLiteral("8001")).first, u("Zürich"));
}

TEST(CodePageFiles, MainWindowShowsAndSavesInTheFilesCodePage) {
    ProgramHome home;
    const QString path = home.data("ADD0001.DBF");
    addrtest::makeFile(path, {kDos850Names[0]}, FieldLengths::defaults(), kDos850);
    ScriptedDialogs dialogs;
    ui::TAddressMain w(dialogs);
    w.setGettingStartedAllowed(false);
    w.firstActivation();
    EXPECT_EQ(w.recordEdit("LNAME")->text(), u("Müller"));
    EXPECT_EQ(w.recordEdit("CITY")->text(), u("Zürich"));
    EXPECT_EQ(w.memo()->toPlainText(), u("Grüße\naus Zürich"));
    keepShot(&w, QStringLiteral("main-dos850"));

    w.button(QStringLiteral("editButton"))->click();
    w.recordEdit("FNAME")->setText(u("Jürgen"));
    w.memo()->setPlainText(u("Öl"));
    w.button(QStringLiteral("saveButton"))->click();
    EXPECT_FALSE(w.session().editing());
    EXPECT_TRUE(dialogs.shown.isEmpty());
    EXPECT_EQ(w.recordEdit("FNAME")->text(), u("Jürgen"));
    w.file().close();
    EXPECT_EQ(storedField(path, "FNAME"), "J\x81rgen");
    EXPECT_EQ(storedField(path, "MEMO"), "\x99l");
}

TEST(CodePageFiles, EditsAreCheckedAgainstTheFilesCodePage) {
    // DOS 852 holds Polish letters: stored as typed, without a question.
    {
        OpenFile o({Fields{{"LNAME", "Nowak"}}}, FieldLengths::defaults(), kDos852);
        ASSERT_TRUE(o.session.startEdit());
        o.session.setField(QStringLiteral("LNAME"), u("Wałęsa"));
        o.session.setField(QStringLiteral("FNAME"), u("Łukasz"));
        EXPECT_TRUE(o.session.save(u("Zażółć gęślą jaźń")));
        EXPECT_TRUE(o.dialogs.shown.isEmpty());
        EXPECT_EQ(o.file.field("LNAME"), u("Wałęsa"));
        o.file.close();
        EXPECT_EQ(storedField(o.path, "LNAME"), "Wa\x88\xA9sa");
        ASSERT_TRUE(o.file.openBRWDBF(o.path));
        EXPECT_EQ(o.file.text().codePageName(), QStringLiteral("DOS 852"));
        EXPECT_EQ(o.file.field("FNAME"), u("Łukasz"));
        EXPECT_EQ(o.session.memoText(), u("Zażółć gęślą jaźń"));

        // What DOS 852 lacks is named, with the spelling it would get.
        ASSERT_TRUE(o.session.startEdit());
        o.session.setField(QStringLiteral("LNAME"), u("Muñoz"));
        EXPECT_FALSE(o.session.save(u("5 €")));
        ASSERT_EQ(o.dialogs.shown.size(), 1);
        const QString question = o.dialogs.shown[0].text;
        for (const char* part : {"this address file (DOS 852)", "Last: ñ", "Memo: €", "ñ → n", "€ → EUR"})
            EXPECT_TRUE(question.contains(u(part))) << part << "\n" << question.toStdString();
        auto box = common::QtUserDialogs::makeMessageBox(QMessageBox::Question, QStringLiteral("Save"), question,
                                                         QMessageBox::Yes | QMessageBox::No, nullptr);
        box->show();
        keepShot(box.get(), QStringLiteral("unstorable-dos852"));
        o.dialogs.answers.enqueue(true);
        EXPECT_TRUE(o.session.save(u("5 €")));
        EXPECT_EQ(o.file.field("LNAME"), u("Munoz"));
        EXPECT_EQ(o.session.memoText(), u("5 EUR"));
    }
    // Windows-1251 holds Cyrillic but not German letters.
    {
        OpenFile o({Fields{{"LNAME", "Петров"}}}, FieldLengths::defaults(), kWindows1251);
        ASSERT_TRUE(o.session.startEdit());
        o.session.setField(QStringLiteral("LNAME"), u("Иванов"));
        EXPECT_TRUE(o.session.save(QString()));
        EXPECT_TRUE(o.dialogs.shown.isEmpty());
        EXPECT_EQ(o.file.field("LNAME"), u("Иванов"));

        ASSERT_TRUE(o.session.startEdit());
        o.session.setField(QStringLiteral("STREET"), u("Müllerstraße"));
        o.dialogs.answers.enqueue(true);
        EXPECT_TRUE(o.session.save(QString()));
        ASSERT_EQ(o.dialogs.shown.size(), 1);
        for (const char* part : {"Address 1: ü ß", "ü → u", "ß → ss"})
            EXPECT_TRUE(o.dialogs.shown[0].text.contains(u(part))) << part;
        EXPECT_EQ(o.file.field("STREET"), u("Mullerstrasse"));
        o.file.close();
        EXPECT_EQ(storedField(o.path, "LNAME"), "\xC8\xE2\xE0\xED\xEE\xE2");
    }
}

TEST(CodePageFiles, FiltersAndSearchesCompareInTheFilesCodePage) {
    {
        OpenFile o(kDos850Names, FieldLengths::defaults(), kDos850);
        // UPPER() folds the DOS bytes by the Windows-1252 table, so "ü"
        // (0x81) keeps its case on both sides and "Ü" (0x9A) becomes 0x8A on
        // both: each spelling finds the records stored in it.
        EXPECT_EQ(o.applyWith({{0, "müller"}}), 1);
        EXPECT_EQ(o.applyWith({{0, "MÜLLER"}}), 1);
        EXPECT_EQ(o.applyWith({{7, "$ÜRI"}}), 0);
        EXPECT_EQ(o.applyWith({{7, "$üri"}}), 1);
        o.session.searchFor(QStringLiteral("Last Name"), u("mü"));
        EXPECT_EQ(o.file.field("LNAME"), u("Müller"));
        o.session.memoSearchText = u("GRÜSSE");
        EXPECT_TRUE(o.session.findTextInMemo(true));
    }
    {
        OpenFile o({Fields{{"LNAME", "Wałęsa"}, {"MEMO", "Zażółć gęślą jaźń"}}, Fields{{"LNAME", "Walesa"}},
                    Fields{{"LNAME", "Nowak"}}},
                   FieldLengths::defaults(), kDos852);
        EXPECT_EQ(o.applyWith({{0, "wałęsa"}}), 1);
        EXPECT_EQ(o.file.queryString(), u("UPPER(LNAME)=\"WAłęSA\""));
        EXPECT_EQ(o.file.queryExpression(), "UPPER(LNAME)=\"WA\x88\xA9SA\"");
        EXPECT_EQ(o.applyWith({{0, "$łę"}}), 1);
        o.session.memoSearchText = u("GĘŚLĄ");
        EXPECT_TRUE(o.session.findTextInMemo(true));
        EXPECT_EQ(o.file.field("LNAME"), u("Wałęsa"));
    }
    {
        OpenFile o({Fields{{"LNAME", "Иванов"}, {"FNAME", "Пётр"}}, Fields{{"LNAME", "Петров"}}},
                   FieldLengths::defaults(), kWindows1251);
        EXPECT_EQ(o.applyWith({{0, "иванов"}}), 1);
        EXPECT_EQ(o.file.queryString(), u("UPPER(LNAME)=\"ИВАНОВ\""));
        EXPECT_EQ(o.applyWith({{0, "$ТРОВ"}}), 1);

        ui::TAddressQueryForm form(o.file, o.dialogs);
        form.edit(0)->setText(u("Пет"));
        form.testClicked();
        EXPECT_EQ(form.countLine()->text(), QStringLiteral("1 matches"));

        o.file.clearQueryVars();
        o.file.applyQuery();
        EXPECT_FALSE(o.session.checkDupName(u("Пётр"), u("Иванов")));
        EXPECT_TRUE(o.dialogs.texts(ScriptedDialogs::Kind::YesNoDefaultNo).last().contains(u("Пётр Иванов")));
    }
}

TEST(CodePageFiles, NearestSpellingsFitTheCodePage) {
    const FileText cp850(store::TextCodec::forHeaderByte(kDos850));
    const FileText cp1251(store::TextCodec::forHeaderByte(kWindows1251));
    const FileText cp1252;
    EXPECT_TRUE(cp1252.isWindows1252());
    EXPECT_EQ(cp850.nearestSpelling(U'ł'), u("l"));
    EXPECT_EQ(cp850.nearestSpelling(U'Ж'), u("Zh"));
    EXPECT_EQ(cp850.nearestSpelling(U'ü'), u("ü"));
    EXPECT_EQ(cp1251.nearestSpelling(U'é'), u("e"));
    EXPECT_EQ(cp1251.nearestSpelling(U'Œ'), u("OE"));
    EXPECT_EQ(cp1251.nearestSpelling(U'漢'), QString());
    for (const FileText* t : {&cp850, &cp1251, &cp1252}) {
        const QString text = u("Wałęsa Жук Œuvre straße € – 漢 e\u0301");
        EXPECT_TRUE(t->unstorableCharacters(t->toStorable(text)).isEmpty()) << t->codePageName().toStdString();
        EXPECT_EQ(t->decode(t->encode(t->toStorable(text))), t->toStorable(text));
    }
    // A decomposed accent is joined to its letter before it is checked.
    EXPECT_TRUE(cp850.unstorableCharacters(u("Jose\u0301")).isEmpty());
}
