// The filter, the enabling rules and the record work of the main window,
// through the scripted dialogs and real address files.
#include <gtest/gtest.h>

#include <QDate>
#include <QDir>
#include <QFile>
#include <map>

#include "AddressTestSupport.h"
#include "address/AddressFile.h"
#include "address/BrowseModel.h"
#include "address/ButtonRules.h"
#include "address/GatewayScope.h"
#include "address/Query.h"
#include "address/RecordSession.h"
#include "common/Common.h"
#include "common/ProfileFile.h"
#include "common/ScriptedDialogs.h"

using namespace brindle;
using namespace brindle::address;
using brindle::addrtest::Fields;
using brindle::addrtest::ProgramHome;
using brindle::common::ScriptedDialogs;
using Open = brindle::addrtest::OpenFile;

namespace {

const std::vector<Fields> kPeople = {
    {{"LNAME", "Jones"}, {"FNAME", "Ann"}, {"CODES", "AX"}, {"CITY", "Springfield"}, {"STATE", "IL"}, {"ZIP", "62701"}},
    {{"LNAME", "JOHNSON"}, {"FNAME", "Bob"}, {"CODES", "BQ"}, {"CITY", "Springfield"}, {"STATE", "MA"}, {"ZIP", "01101"}},
    {{"LNAME", "jordan"}, {"FNAME", "Cy"}, {"CODES", "A"}, {"CITY", "Boston"}, {"STATE", "MA"}, {"DATE", "19990704"}},
    {{"LNAME", "Wilson"}, {"FNAME", "Di"}, {"CODES", "CX"}, {"DATE", "19990601"}},
    {{"LNAME", "Miller"}, {"FNAME", "Ed"}, {"CODES", "C"}, {"DATE", "20010101"}, {"MEMO", "Met at the ABC fair"}},
};

}  // namespace

TEST(Query, StringsOfTheExamples) {
    QueryVars v;
    v.texts[0] = QStringLiteral("jo");
    v.texts[15] = QStringLiteral("$A;$B");
    v.taggedOnly = true;
    EXPECT_EQ(buildQueryString(v, QStringLiteral("X")),
              QStringLiteral("UPPER(LNAME)=\"JO\" and ((\"A\"$UPPER(CODES)).or.(\"B\"$UPPER(CODES))) and (UPPER(TAG)=\"X\")"));
    EXPECT_EQ(fieldCondition("CODES", "A+$X"), QStringLiteral("((UPPER(CODES)=\"A\").and.(\"X\"$UPPER(CODES)))"));
    EXPECT_EQ(fieldCondition("CODES", "A^$X"), QStringLiteral("((UPPER(CODES)=\"A\").and..not.(\"X\"$UPPER(CODES)))"));
    EXPECT_EQ(fieldCondition("LNAME", ">=m"), QStringLiteral("UPPER(LNAME)>=\"M\""));
    EXPECT_EQ(fieldCondition("CODES", "A;"), QStringLiteral("((UPPER(CODES)=\"A\").or.(UPPER(CODES)=\"\"))"));
    // Values are used as typed: blanks count, letters are raised as UPPER() raises them.
    EXPECT_EQ(fieldCondition("CITY+STATE", "é b"), QStringLiteral("UPPER(CITY+STATE)=\"É B\""));
    // A value of blanks only sets no condition; reverse alone sets no filter.
    QueryVars blank;
    blank.texts[0] = QStringLiteral("   ");
    blank.reverse = true;
    EXPECT_EQ(buildQueryString(blank, "X"), QString());
    QueryVars rev;
    rev.taggedOnly = rev.reverse = true;
    EXPECT_EQ(buildQueryString(rev, "X"), QStringLiteral("(!((UPPER(TAG)=\"X\")))"));
    EXPECT_EQ(engineFilter(QString()), QStringLiteral("!ISDEL"));
    EXPECT_EQ(engineFilter("Q"), QStringLiteral("Q.and. !ISDEL"));
}

