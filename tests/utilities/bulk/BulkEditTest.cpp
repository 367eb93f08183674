// Case conversion, search and replace and deleting sets over address files,
// driven without a window through scripted dialogs.
#include <gtest/gtest.h>

#include "address/RecordSet.h"
#include "common/ScriptedDialogs.h"
#include "utilities/CaseConversion.h"
#include "utilities/DeleteRecords.h"
#include "utilities/SearchReplace.h"
#include "utilities/bulk/UtilitiesTestSupport.h"

using namespace brindle;
using namespace brindle::utilities;
using address::RecordChoice;
using Strings = std::vector<std::string>;

namespace {

std::string enc(const std::string& utf8) { return store::utf8ToCp1252(utf8); }
std::string dec(const std::string& bytes) { return store::cp1252ToUtf8(bytes); }

// ---------------------------------------------------------------- case rules

TEST(CaseConversion, RulesChangeOnlyLettersWindows1252IncludedInEveryField) {
    struct Case {
        const char* in;
        CaseRule rule;
        const char* out;
    };
    const Case cases[] = {
        {"O'BRIEN-JONES", CaseRule::Capitalised, "O'brien-jones"},
        {"  mary   ann", CaseRule::Capitalised, "  Mary   Ann"},
        {"123 main st", CaseRule::Capitalised, "123 Main St"},
        {"1st avenue", CaseRule::Capitalised, "1st Avenue"},
        {"MCDONALD", CaseRule::Capitalised, "Mcdonald"},
        {"JOSÉ", CaseRule::Capitalised, "José"},
        {"MÜLLER", CaseRule::Lower, "müller"},
        {"élodie çava", CaseRule::Capitalised, "Élodie Çava"},
        {"josé", CaseRule::Upper, "JOSÉ"},
        {"12345-6789", CaseRule::Upper, "12345-6789"},
        {"12345-6789", CaseRule::Lower, "12345-6789"},
        {"12345-6789", CaseRule::Capitalised, "12345-6789"},
        {"", CaseRule::Capitalised, ""},
        {"a.b,c;d!", CaseRule::Upper, "A.B,C;D!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.in);
        EXPECT_EQ(dec(convertCase(enc(c.in), c.rule)), c.out);
    }
    // A file in another code page: its bytes are not Windows-1252 letters.
    EXPECT_EQ(convertCase("M\x81LLER", CaseRule::Lower, true), "m\x81ller");
}

struct BulkFile : ::testing::Test {
    QTemporaryDir dir;
    std::string path;
    std::unique_ptr<store::Table> t;
    common::ScriptedDialogs dialogs;
    BulkProgress progress;
    void make(const std::vector<utiltest::Row>& rows) {
        path = utiltest::makeAddressFile(dir, rows);
        t = store::Table::open(path);
    }
};

TEST_F(BulkFile, ConvertsTheChosenRecordsAndFieldsOnly) {
    std::vector<utiltest::Row> rows = {
        {{{"LNAME", "WAŁĘSA"}, {"CITY", "GDAŃSK"}}},  // not Windows-1252: stored as WA??SA by the fixture
        {{{"LNAME", "MÜLLER"}, {"CITY", "KÖLN"}, {"ZIP", "12345-6789"}}},
        {{{"LNAME", "JOSÉ"}, {"CITY", "SÃO PAULO"}}, true},  // ISDEL
        {{{"LNAME", "SMITH"}, {"CITY", "NEW YORK"}}},
    };
    make(rows);
    t->go(2);
    // Current record only: exactly one record, even though every record matches the filter.
    BulkResult r = runCaseConversion(*t, {{"LNAME"}, CaseRule::Capitalised, RecordChoice::CurrentOnly, "LNAME<>\"\""},
                                     progress);
    EXPECT_EQ(r.changed, 1u);
    EXPECT_EQ(t->recNo(), 2u);
    EXPECT_EQ(utiltest::column(*t, "LNAME"), (Strings{"WA??SA", "Müller", "JOSÉ", "SMITH"}));

    // All records, two fields; the ISDEL record stays as it was.
    r = runCaseConversion(*t, {{"LNAME", "CITY", "ZIP"}, CaseRule::Lower, RecordChoice::All}, progress);
    EXPECT_EQ(r.total, 3u);
    EXPECT_EQ(utiltest::column(*t, "LNAME"), (Strings{"wa??sa", "müller", "JOSÉ", "smith"}));
    EXPECT_EQ(utiltest::column(*t, "CITY"), (Strings{"gda?sk", "köln", "SÃO PAULO", "new york"}));
    EXPECT_EQ(utiltest::column(*t, "ZIP")[1], "12345-6789");

    // The filter's matches only.
    r = runCaseConversion(*t, {{"LNAME"}, CaseRule::Upper, RecordChoice::FilterMatches, "CITY=\"new\""}, progress);
    EXPECT_EQ(r.changed, 1u);
    EXPECT_EQ(utiltest::column(*t, "LNAME"), (Strings{"wa??sa", "müller", "JOSÉ", "SMITH"}));
}

TEST_F(BulkFile, ConvertConfirmsStopsOnNoFieldsAndCancelKeepsTheFirstPart) {
    make(utiltest::lastNames({"ann", "bob", "cy", "di"}));
    // No field ticked: the message, nothing changed, no question.
    EXPECT_FALSE(convertWithConfirmation(*t, {{}, CaseRule::Upper, RecordChoice::All}, dialogs, progress));
    EXPECT_EQ(dialogs.infos(), QStringList{QString::fromLatin1(kNoFieldsMessage)});
    // Declined (the default answer is No).
    EXPECT_FALSE(convertWithConfirmation(*t, {{"LNAME"}, CaseRule::Upper, RecordChoice::All}, dialogs, progress));
    ASSERT_EQ(dialogs.shown.back().kind, common::ScriptedDialogs::Kind::YesNoDefaultNo);
    EXPECT_EQ(dialogs.shown.back().caption, "Convert");
    EXPECT_EQ(utiltest::column(*t, "LNAME"), (Strings{"ann", "bob", "cy", "di"}));
    // Cancelled halfway.
    dialogs.answers.enqueue(true);
    int seen = 0;
    struct StopAfterTwo : address::WalkProgress {
        int* seen;
        bool afterRecord(int, int) override { return ++*seen < 2; }
    } stop;
    stop.seen = &seen;
    const auto r = convertWithConfirmation(*t, {{"LNAME"}, CaseRule::Upper, RecordChoice::All}, dialogs, stop);
    ASSERT_TRUE(r);
    EXPECT_TRUE(r->cancelled);
    EXPECT_EQ(utiltest::column(*t, "LNAME"), (Strings{"ANN", "BOB", "cy", "di"}));
}

// ---------------------------------------------------------------- search and replace

TEST(SearchReplaceRules, MatchesAndReplacesLiterally) {
    struct Case {
        const char* value;
        const char* find;
        FindMode mode;
        bool caseSensitive;
        bool matches;
    };
    const Case cases[] = {
        {"cow", "COW", FindMode::Equals, false, true},     {"COW", "COW", FindMode::Equals, false, true},
        {"COWBOY", "COW", FindMode::Equals, false, false}, {"cowboy", "COW", FindMode::Contains, false, true},
        {"cow", "COW", FindMode::Contains, false, true},   {"COW", "cow", FindMode::Equals, true, false},
        {"josé", "JOSÉ", FindMode::Equals, false, true},   {"O\"Neil", "O\"Neil", FindMode::Equals, true, true},
        {"x\"$LNAME.or..T..or.\"", "x\"$LNAME.or..T..or.\"", FindMode::Contains, true, true},
        {"Smith", "x\"$LNAME.or..T..or.\"", FindMode::Contains, true, false},
        {"   ", "", FindMode::Equals, true, true},         {"a", "", FindMode::Contains, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.value) + " / " + c.find);
        EXPECT_EQ(valueMatches(enc(c.value), enc(c.find), c.mode, c.caseSensitive), c.matches);
    }
    EXPECT_EQ(replaceOccurrences("banana", "a", "aa", true), "baanaanaa");
    EXPECT_EQ(replaceOccurrences("cowboy", "cow", "bull", true), "bullboy");
    EXPECT_EQ(replaceOccurrences("COWBOY", "cow", "bull", true), "COWBOY");
    EXPECT_EQ(replaceOccurrences("CowCOWcow", "cow", "x", false), "xxx");
}

TEST(SearchReplaceRules, QuestionTexts) {
    ReplaceOptions o;
    EXPECT_EQ(replaceQuestion(o), "Find records where field Last Name\ris empty \rand delete the entire field ");
    o.action = ReplaceAction::MatchingText;
    EXPECT_EQ(replaceQuestion(o).section('\r', 2), "and delete the matching text ");
    o = {.field = "CITY", .find = "cow", .mode = FindMode::Contains, .caseSensitive = false,
         .action = ReplaceAction::MatchingText, .replacement = "bull"};
    EXPECT_EQ(replaceQuestion(o), "Find records where field City\rcontains: \"cow\" (not case sensitive)\r"
                                  "and replace only the matching text with \"bull\"");
    o = {.field = "USER1", .find = "A", .replacement = "B"};
    EXPECT_EQ(replaceQuestion(o), "Find records where field Comment 1\rexactly matches: \"A\"  (case sensitive)\r"
                                  "and replace the entire field with \"B\"");
}

TEST_F(BulkFile, ReplaceRewritesExactlyTheMatchingRecordsAndSaysHowMany) {
    std::vector<utiltest::Row> rows = utiltest::lastNames({"cow", "COW", "COWBOY", "cowboy", "O\"Neil", "banana"});
    rows.push_back({{{"LNAME", "cow"}}, true});  // ISDEL: never touched
    rows.push_back({{{"LNAME", "Smith"}}});
    make(rows);
    // The expression a pasted find text would have made matches nothing literally.
    dialogs.answers.enqueue(true);
    auto r = replaceWithConfirmation(*t, {.find = "x\"$LNAME.or..T..or.\"", .mode = FindMode::Contains,
                                          .replacement = "gone"}, dialogs, progress);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->changed, 0u);
    EXPECT_EQ(utiltest::column(*t, "LNAME")[7], "Smith");

