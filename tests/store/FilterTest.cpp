// Filters answered from the index must admit exactly the records that the
// expression, evaluated record by record, admits.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

#include "TestFiles.h"
#include "store/Table.h"

using namespace brindle::store;
using brindle::testing::TempDir;

namespace {

class FilterFixture : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = dir_.file("f.dbf");
        Table::create(path_, {{"LNAME", 'C', 12, 0}, {"FNAME", 'C', 10, 0}, {"CODES", 'C', 6, 0},
                              {"STATE", 'C', 2, 0}, {"ISDEL", 'L', 1, 0}});
        t_ = Table::open(path_);
        std::mt19937 rng(12345);
        const char* lasts[] = {"Jones", "JOHNSON", "jordan", "Jo", "Smith", "Smythe", "", "Adams", "Zorn", "J"};
        const char* firsts[] = {"Ann", "Bob", "", "Jo", "Zed"};
        const char* states[] = {"IL", "NY", "CA", "TX", ""};
        for (int i = 0; i < 3000; ++i) {
            t_->append();
            t_->setString("LNAME", lasts[rng() % 10]);
            t_->setString("FNAME", firsts[rng() % 5]);
            std::string codes;
            for (int k = 0; k < 3; ++k) if (rng() % 3 == 0) codes += static_cast<char>('A' + rng() % 4);
            t_->setString("CODES", codes);
            t_->setString("STATE", states[rng() % 5]);
            t_->setLogical("ISDEL", rng() % 10 == 0);
            t_->post();
            if (rng() % 15 == 0) t_->deleteRecord();
        }
        t_->indexTags({{"LNAME", "UPPER(LNAME)+UPPER(FNAME)"},
                       {"NAME", "UPPER(LNAME-FNAME)"},
                       {"STATE", "UPPER(STATE)"},
                       {"DELETED", "DELETED()"},
                       {"ISDEL", "ISDEL"},
                       {"NOTISDEL", "!ISDEL"}});
    }

    // The records the filter admits, worked out record by record.
    std::set<std::uint32_t> reference(const std::string& filter) {
        std::set<std::uint32_t> out;
        t_->setFilter("");
        t_->setHideDeleted(false);
        for (std::uint32_t r = 1; r <= t_->recordCount(); ++r) {
            t_->go(r);
            if (!t_->deleted() && t_->evalLogical(filter)) out.insert(r);
        }
        t_->setHideDeleted(true);
        return out;
    }

    std::set<std::uint32_t> navigated(int order) {
        std::set<std::uint32_t> out;
        t_->setOrder(order);
        for (bool ok = t_->first(); ok; ok = t_->next()) out.insert(t_->recNo());
        return out;
    }

    TempDir dir_;
    std::string path_;
    std::unique_ptr<Table> t_;
};

}  // namespace

TEST_F(FilterFixture, IndexedAndScannedFiltersAgreeWithRecordByRecordEvaluation) {
    const std::vector<std::string> filters = {
        "UPPER(LNAME)=\"JO\" .AND. !ISDEL",
        "UPPER(LNAME)=\"JO\"",
        "UPPER(LNAME)=\"\"",
        "\"A\"$UPPER(CODES) .and. !ISDEL",
        "UPPER(STATE)=\"IL\" .OR. UPPER(STATE)=\"NY\"",
        "!(UPPER(STATE)=\"IL\") and ISDEL",
        "ISDEL",
        ".NOT. ISDEL .AND. UPPER(LNAME) >= \"S\"",
        "UPPER(LNAME) < \"JO\" .OR. \"B\"$CODES",
        "DELETED()",
        "UPPER(LNAME-FNAME)=\"JOANN\"",
        "UPPER(LNAME)+UPPER(FNAME)=\"JO          JO\"",
        ".T.",
        ".F. .OR. UPPER(STATE)=\"TX\"",
    };
    for (bool exact : {false, true}) {
        t_->setExact(exact);
        for (const auto& f : filters) {
            SCOPED_TRACE(f + (exact ? " (exact)" : ""));
            const auto want = reference(f);
            t_->setFilter(f);
            EXPECT_EQ(t_->filterCount(), want.size());
            EXPECT_EQ(navigated(0), want);
            EXPECT_EQ(navigated(t_->tagArea("LNAME")), want);
        }
    }
}

TEST_F(FilterFixture, FilterFollowsEditsAndOrderWalksSorted) {
    t_->setFilter("UPPER(STATE)=\"IL\"");
    const std::uint32_t before = t_->filterCount();
    t_->setOrder(0);
    ASSERT_TRUE(t_->first());
    const std::uint32_t r = t_->recNo();
    t_->edit();
    t_->setString("STATE", "NY");
    t_->post();
    EXPECT_EQ(t_->filterCount(), before - 1);
    t_->append();
    t_->setString("STATE", "il");
    t_->post();
    EXPECT_EQ(t_->filterCount(), before);
    ASSERT_TRUE(t_->go(r));
    t_->deleteRecord();
    EXPECT_EQ(t_->filterCount(), before);  // it had left the filter already

    t_->setOrder(t_->tagArea("LNAME"));
    std::string prev;
    for (bool ok = t_->first(); ok; ok = t_->next()) {
        std::string key = t_->evaluate("UPPER(LNAME)+UPPER(FNAME)").str;
        EXPECT_LE(prev, key);
        prev = key;
        EXPECT_EQ(t_->evaluate("UPPER(STATE)").str, "IL");
    }
    EXPECT_THROW(t_->setFilter("UPPER(NOPE)=\"X\""), ExprError);
    EXPECT_EQ(t_->filter(), "UPPER(STATE)=\"IL\"");  // a bad filter leaves the old one
    EXPECT_THROW(t_->setFilter("LNAME"), ExprError);  // not logical
}

TEST_F(FilterFixture, SeekHonoursFilterAndScope) {
    t_->setOrder(t_->tagArea("LNAME"));
    t_->setFilter("UPPER(FNAME)=\"ZED\"");
    ASSERT_TRUE(t_->seek("JONES"));
    EXPECT_EQ(t_->getString("FNAME"), "Zed");
    t_->setFilter("");
    t_->setScope("S", "S");
    std::set<std::string> names;
    for (bool ok = t_->first(); ok; ok = t_->next()) names.insert(t_->getString("LNAME"));
    EXPECT_EQ(names, (std::set<std::string>{"Smith", "Smythe"}));
    ASSERT_TRUE(t_->last());
    EXPECT_EQ(t_->getString("LNAME").substr(0, 1), "S");
    t_->clearScope();
    ASSERT_TRUE(t_->last());
    EXPECT_EQ(t_->getString("LNAME"), "Zorn");
}