TEST(Query, CountsOnAFixtureFile) {
    Open o(kPeople);
    EXPECT_EQ(o.applyWith({{0, "jo"}}), 3);
    EXPECT_EQ(o.file.filterStatus(), QStringLiteral("3 filter matches"));
    EXPECT_EQ(o.applyWith({{0, ">=M"}}), 2);
    EXPECT_EQ(o.applyWith({{0, "$SON"}}), 2);
    EXPECT_EQ(o.applyWith({{15, "A;B"}}), 3);
    EXPECT_EQ(o.applyWith({{15, "A+$X"}}), 1);
    EXPECT_EQ(o.applyWith({{15, "A^$X"}}), 1);
    EXPECT_EQ(o.applyWith({{15, "A;"}}), 5);
    EXPECT_EQ(o.applyWith({{7, "spring"}}), 2);
    EXPECT_EQ(o.applyWith({{14, "1999"}}), 2);
    EXPECT_EQ(o.applyWith({{14, ">=19990601"}}), 3);
    // Nothing matches: the filter is dropped silently and the values cleared.
    EXPECT_EQ(o.applyWith({{0, "zz"}}), 0);
    EXPECT_FALSE(o.file.filterSet());
    EXPECT_EQ(o.file.queryVars(), QueryVars());
    EXPECT_EQ(o.file.filterStatus(), QStringLiteral("5 records (no filter)"));
    EXPECT_TRUE(o.dialogs.infos().isEmpty());
}

TEST(Query, TooLongIsRefusedAndCleared) {
    Open o(kPeople);
    // 243 characters of query string are allowed, 244 are not.
    const QString prefix = QStringLiteral("UPPER(LNAME)=\"\"");
    QueryVars v;
    v.texts[0] = QString(243 - prefix.size(), QLatin1Char('J'));
    EXPECT_EQ(buildQueryString(v, "X").size(), 243);
    EXPECT_FALSE(queryTooLong(buildQueryString(v, "X")));
    v.texts[0] += QLatin1Char('J');
    o.file.setQueryVars(v);
    EXPECT_EQ(o.file.applyQuery(), 0);
    EXPECT_EQ(o.dialogs.infos(), QStringList{tooComplexMessage()});
    EXPECT_FALSE(o.file.filterSet());
    EXPECT_EQ(o.file.queryVars(), QueryVars());
    EXPECT_EQ(QString::fromStdString(o.file.table()->filter()), QStringLiteral("!ISDEL"));
}

TEST(Query, FilterFiles) {
    ProgramHome home;
    QueryVars v;
    v.texts[0] = QStringLiteral("jo ");
    v.texts[17] = QStringLiteral("$x");
    v.reverse = true;
    const QString path = home.path("my.FLT");
    saveFilterTo(path, v);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    EXPECT_EQ(bytes.count("\r\n"), 20);
    EXPECT_TRUE(bytes.startsWith("jo \r\n\r\n"));
    EXPECT_TRUE(bytes.endsWith("$x\r\nF\r\nT\r\n"));
    EXPECT_EQ(restoreFilterFrom(path), v);

    // Written by hand: three lines, LF only.
    QFile h(home.path("hand.flt"));
    ASSERT_TRUE(h.open(QIODevice::WriteOnly));
    h.write("smith\nann\nboss");
    h.close();
    const QueryVars r = restoreFilterFrom(home.path("hand.flt"));
    EXPECT_EQ(r.texts[0], QStringLiteral("smith"));
    EXPECT_EQ(r.texts[1], QStringLiteral("ann"));
    EXPECT_EQ(r.texts[2], QStringLiteral("boss"));
    for (int i = 3; i < kQueryTextCount; ++i) EXPECT_TRUE(r.texts[static_cast<std::size_t>(i)].isEmpty());
    EXPECT_FALSE(r.taggedOnly);
    EXPECT_FALSE(r.reverse);

    EXPECT_EQ(filterSaveName("/a/myfilter"), QStringLiteral("/a/myfilter.FLT"));
    EXPECT_EQ(filterSaveName("/a/myfilter.flt"), QStringLiteral("/a/myfilter.flt"));
    EXPECT_EQ(filterSaveName("/a/myfilter.txt"), QString());
    EXPECT_THROW(restoreFilterFrom(home.path("missing.FLT")), std::runtime_error);
}

TEST(Query, MemoContainsLooksAtTheFirst32767Characters) {
    EXPECT_TRUE(memoContains("a memo with ABC", "abc"));
    EXPECT_TRUE(memoContains(QString(32764, 'x') + "abc", "ABC"));
    EXPECT_FALSE(memoContains(QString(32765, 'x') + "abc", "ABC"));
}

