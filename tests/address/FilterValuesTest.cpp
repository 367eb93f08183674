// Typed filter values: folding as the store's UPPER() does, quoting that keeps
// them out of the expression's syntax, filter files (Windows-1252 or UTF-8), and the
// record shown after a filter is restored.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QTimer>

#include "AddressTestSupport.h"
#include "address/ui/FilterWindows.h"
#include "address/ui/TAddressMain.h"
#include "store/Expression.h"

using namespace brindle;
using namespace brindle::address;
using brindle::addrtest::Fields;
using brindle::addrtest::OpenFile;
using brindle::addrtest::ProgramHome;
using brindle::addrtest::u;
using brindle::addrtest::keepShot;
using brindle::common::ScriptedDialogs;

namespace {

const std::vector<Fields> kNames = {
    {{"LNAME", "Björk"}, {"FNAME", "Ann"}, {"CITY", "Malmö"}},
    {{"LNAME", "BJÖRK"}, {"FNAME", "Bo"}, {"CITY", "Umeå"}},
    {{"LNAME", "björklund"}, {"FNAME", "Cy"}, {"CITY", "Örebro"}},
    {{"LNAME", "Bjork"}, {"FNAME", "Di"}},
    {{"LNAME", "José"}, {"FNAME", "Ed"}},
    {{"LNAME", "Walesa"}, {"FNAME", "Lech"}, {"MEMO", "Met in Lódz"}},
    {{"LNAME", "Adams"}, {"FNAME", "Fay"}},
};

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray readBytes(const QString& path) {
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return f.readAll();
}

// Runs `inspect` on the modal window that `trigger` opens, then closes it.
template <typename W>
void whenModal(const std::function<void(W*)>& inspect, const std::function<void()>& trigger) {
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* w = qobject_cast<W*>(QApplication::activeModalWidget());
        if (!w) return;
        seen = true;
        inspect(w);
        w->reject();
    });
    QTimer::singleShot(5000, [] {
        if (QWidget* m = QApplication::activeModalWidget()) m->close();
    });
    trigger();
    EXPECT_TRUE(seen);
}

}  // namespace

// ---------------------------------------------------------------- folding

TEST(FilterValues, EverySpellingFindsTheSameRecords) {
    OpenFile o(kNames);
    for (const char* last : {"björk", "BJÖRK", "Björk", "bJöRk"}) {
        EXPECT_EQ(o.applyWith({{0, last}}), 3) << last;  // Björk, BJÖRK, björklund
        EXPECT_EQ(o.applyWith({{0, (std::string("$") + last).c_str()}}), 3) << last;
    }
    EXPECT_EQ(o.applyWith({{7, "malmö"}}), 1);
    EXPECT_EQ(o.applyWith({{7, "$ÖREB"}}), 1);
    EXPECT_EQ(o.applyWith({{0, "josé"}}), 1);
    EXPECT_EQ(o.applyWith({{0, ">=jos"}}), 2);  // José, Walesa
    EXPECT_EQ(fieldCondition("CITY+STATE", u("é b")), u("UPPER(CITY+STATE)=\"É B\""));
    // Letters the file cannot hold are looked for by their nearest Latin
    // spelling, the form in which such names are stored.
    EXPECT_EQ(o.applyWith({{0, "Wałęsa"}}), 1);
    EXPECT_EQ(fieldCondition("LNAME", u("$łę")), u("\"LE\"$UPPER(LNAME)"));
}

TEST(FilterValues, SearchBoxAndMemoSearchFoldAsTheStoreDoes) {
    OpenFile o(kNames);
    o.session.searchFor(QStringLiteral("Last Name"), u("josé"));
    EXPECT_EQ(o.file.field("LNAME"), u("José"));
    o.session.searchFor(QStringLiteral("Last Name"), u("bjö"));
    EXPECT_EQ(o.file.field("LNAME").toUpper(), u("BJÖRK"));
    o.session.searchFor(QStringLiteral("Last Name"), u("WAŁĘ"));
    EXPECT_EQ(o.file.field("LNAME"), u("Walesa"));
    o.session.searchFor(QStringLiteral("City"), u("umeå"));
    EXPECT_EQ(o.file.field("CITY"), u("Umeå"));
    // The memo search looks for the spelling memos are stored in.
    o.session.memoSearchText = u("łódź");
    EXPECT_TRUE(o.session.findTextInMemo(true));
    EXPECT_EQ(o.file.field("LNAME"), u("Walesa"));
}