    struct Case {
        ReplaceOptions options;
        Strings after;
        std::uint64_t changed;
    };
    const Case cases[] = {
        {{.find = "cow", .mode = FindMode::Contains, .action = ReplaceAction::MatchingText, .replacement = "bull"},
         {"bull", "COW", "COWBOY", "bullboy", "O\"Neil", "banana", "cow", "Smith"}, 2},
        {{.find = "COW", .caseSensitive = false, .replacement = "ox"},
         {"bull", "ox", "COWBOY", "bullboy", "O\"Neil", "banana", "cow", "Smith"}, 1},
        {{.find = "O\"Neil", .replacement = "O'Neil"},
         {"bull", "ox", "COWBOY", "bullboy", "O'Neil", "banana", "cow", "Smith"}, 1},
        {{.find = "a", .mode = FindMode::Contains, .action = ReplaceAction::MatchingText, .replacement = "aa"},
         {"bull", "ox", "COWBOY", "bullboy", "O'Neil", "baanaanaa", "cow", "Smith"}, 1},
        // Filter matches only: names from S on.
        {{.find = "m", .mode = FindMode::Contains, .caseSensitive = false, .action = ReplaceAction::MatchingText,
          .replacement = "M", .matchingFilter = true, .query = "LNAME>=\"S\""},
         {"bull", "ox", "COWBOY", "bullboy", "O'Neil", "baanaanaa", "cow", "SMith"}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(replaceQuestion(c.options).toStdString());
        dialogs.shown.clear();
        dialogs.answers.enqueue(true);
        r = replaceWithConfirmation(*t, c.options, dialogs, progress);
        ASSERT_TRUE(r);
        EXPECT_EQ(r->changed, c.changed);
        EXPECT_EQ(utiltest::column(*t, "LNAME"), c.after);
        ASSERT_EQ(dialogs.shown.size(), 3);
        EXPECT_EQ(dialogs.shown[0].caption, "Replace");
        EXPECT_TRUE(dialogs.shown[0].text.endsWith(
            c.changed == 1 ? QStringLiteral("\r\n\r\n1 record will be changed.")
                           : QStringLiteral("\r\n\r\n%1 records will be changed.").arg(c.changed)));
        EXPECT_EQ(dialogs.infos(), (QStringList{QStringLiteral("Replaced %1 records").arg(c.changed),
                                                QStringLiteral("Replacement done")}));
    }
}

TEST_F(BulkFile, ReplaceRefusesWhatItCannotDoAndReportsCutValues) {
    make(utiltest::lastNames({"Müller", "", "ab"}));
    const Strings before = utiltest::column(*t, "LNAME");
    // An empty find text with "matching text", and texts the file cannot store.
    const ReplaceOptions refused[] = {
        {.action = ReplaceAction::MatchingText, .replacement = "x"},
        {.find = "Wałęsa", .replacement = "x"},
        {.find = "Müller", .replacement = "Иванов"},
    };
    for (const ReplaceOptions& o : refused) {
        dialogs.answers.enqueue(true);
        EXPECT_FALSE(replaceWithConfirmation(*t, o, dialogs, progress));
    }
    EXPECT_EQ(dialogs.texts(common::ScriptedDialogs::Kind::YesNo).size(), 0);
    ASSERT_EQ(dialogs.infos().size(), 3);
    EXPECT_TRUE(dialogs.infos()[1].contains(QStringLiteral("ł, ę")));
    EXPECT_TRUE(dialogs.infos()[2].contains(QStringLiteral("И")));
    EXPECT_EQ(utiltest::column(*t, "LNAME"), before);
    // Declined: nothing changes.
    dialogs.shown.clear();
    dialogs.answers.clear();
    EXPECT_FALSE(replaceWithConfirmation(*t, {.replacement = "Empty"}, dialogs, progress));
    EXPECT_EQ(utiltest::column(*t, "LNAME"), before);
    // An empty field replaced whole; a value that grows past the width is cut and said so.
    dialogs.answers.enqueue(true);
    ASSERT_TRUE(replaceWithConfirmation(*t, {.replacement = "Empty"}, dialogs, progress));
    EXPECT_EQ(utiltest::column(*t, "LNAME"), (Strings{"Müller", "Empty", "ab"}));
    dialogs.shown.clear();
    dialogs.answers.enqueue(true);
    ASSERT_TRUE(replaceWithConfirmation(*t, {.find = "b", .mode = FindMode::Contains,
                                             .action = ReplaceAction::MatchingText,
                                             .replacement = QString(30, QChar('b'))}, dialogs, progress));
    EXPECT_EQ(utiltest::column(*t, "LNAME")[2], "a" + std::string(29, 'b'));
    EXPECT_EQ(dialogs.infos()[0], "Replaced 1 records\r\n\r\n1 new value longer than the field's 30 characters "
                                  "was cut to fit.");
}

// ---------------------------------------------------------------- deleting sets

TEST_F(BulkFile, DeletingSetsCountsLiveRecordsOnceAndNotMatchingIsTheComplement) {
    const std::string query = "UPPER(LNAME)=\"S\"";
    struct Case {
        DeleteChoice choice;
        std::vector<std::uint32_t> deleted;  // records marked afterwards (1 is deleted beforehand)
        std::uint64_t count;
    };
    const Case cases[] = {
        {DeleteChoice::MatchingFilter, {1, 2, 4}, 2},
        {DeleteChoice::NotMatchingFilter, {1, 3, 5}, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.choice));
        QTemporaryDir d;
        std::vector<utiltest::Row> rows = utiltest::lastNames({"Sam", "Sue", "Al", "Stan", "Bo"});
        rows[0].isdel = rows[0].engineDeleted = true;
        path = utiltest::makeAddressFile(d, rows);
        t = store::Table::open(path);
        dialogs.shown.clear();
        dialogs.answers.enqueue(true);
        const auto r = deleteWithConfirmation(*t, {c.choice, query}, dialogs, progress);
        ASSERT_TRUE(r);
        EXPECT_EQ(r->changed, c.count);
        EXPECT_EQ(dialogs.shown[0].text, QStringLiteral("Are you sure?\r\n\r\n2 records will be deleted."));
        EXPECT_EQ(dialogs.infos(), (QStringList{QStringLiteral("Deleted 2 records"),
                                                QString::fromLatin1(kRebuildAdvice)}));
        std::vector<std::uint32_t> marked;
        t->setHideDeleted(false);
        t->setFilter("");
        for (std::uint32_t n = 1; n <= t->recordCount(); ++n) {
            t->go(n);
            if (t->deleted() && t->getLogical("ISDEL")) marked.push_back(n);
        }
        EXPECT_EQ(marked, c.deleted);
    }
}

TEST_F(BulkFile, DeleteAllEmptiesTheFileWithSoundTagsAndDeclineKeepsIt) {
    std::vector<utiltest::Row> rows = utiltest::lastNames({"José", "Müller", "Wałęsa"});
    rows[2].isdel = rows[2].engineDeleted = true;
    make(rows);
    EXPECT_FALSE(deleteWithConfirmation(*t, {DeleteChoice::All}, dialogs, progress));
    EXPECT_EQ(t->recordCount(), 3u);
    dialogs.shown.clear();
    dialogs.answers.enqueue(true);
    const auto r = deleteWithConfirmation(*t, {DeleteChoice::All}, dialogs, progress);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->changed, 2u);
    EXPECT_EQ(dialogs.infos()[0], "Deleted 2 records");
    EXPECT_EQ(t->recordCount(), 0u);
    EXPECT_EQ(t->tags().size(), 26u);
    EXPECT_EQ(t->check(), std::vector<std::string>{});
    t.reset();
    auto again = store::Table::open(path);
    EXPECT_EQ(again->recordCount(), 0u);
    EXPECT_EQ(again->check(), std::vector<std::string>{});
}

}  // namespace