TEST(ButtonRules, Table) {
    struct Row {
        WindowState s;
        bool add, editDelete, idle, setFilter, filterEntries, clearShown, clearEnabled, fileMenu, recordMenu, saveShown;
    };
    const Row rows[] = {
        // open editing record filter
        {{false, false, false, false}, false, false, false, false, false, false, false, true, false, false},
        {{true, false, false, false}, true, false, false, false, false, false, false, true, true, false},
        {{true, false, true, false}, true, true, true, true, false, false, false, true, true, false},
        {{true, false, true, true}, true, true, true, true, true, true, true, true, true, false},
        {{true, true, true, true}, false, false, false, true, true, true, false, false, false, true},
        {{true, true, true, false}, false, false, false, false, false, false, false, false, false, true},
        {{true, false, false, true}, true, false, false, true, true, true, true, true, true, false},
        // no file, but values of a filter kept from the last one
        {{false, false, false, true}, false, false, false, false, false, false, false, true, false, false},
    };
    int i = 0;
    for (const Row& r : rows) {
        const Enabling e = computeEnabling(r.s);
        SCOPED_TRACE(i++);
        EXPECT_EQ(e.add, r.add);
        EXPECT_EQ(e.editDelete, r.editDelete);
        EXPECT_EQ(e.idleEntries, r.idle);
        EXPECT_EQ(e.setFilter, r.setFilter);
        EXPECT_EQ(e.filterEntries, r.filterEntries);
        EXPECT_EQ(e.clearFilterButtonShown, r.clearShown);
        EXPECT_EQ(e.clearFilterButtonEnabled, r.clearEnabled);
        EXPECT_EQ(e.fileMenu, r.fileMenu);
        EXPECT_EQ(e.recordMenu, r.recordMenu);
        EXPECT_EQ(e.saveCancelShown, r.saveShown);
        EXPECT_EQ(e.addEditDeleteShown, !r.saveShown);
        EXPECT_EQ(e.fileEntries, r.s.open);
        EXPECT_EQ(e.findNextAllowed, !r.s.editing);
    }
}

// ---------------------------------------------------------------- adding

TEST(Adding, DuplicateCheckWithAWideLastName) {
    FieldLengths wide = FieldLengths::defaults();
    wide.widths["LNAME"] = 50;
    Open o({{{"LNAME", "Smith"}, {"FNAME", "John"}, {"STREET", "1 Main St"}, {"CITY", "Springfield"},
             {"STATE", "IL"}, {"ZIP", "62701"}},
            {{"LNAME", "Adams"}, {"FNAME", "Amy"}}},
           wide);
    o.session.prefs.flags["AutoDupCheck"] = true;
    o.session.askNewRecord = [](const NewRecordBoxLayout& l) -> std::optional<NewRecordAnswer> {
        EXPECT_TRUE(l.names);
        EXPECT_FALSE(l.zip);
        return NewRecordAnswer{"smith", "john", ""};
    };
    EXPECT_EQ(o.file.field("LNAME"), QStringLiteral("Adams"));
    o.dialogs.answers.enqueue(false);
    EXPECT_FALSE(o.session.add());
    EXPECT_FALSE(o.session.editing());
    ASSERT_EQ(o.dialogs.shown.size(), 2);
    EXPECT_EQ(o.dialogs.shown[0].kind, ScriptedDialogs::Kind::Beep);
    EXPECT_EQ(o.dialogs.shown[1].kind, ScriptedDialogs::Kind::YesNoDefaultNo);
    EXPECT_EQ(o.dialogs.shown[1].caption, QStringLiteral("Possible Duplicate"));
    EXPECT_EQ(o.dialogs.shown[1].text, QStringLiteral("Possible duplicate: \r\n\r\nJohn Smith\r\n1 Main St\r\n"
                                                      "Springfield,IL 62701\r\n\r\nContinue adding?"));
    EXPECT_EQ(o.file.field("LNAME"), QStringLiteral("Smith"));  // the duplicate is current
    EXPECT_EQ(o.file.currentTag(), QStringLiteral("LNAME"));
    EXPECT_FALSE(o.file.table()->exact());

    // Yes goes on from the record that was current; no name skips the check.
    o.file.last();
    o.dialogs.answers.enqueue(true);
    EXPECT_TRUE(o.session.add());
    EXPECT_EQ(o.session.field("LNAME"), QStringLiteral("smith"));
    o.session.cancel();
    o.dialogs.shown.clear();
    o.session.askNewRecord = [](const NewRecordBoxLayout&) { return std::optional<NewRecordAnswer>(NewRecordAnswer{"Smith", "", ""}); };
    EXPECT_TRUE(o.session.add());
    EXPECT_TRUE(o.dialogs.shown.isEmpty());
    o.session.cancel();
    // Cancel in the box ends the add.
    o.session.askNewRecord = [](const NewRecordBoxLayout&) { return std::optional<NewRecordAnswer>(); };
    EXPECT_FALSE(o.session.add());
    EXPECT_FALSE(o.session.editing());
}