TEST(FilterValues, FilterWindowTestFindsAccentedNames) {
    OpenFile o(kNames);
    ui::TAddressQueryForm form(o.file, o.dialogs);
    form.edit(0)->setText(u("björk"));
    form.testClicked();
    EXPECT_EQ(form.countLine()->text(), QStringLiteral("3 matches"));
    form.edit(0)->clear();
    form.edit(7)->setText(u("$ö"));
    form.testClicked();
    EXPECT_EQ(form.countLine()->text(), QStringLiteral("2 matches"));
}

// ---------------------------------------------------------------- quoting

TEST(FilterValues, HostileValuesStayValues) {
    // Each value is some record's last name; the filter finds that record only.
    const char* values[] = {
        "O\"Neil",          "O'Neil",         "X\".OR.LNAME=\"", "X'.OR.LNAME='", "[Smith]",
        "a]b",              "\"'",            "a\"b'c[d",       ".T.",           ")(",
        "\\",               "Ann\".AND..F.", "D'Artagnan \"Jr\"", "é\"Ö'",
    };
    std::vector<Fields> records = {{{"LNAME", "Zed"}}, {{"LNAME", "Young"}}};
    for (const char* v : values) records.push_back({{"LNAME", v}});
    OpenFile o(records);
    for (const char* v : values) {
        SCOPED_TRACE(v);
        EXPECT_EQ(o.applyWith({{0, v}}), 1);
        EXPECT_EQ(o.file.queryVars().texts[0], u(v));
        EXPECT_EQ(o.applyWith({{0, (std::string("$") + v).c_str()}}), 1);
    }
    EXPECT_TRUE(o.dialogs.infos().isEmpty());

    // A value holding all three delimiters cannot be one literal: refused, and
    // nothing is filtered by it.
    for (const char* v : {"a\"b'c]d", "$]\"'"}) {
        SCOPED_TRACE(v);
        o.dialogs.shown.clear();
        EXPECT_THROW(fieldCondition("LNAME", u(v)), QueryValueError);
        EXPECT_EQ(o.applyWith({{0, v}}), 0);
        EXPECT_TRUE(o.file.lastQueryRefused());
        EXPECT_FALSE(o.file.filterSet());
        ASSERT_EQ(o.dialogs.infos().size(), 1);
        EXPECT_TRUE(o.dialogs.infos().first().contains(u(v).remove(0, v[0] == '$' ? 1 : 0)));
        EXPECT_EQ(QString::fromStdString(o.file.table()->filter()), QStringLiteral("!ISDEL"));
    }
    // The separators still split: each part is quoted on its own.
    EXPECT_EQ(fieldCondition("LNAME", u("O\"N;O'N")), u("((UPPER(LNAME)='O\"N').or.(UPPER(LNAME)=\"O'N\"))"));
}

TEST(FilterValues, FilterWindowStaysOpenOnARefusedValue) {
    OpenFile o(kNames);
    ui::TAddressQueryForm form(o.file, o.dialogs);
    form.show();
    form.edit(0)->setText(u("a\"b'c]d"));
    form.findChild<QPushButton*>(QStringLiteral("okButton"))->click();
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(o.dialogs.infos().size(), 1);
    form.edit(0)->setText(u("björk"));
    form.findChild<QPushButton*>(QStringLiteral("okButton"))->click();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.result(), QDialog::Accepted);
}

// ---------------------------------------------------------------- filter files

