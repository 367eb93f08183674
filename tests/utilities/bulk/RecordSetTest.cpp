// The record-set helper: which records a job sees for each choice, with and
// without a filter, from the first or from the current record, and that the
// table is put back afterwards.
#include <gtest/gtest.h>

#include "utilities/bulk/UtilitiesTestSupport.h"
#include "address/RecordSet.h"
#include "common/ScriptedDialogs.h"

using namespace brindle;
using address::RecordChoice;
using address::RecordSet;
using address::RecordSetSpec;
using Recs = std::vector<std::uint32_t>;

namespace {

// 1 Adams, 2 Smith, 3 Stone (ISDEL and marked), 4 Baker, 5 Sloan (marked
// only), 6 Short (ISDEL only), 7 Young, 8 Swift. The filter picks names
// starting with S: live matches are 2 and 8.
struct RecordSetFile : ::testing::Test {
    QTemporaryDir dir;
    std::string path;
    std::unique_ptr<store::Table> t;
    const std::string query = "UPPER(LNAME)=\"S\"";
    void SetUp() override {
        std::vector<utiltest::Row> rows = utiltest::lastNames({"Adams", "Smith", "Stone", "Baker", "Sloan", "Short",
                                                               "Young", "Swift"});
        rows[2].isdel = rows[2].engineDeleted = true;
        rows[4].engineDeleted = true;
        rows[5].isdel = true;
        path = utiltest::makeAddressFile(dir, rows);
        t = store::Table::open(path);
        t->setOrder(0);
    }
    Recs walk(RecordSetSpec spec, std::uint32_t current, bool* outOfRange = nullptr, QStringList* infos = nullptr) {
        t->go(current);
        common::ScriptedDialogs dialogs;
        RecordSet set(*t, spec);
        Recs r = set.records(&dialogs);
        if (outOfRange) *outOfRange = set.outOfRange();
        if (infos) *infos = dialogs.infos();
        return r;
    }
};

TEST_F(RecordSetFile, EachChoiceWithAndWithoutFilterFromFirstOrCurrent) {
    struct Case {
        RecordChoice choice;
        bool filter;
        bool fromCurrent;
        std::uint32_t current;
        Recs expected;
        bool outOfRange;
    };
    const Case cases[] = {
        {RecordChoice::All, false, false, 4, {1, 2, 4, 7, 8}, false},
        {RecordChoice::All, true, false, 4, {1, 2, 4, 7, 8}, false},
        {RecordChoice::All, false, true, 4, {4, 7, 8}, false},
        {RecordChoice::All, true, true, 4, {4, 7, 8}, false},
        {RecordChoice::FilterMatches, false, false, 4, {1, 2, 4, 7, 8}, false},
        {RecordChoice::FilterMatches, true, false, 4, {2, 8}, false},
        {RecordChoice::FilterMatches, false, true, 4, {4, 7, 8}, false},
        // The current record lies outside the filter: go() would reach it, the set does not.
        {RecordChoice::FilterMatches, true, true, 4, {2, 8}, true},
        {RecordChoice::FilterMatches, true, true, 8, {8}, false},
        {RecordChoice::NotMatchingFilter, false, false, 4, {}, false},
        {RecordChoice::NotMatchingFilter, true, false, 4, {1, 4, 7}, false},
        {RecordChoice::NotMatchingFilter, true, true, 4, {4, 7}, false},
        {RecordChoice::NotMatchingFilter, true, true, 2, {1, 4, 7}, true},
        {RecordChoice::CurrentOnly, false, false, 4, {4}, false},
        {RecordChoice::CurrentOnly, true, false, 4, {4}, false},
        {RecordChoice::CurrentOnly, true, true, 4, {4}, false},
        // Deleted records never belong to a set, whichever way they were deleted.
        {RecordChoice::CurrentOnly, false, false, 3, {}, false},
        {RecordChoice::CurrentOnly, false, true, 5, {}, false},
        {RecordChoice::CurrentOnly, false, false, 6, {}, false},
        {RecordChoice::All, false, true, 6, {1, 2, 4, 7, 8}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "choice " << int(c.choice) << " filter " << c.filter << " fromCurrent "
                                          << c.fromCurrent << " current " << c.current);
        RecordSetSpec spec{c.choice, c.filter ? query : std::string(), c.fromCurrent};
        bool outOfRange = false;
        QStringList infos;
        EXPECT_EQ(walk(spec, c.current, &outOfRange, &infos), c.expected);
        EXPECT_EQ(outOfRange, c.outOfRange);
        EXPECT_EQ(infos, c.outOfRange ? QStringList{QString::fromLatin1(address::kOutOfRangeMessage)} : QStringList{});
    }
}

TEST_F(RecordSetFile, PutsFilterOrderRecordAndVisibilityBack) {
    t->setOrder(t->tagArea("NAME"));
    t->setFilter("LNAME=\"Young\" .OR. LNAME=\"Baker\"");
    t->setHideDeleted(false);
    t->go(7);
    {
        RecordSet set(*t, {RecordChoice::All, {}, false, false, true});
        // Record order while the set lives, its own filter, deleted records hidden.
        EXPECT_EQ(set.records(), (Recs{1, 2, 4, 7, 8}));
        EXPECT_EQ(set.count(), 5u);
        t->go(1);
        t->edit();  // a job that fails in mid-edit
        t->setString("LNAME", "Changed");
    }
    EXPECT_EQ(t->order(), t->tagArea("NAME"));
    EXPECT_EQ(t->filter(), "LNAME=\"Young\" .OR. LNAME=\"Baker\"");
    EXPECT_FALSE(t->hideDeleted());
    EXPECT_EQ(t->recNo(), 7u);
    EXPECT_FALSE(t->editing());
    EXPECT_EQ(utiltest::column(*t, "LNAME")[0], "Adams");
}

TEST_F(RecordSetFile, KeepsTheCurrentOrderUnlessAskedAndCurrentCanKeepTheFilter) {
    t->setOrder(t->tagArea("LNAME"));
    EXPECT_EQ(walk({.choice = RecordChoice::All}, 1), (Recs{1, 4, 2, 8, 7}));
    // The envelope job: only the current record, under the main window's filter.
    t->setFilter(query + " .AND. !ISDEL");
    t->go(8);
    RecordSet set(*t, {RecordChoice::CurrentOnly, query, false, true});
    EXPECT_EQ(t->filter(), query + " .AND. !ISDEL");
    EXPECT_EQ(set.records(), Recs{8});
}

}  // namespace