TEST(Adding, CityAndStateFromAnotherRecord) {
    Open o(kPeople);
    EXPECT_EQ(o.session.fillCityState("62701"), std::make_pair(QStringLiteral("Springfield"), QStringLiteral("IL")));
    EXPECT_EQ(o.session.fillCityState("99999"), std::make_pair(QString(), QString()));
    o.session.prefs.flags["PlugCityState"] = true;
    o.session.askNewRecord = [](const NewRecordBoxLayout& l) {
        EXPECT_FALSE(l.names);
        EXPECT_TRUE(l.zip);
        return std::optional<NewRecordAnswer>(NewRecordAnswer{"", "", "62701"});
    };
    ASSERT_TRUE(o.session.add());
    EXPECT_EQ(o.session.field("CITY"), QStringLiteral("Springfield"));
    EXPECT_EQ(o.session.field("STATE"), QStringLiteral("IL"));
    EXPECT_EQ(o.session.field("ZIP"), QStringLiteral("62701"));
    EXPECT_EQ(o.file.currentTag(), QStringLiteral("LNAME"));
    o.session.cancel();

    // No record with that ZIP: carried values fill in.
    o.session.prefs.flags["CarryCity"] = true;
    o.session.askNewRecord = [](const NewRecordBoxLayout&) {
        return std::optional<NewRecordAnswer>(NewRecordAnswer{"", "", "55555"});
    };
    o.file.first();
    const QString city = o.file.field("CITY");
    ASSERT_TRUE(o.session.add());
    EXPECT_EQ(o.session.field("CITY"), city);
    EXPECT_TRUE(o.session.field("STATE").isEmpty());
}

TEST(Adding, CarryForwardDefaultCountryDateAndFocus) {
    Open o(std::vector<Fields>{{{"LNAME", "Adams"}, {"ORG", "Acme"}, {"STREET", "1 Road"}, {"COUNTRY", ""}}});
    o.session.prefs.defaultCountry = QStringLiteral("USA");
    o.session.prefs.flags["CarryOrg"] = true;
    o.session.prefs.flags["CarryCountry"] = true;
    o.session.prefs.flags["PlugDate"] = true;
    o.session.prefs.flags["SkipLastName"] = true;
    ASSERT_TRUE(o.session.add());
    EXPECT_EQ(o.session.field("ORG"), QStringLiteral("Acme"));
    EXPECT_TRUE(o.session.field("STREET").isEmpty());
    EXPECT_EQ(o.session.field("COUNTRY"), QStringLiteral("USA"));
    EXPECT_EQ(o.session.field("DATE"), QDate::currentDate().toString("yyyyMMdd"));
    EXPECT_EQ(o.session.addFocusField(), QStringLiteral("FNAME"));
    EXPECT_TRUE(o.session.skipField("LNAME"));
    EXPECT_FALSE(o.session.skipField("FNAME"));
    EXPECT_TRUE(o.session.save(QString()));
    EXPECT_EQ(o.file.table()->recordCount(), 2u);
    // Without CarryCountry the default country is used even when the last record has one.
    o.session.prefs.flags["CarryCountry"] = false;
    o.session.setField("COUNTRY", "");
    ASSERT_TRUE(o.session.add());
    EXPECT_EQ(o.session.field("COUNTRY"), QStringLiteral("USA"));
}

// ---------------------------------------------------------------- saving