TEST(FilterValues, FilterFilesAreWindows1252WhereThatHoldsTheValues) {
    ProgramHome home;
    QueryVars v;
    v.texts[0] = u("Müller");
    v.texts[1] = u("José");
    const QString path = home.path("names.FLT");
    saveFilterTo(path, v);
    EXPECT_TRUE(readBytes(path).startsWith("M\xFCller\r\nJos\xE9\r\n"));
    QueryVars back = restoreFilterFrom(path);
    EXPECT_EQ(back, v);

    // A value Windows-1252 cannot hold (typed for a file of another code
    // page) makes the file UTF-8, so every value comes back as typed.
    v.texts[7] = u("Wałęsa");
    v.texts[8] = u("Иванов");
    saveFilterTo(path, v);
    EXPECT_TRUE(readBytes(path).startsWith("\xEF\xBB\xBFM\xC3\xBCller\r\n"));
    EXPECT_EQ(restoreFilterFrom(path), v);
    // So does a Windows-1252 value whose bytes would read as UTF-8.
    QueryVars odd;
    odd.texts[0] = u("Ã©");
    saveFilterTo(path, odd);
    EXPECT_EQ(restoreFilterFrom(path), odd);

    // Written by another program in UTF-8: taken as UTF-8.
    writeBytes(home.path("utf8.flt"), "M\xC3\xBCller\r\nJos\xC3\xA9\r\n");
    back = restoreFilterFrom(home.path("utf8.flt"));
    EXPECT_EQ(back.texts[0], u("Müller"));
    EXPECT_EQ(back.texts[1], u("José"));
    // Bytes that are not UTF-8 are Windows-1252, even where one line alone would pass.
    writeBytes(home.path("mixed.flt"), "\xC3\xBC\r\nJos\xE9\r\n\x80\r\n");
    back = restoreFilterFrom(home.path("mixed.flt"));
    EXPECT_EQ(back.texts[0], u("Ã¼"));
    EXPECT_EQ(back.texts[1], u("José"));
    EXPECT_EQ(back.texts[2], u("€"));

    // A very long line is still one value: its start is kept, the lines
    // after it stay in their places.
    writeBytes(home.path("long.flt"), QByteArray(5000, 'A') + "\r\nz\xFCrich\r\n");
    back = restoreFilterFrom(home.path("long.flt"));
    EXPECT_EQ(back.texts[0], QString(4096, QLatin1Char('A')));
    EXPECT_EQ(back.texts[1], u("zürich"));
    EXPECT_TRUE(back.texts[2].isEmpty());
}

// ---------------------------------------------------------------- restoring

namespace {

struct MainWithNames {
    ProgramHome home;
    ScriptedDialogs dialogs;
    ui::TAddressMain w{dialogs};
    MainWithNames() {
        addrtest::makeFile(home.data("ADD0001.DBF"), kNames);
        w.setGettingStartedAllowed(false);
        w.firstActivation();
    }
};

}  // namespace

TEST(FilterValues, RestoreMovesToAMatchingRecord) {
    MainWithNames s;
    ASSERT_EQ(s.w.recordEdit("LNAME")->text(), QStringLiteral("Adams"));
    const QString path = s.home.path("bjork.FLT");
    writeBytes(path, "bj\xF6rk\r\n");
    s.dialogs.files.enqueue(path);
    s.w.restoreFilterClick();
    EXPECT_EQ(s.w.filterStatus()->text(), QStringLiteral("3 filter matches"));
    EXPECT_EQ(s.w.recordEdit("LNAME")->text().toUpper(), u("BJÖRK"));
    EXPECT_EQ(s.w.file().field("LNAME"), s.w.recordEdit("LNAME")->text());

    // A current record that matches stays.
    s.w.file().next();
    const QString here = s.w.recordEdit("FNAME")->text();
    s.dialogs.files.enqueue(path);
    s.w.restoreFilterClick();
    EXPECT_EQ(s.w.recordEdit("FNAME")->text(), here);
}

TEST(FilterValues, RestoredFilterWithoutMatchesShowsItsValues) {
    MainWithNames s;
    const QString path = s.home.path("none.FLT");
    writeBytes(path, "Nobody\r\nJos\xE9\r\n");
    s.dialogs.files.enqueue(path);
    QStringList shown;
    QString count;
    whenModal<ui::TAddressQueryForm>(
        [&](ui::TAddressQueryForm* f) {
            shown << f->edit(0)->text() << f->edit(1)->text();
            count = f->countLine()->text();
        },
        [&] { s.w.restoreFilterClick(); });
    EXPECT_EQ(shown, (QStringList{u("Nobody"), u("José")}));
    EXPECT_EQ(count, QStringLiteral("No filter set"));
    EXPECT_FALSE(s.w.file().filterSet());
    EXPECT_EQ(s.w.filterStatus()->text(), QStringLiteral("7 records (no filter)"));
}