TEST(Saving, MemoRuleCountsStoredText) {
    EXPECT_EQ(storedMemo("12345678"), std::string("12345678 "));
    EXPECT_EQ(storedMemo("1234567"), std::string("1234567"));
    EXPECT_EQ(storedMemo(""), std::string());
    // "ab\ncd" is stored as 6 bytes; "abc\nd" too; "é12" is 3 bytes in Windows-1252, + "\r\nx" = 6 -> unchanged.
    EXPECT_EQ(storedMemo("a\nbc"), std::string("a\r\nbc"));    // 5 bytes: unchanged
    EXPECT_EQ(storedMemo("ab\nc"), std::string("ab\r\nc"));
    EXPECT_EQ(storedMemo("a\nb"), std::string("a\r\nb "));     // 4 bytes stored
    EXPECT_EQ(storedMemo("é123"), std::string("\xe9" "123 "));  // one byte per letter
    EXPECT_EQ(memoForDisplay("a\r\nb "), QStringLiteral("a\nb "));

    Open o(std::vector<Fields>{{{"LNAME", "Adams"}}});
    ASSERT_TRUE(o.session.startEdit());
    o.session.setField("FNAME", "Ann");
    EXPECT_TRUE(o.session.save("12345678"));
    EXPECT_EQ(o.file.table()->getMemo("MEMO"), "12345678 ");
    EXPECT_EQ(o.file.field("FNAME"), QStringLiteral("Ann"));
}

TEST(Saving, CancelShowsTheStoredMemoAgain) {
    Open o(std::vector<Fields>{{{"LNAME", "Adams"}, {"MEMO", "kept"}}});
    ASSERT_TRUE(o.session.startEdit());
    o.session.setField("LNAME", "Changed");
    o.session.cancel();
    EXPECT_EQ(o.session.memoText(), QStringLiteral("kept"));
    EXPECT_EQ(o.file.field("LNAME"), QStringLiteral("Adams"));
}

TEST(Saving, AggressiveSavingCounts) {
    Open o(std::vector<Fields>{{{"LNAME", "Adams"}}, {{"LNAME", "Baker"}}, {{"LNAME", "Clark"}}});
    o.applyWith({{0, ">=B"}});
    o.file.setOrderTo("First Name");
    o.file.last();
    const auto here = o.file.recNo();
    o.session.prefs.aggressiveSave = 1;
    for (int i = 1; i <= 4; ++i) {
        o.session.startEdit();
        o.session.save(QString());
        EXPECT_EQ(o.session.saveCounter, i);
    }
    o.session.startEdit();
    o.session.save(QString());
    EXPECT_EQ(o.session.saveCounter, 0);  // closed and reopened
    ASSERT_TRUE(o.file.isOpen());
    EXPECT_EQ(o.file.recNo(), here);
    EXPECT_EQ(o.file.currentTag(), QStringLiteral("FNAME"));
    EXPECT_EQ(o.file.filterCount(), 2u);
    EXPECT_TRUE(o.file.filterSet());

    o.session.prefs.aggressiveSave = 2;
    o.session.startEdit();
    o.session.save(QString());
    EXPECT_EQ(o.session.saveCounter, 0);
    // Never during a bulk operation such as Tag All.
    o.session.tagAll({});
    EXPECT_EQ(o.session.saveCounter, 0);
    o.session.prefs.aggressiveSave = 1;
    o.session.tagAll({});
    EXPECT_EQ(o.session.saveCounter, 0);
    EXPECT_TRUE(o.dialogs.infos().isEmpty());
}

TEST(Saving, FailedReopenShowsOneMessage) {
    Open o(std::vector<Fields>{{{"LNAME", "Adams"}}});
    o.session.prefs.aggressiveSave = 2;
    ASSERT_TRUE(QFile::rename(o.path, o.path + ".away"));
    o.session.startEdit();
    o.session.save(QString());
    EXPECT_FALSE(o.file.isOpen());
    EXPECT_TRUE(o.file.currentFilePath().isEmpty());
    EXPECT_EQ(o.dialogs.infos(), QStringList{QString::fromLatin1(kLostDataMessage)});
}

// ---------------------------------------------------------------- delete, clone, tags

TEST(Records, DeleteCloneAndTheLastRecordOfAFilter) {
    Open o(kPeople);
    o.file.first();  // JOHNSON
    o.file.next();   // Jones
    o.dialogs.answers.enqueue(true);
    ASSERT_TRUE(o.session.deleteRecord());
    EXPECT_EQ(o.dialogs.shown[0].text, QStringLiteral("Delete this record?"));
    EXPECT_EQ(o.dialogs.shown[0].caption, QStringLiteral("DELETE"));
    EXPECT_EQ(o.file.field("LNAME"), QStringLiteral("JOHNSON"));  // the previous record
    EXPECT_EQ(o.file.filterCount(), 4u);
    o.file.table()->setHideDeleted(false);
    o.file.table()->setFilter("");
    o.file.table()->go(1);
    EXPECT_TRUE(o.file.table()->deleted());
    EXPECT_TRUE(o.file.table()->getLogical("ISDEL"));
    o.file.applyQuery();

    // The only record of a filter: the plain filter comes back.
    EXPECT_EQ(o.applyWith({{0, "wil"}}), 1);
    o.file.first();
    o.dialogs.answers.enqueue(true);
    ASSERT_TRUE(o.session.deleteRecord());
    EXPECT_FALSE(o.file.filterSet());
    EXPECT_EQ(o.file.filterCount(), 3u);
    EXPECT_TRUE(o.file.hasRecord());

    o.file.first();
    o.dialogs.answers.enqueue(true);
    const QString memo = o.session.memoText();
    ASSERT_TRUE(o.session.cloneRecord());
    EXPECT_EQ(o.dialogs.infos().last(), QStringLiteral("Clone completed. Current record is an exact copy"));
    EXPECT_EQ(o.file.recNo(), 6u);
    EXPECT_EQ(o.file.field("LNAME"), QStringLiteral("JOHNSON"));
    EXPECT_EQ(o.session.memoText(), memo);
    EXPECT_TRUE(o.file.field("TAG").isEmpty());
}

TEST(Records, TagsAndTheTagAllFilterFallback) {
    Open o(kPeople);
    ASSERT_TRUE(o.session.toggleTag());
    EXPECT_EQ(o.file.field("TAG"), QStringLiteral("TAG1"));
    EXPECT_TRUE(o.file.calcFields().tagged);
    // While editing the change waits for Save; Cancel drops it.
    o.session.startEdit();
    o.session.toggleTag();
    EXPECT_TRUE(o.session.editing());
    o.session.cancel();
    EXPECT_EQ(o.file.field("TAG"), QStringLiteral("TAG1"));

    // "Tagged" plus "Reverse": the untagged records. Tagging them all empties
    // the filter, which falls back to the plain filter on the first record.
    EXPECT_EQ(o.applyWith({}, true, true), 4);
    int seen = 0;
    const auto r = o.session.tagAll([&](int n) {
        seen = n;
        return true;
    });
    EXPECT_EQ(r.tagged, 4);
    EXPECT_FALSE(r.cancelled);
    EXPECT_EQ(seen, 4);
    EXPECT_FALSE(o.file.filterSet());
    EXPECT_TRUE(o.file.hasRecord());
    EXPECT_EQ(o.file.filterCount(), 5u);
    EXPECT_TRUE(o.session.refreshButtons);
    EXPECT_FALSE(o.session.bulkOperation);

    // Clear Tags writes no record and stores a new identifier.
    o.session.clearTags();
    EXPECT_NE(o.file.globalTagId(), QStringLiteral("TAG1"));
    EXPECT_EQ(common::ProfileFile(o.home.settings()).readString("Misc", "GlobalTagId", ""), o.file.globalTagId());
    EXPECT_FALSE(o.file.calcFields().tagged);
    EXPECT_EQ(o.file.field("TAG"), QStringLiteral("TAG1"));

    // Cancelling after two records leaves those tagged.
    const auto c = o.session.tagAll([](int n) { return n < 2; });
    EXPECT_EQ(c.tagged, 2);
    EXPECT_TRUE(c.cancelled);
    EXPECT_EQ(o.applyWith({}, true), 2);
}

TEST(Records, DateAndTagWithoutARecordBeep) {
    Open o(std::vector<Fields>{});
    EXPECT_FALSE(o.file.hasRecord());
    EXPECT_FALSE(o.session.toggleTag());
    EXPECT_FALSE(o.session.setDate("20240101"));
    EXPECT_EQ(o.dialogs.texts(ScriptedDialogs::Kind::Beep).size(), 2);
    EXPECT_EQ(o.file.recordCount(), 0u);
}

TEST(Records, DateStartsAnEdit) {
    Open o(std::vector<Fields>{{{"LNAME", "Adams"}, {"DATE", "19990704"}}});
    ASSERT_TRUE(o.session.setDate("20240229"));
    EXPECT_TRUE(o.session.editing());
    EXPECT_EQ(o.session.field("DATE"), QStringLiteral("20240229"));
    o.session.save(QString());
    ASSERT_TRUE(o.session.setDate(QString()));
    o.session.save(QString());
    EXPECT_TRUE(o.file.field("DATE").isEmpty());
}

// ---------------------------------------------------------------- clipboard text

TEST(RecordText, LinesBlanksAndTheLimit) {
    std::map<std::string, QString> r = {{"FNAME", "John"}, {"LNAME", "Smith"}, {"CITY", "Springfield"},
                                        {"STATE", "IL"},   {"ZIP", "62701"},   {"PHONE", "555-1234"},
                                        {"USER2", "second"}};
    auto value = [&](const char* f) { return r.count(f) ? r[f] : QString(); };
    EXPECT_EQ(getRecordAsString(value, {}),
              QStringLiteral("John Smith \r\nSpringfield  IL 62701\r\nPhone  :555-1234\r\nComment 2 :second\r\n"));
    r["MIDDLE"] = "Q";
    r["PREFIX"] = "Dr.";
    r["COUNTRY"] = "USA";
    // The name and address lines are the printed address block's: the
    // country without a trailing blank.
    EXPECT_EQ(getRecordAsString(value, {true, true, false, false, false}),
              QStringLiteral("Dr. John Q. Smith \r\nSpringfield  IL 62701\r\nUSA\r\n"));
    // Without city, state and ZIP no line of blanks is left between the street and the country.
    std::map<std::string, QString> noCity = {{"LNAME", "Smith"}, {"STREET", "1 Elm St"}, {"COUNTRY", "USA"}};
    EXPECT_EQ(getRecordAsString([&](const char* f) { return noCity.count(f) ? noCity[f] : QString(); },
                                {true, true, false, false, false}),
              QStringLiteral("Smith \r\n1 Elm St\r\nUSA\r\n"));
    EXPECT_EQ(getRecordAsString(value, {false, false, false, false, true}), QStringLiteral("Comment 2 :second\r\n"));
    r["USER1"] = QString(900, 'x');
    r["STREET"] = QString(200, 'y');
    EXPECT_EQ(getRecordAsString(value, {}).size(), kRecordTextLimit);
}

// ---------------------------------------------------------------- search

TEST(Search, SearchBoxAndMemoSearch) {
    Open o(kPeople);
    o.session.searchFor("City", "bos");
    EXPECT_EQ(o.file.sortName(), QStringLiteral("City"));
    EXPECT_EQ(o.file.field("LNAME"), QStringLiteral("jordan"));
    o.session.searchFor("Last Name", "zzz");  // not found: the record stays
    EXPECT_EQ(o.file.field("LNAME"), QStringLiteral("jordan"));
    EXPECT_EQ(o.file.sortName(), QStringLiteral("Last Name"));
    o.session.searchFor("Last Name", "WIL");
    EXPECT_EQ(o.file.field("LNAME"), QStringLiteral("Wilson"));

    o.file.first();
    o.session.memoSearchText = QStringLiteral("abc");
    EXPECT_TRUE(o.session.findTextInMemo(true));
    EXPECT_EQ(o.file.field("LNAME"), QStringLiteral("Miller"));
    EXPECT_TRUE(o.session.memoFound);
    EXPECT_FALSE(o.session.findTextInMemo(false));  // nothing after it
    EXPECT_FALSE(o.session.memoFound);
    EXPECT_EQ(o.file.field("LNAME"), QStringLiteral("Miller"));
    EXPECT_EQ(o.dialogs.texts(ScriptedDialogs::Kind::Beep).size(), 1);
}

// ---------------------------------------------------------------- gateway and browse

TEST(Gateway, RestoresOnEveryWayOut) {
    Open o(kPeople);
    o.applyWith({{0, "jo"}});
    o.file.setOrderTo("City");
    o.file.last();
    const auto here = o.file.recNo();
    const std::string filter = o.file.table()->filter();
    int notified = 0;
    o.file.changed = [&] { ++notified; };
    try {
        GatewayScope scope(o.session, {.bulkOperation = true, .extraFields = true});
        EXPECT_TRUE(o.session.bulkOperation);
        EXPECT_FALSE(o.session.refreshButtons);
        EXPECT_TRUE(o.file.extraFields());
        o.file.table()->setFilter("");
        o.file.setCurrentOrder("ZIP");
        o.file.first();
        o.file.close();  // a window that closed the file and failed
        throw std::runtime_error("window failed");
    } catch (const std::runtime_error&) {
    }
    ASSERT_TRUE(o.file.isOpen());
    EXPECT_EQ(o.file.recNo(), here);
    EXPECT_EQ(o.file.table()->filter(), filter);
    EXPECT_EQ(o.file.currentTag(), QStringLiteral("CITY"));
    EXPECT_FALSE(o.session.bulkOperation);
    EXPECT_TRUE(o.session.refreshButtons);
    EXPECT_FALSE(o.file.extraFields());
    EXPECT_FALSE(o.file.updatesSuspended());
    EXPECT_EQ(notified, 1);  // one refresh at the end, none while suspended
    o.file.changed = nullptr;
}

TEST(Gateway, SaysWhenTheFileCannotBeOpenedAgain) {
    Open o(kPeople);
    const QString path = o.file.currentFilePath();
    {
        GatewayScope scope(o.session, {.bulkOperation = true});
        o.file.close();
        addrtest::removeIndex(path);  // a window that closed the file and lost its index
    }
    EXPECT_FALSE(o.file.isOpen());
    EXPECT_EQ(o.dialogs.texts(ScriptedDialogs::Kind::Error), QStringList{unableToOpenMessage(path)});
    // Everything else is put back all the same.
    EXPECT_FALSE(o.session.bulkOperation);
    EXPECT_TRUE(o.session.refreshButtons);
    EXPECT_FALSE(o.file.updatesSuspended());
}

TEST(Browse, ColumnOrderKeptBetweenRuns) {
    ProgramHome home;
    const QString path = home.path("sysdata/FIELDS.LST");
    EXPECT_EQ(columnOrderPath(), path);
    EXPECT_TRUE(readColumnOrder(path).isEmpty());
    QStringList order = applyColumnOrder(browseFieldNames(), readColumnOrder(path));
    EXPECT_EQ(order, browseFieldNames());
    // The user drags LNAME to the end of the grid.
    QStringList shown;
    for (const QString& n : order)
        if (isBrowseColumnShown(n)) shown << n;
    shown.removeAll("LNAME");
    shown << "LNAME";
    writeColumnOrder(path, mergeShownOrder(order, shown));
    const QStringList next = applyColumnOrder(browseFieldNames(), readColumnOrder(path));
    QStringList nextShown;
    for (const QString& n : next)
        if (isBrowseColumnShown(n)) nextShown << n;
    EXPECT_EQ(nextShown.last(), QStringLiteral("LNAME"));
    EXPECT_EQ(next.size(), browseFieldNames().size());
    // Unknown and repeated names are skipped.
    EXPECT_EQ(applyColumnOrder({"A", "B", "C"}, {"C", "X", "C"}), (QStringList{"C", "A", "B"}));
}

TEST(Browse, ModelFollowsOrderAndFilter) {
    Open o(kPeople);
    o.applyWith({{0, "jo"}});
    AddressTableModel m(o.file, browseFieldNames());
    EXPECT_EQ(m.columnCount(), 21);
    EXPECT_EQ(m.headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("Last Name"));
    ASSERT_TRUE(m.canFetchMore({}));
    m.fetchMore({});
    ASSERT_EQ(m.rowCount(), 3);
    EXPECT_EQ(m.data(m.index(0, 1), Qt::DisplayRole).toString(), QStringLiteral("JOHNSON"));
    EXPECT_EQ(m.data(m.index(2, 1), Qt::DisplayRole).toString(), QStringLiteral("jordan"));
    EXPECT_EQ(m.data(m.index(2, 20), Qt::DisplayRole).toString(), common::storedToDisplay("19990704"));
    EXPECT_EQ(m.rowOf(o.file.recNo()), 0);
}
