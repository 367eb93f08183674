#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>
#include <string>

#include "mailing/AdcTable.h"

using namespace brindle::mailing;

namespace {

std::vector<std::string> entries(const char* list) {
    std::istringstream in(list);
    std::vector<std::string> out;
    for (std::string e; in >> e;) out.push_back(e);
    return out;
}

}  // namespace

TEST(AdcTable, HoldsTheNinetySixCentresWithTheirExactNames) {
    const auto& t = adcGroups();
    ASSERT_EQ(t.size(), 96u);
    EXPECT_STREQ(t[0].name, "ALBANY NY 120");
    EXPECT_STREQ(t[0].prefixes, "120 121 122 123 124 125 126 127 128 129");
    // Names printed on separator labels keep their doubled blanks.
    EXPECT_STREQ(t[25].name, "FARGO ND  580");
    EXPECT_STREQ(t[36].name, "LAS VEGAS  NV 890");
    EXPECT_STREQ(t[73].name, "SAN JUAN PR  006");
    EXPECT_STREQ(t[9].name, "BURMINGHAM AL 350");
    EXPECT_STREQ(t[84].name, "ST. LOUIS MO 630");
    EXPECT_STREQ(t[92].name, "WHITE RIVER JCT VT 050");
    EXPECT_STREQ(t[93].name, "WHITE RVR JCT VT 050");
    EXPECT_STREQ(t[93].prefixes, "054 050 053 051 052");
    EXPECT_STREQ(t[35].prefixes,
                 "640 641 644 645 646 647 648 649 650 651 652 653 654 655 656 657 658 660 661 662 664 665 666 667 668");
    EXPECT_STREQ(t[95].name, "WILMINGTON DE 197");
    EXPECT_STREQ(t[95].prefixes, "197 198 199");
    int doubled = 0;
    for (const auto& g : t) doubled += std::string(g.name).find("  ") != std::string::npos;
    EXPECT_EQ(doubled, 3);
}

TEST(AdcTable, EveryPrefixBelongsToOneCentreAndSeventyToNone) {
    std::map<std::string, int> owner;
    int total = 0;
    for (std::size_t row = 0; row < adcGroups().size(); ++row) {
        for (const auto& e : entries(adcGroups()[row].prefixes)) {
            ASSERT_EQ(e.size(), 3u) << adcGroups()[row].name;
            EXPECT_TRUE(owner.emplace(e, static_cast<int>(row)).second) << e << " twice";
            ++total;
        }
    }
    EXPECT_EQ(total, 930);
    std::set<std::string> unserved;
    for (int n = 0; n < 1000; ++n) {
        char p[4];
        std::snprintf(p, sizeof p, "%03d", n);
        const auto it = owner.find(p);
        EXPECT_EQ(adcGroupOf(p), it == owner.end() ? -1 : it->second) << p;
        if (it == owner.end()) unserved.insert(p);
    }
    EXPECT_EQ(unserved.size(), 70u);
    for (const char* p : {"000", "001", "002", "003", "099", "213", "269"}) EXPECT_TRUE(unserved.count(p)) << p;
}

TEST(AdcTable, MatchesWholeEntriesOnly) {
    EXPECT_EQ(adcGroupOf("123"), 0);
    EXPECT_EQ(adcGroupOf("580"), 25);
    // Runs of characters that occur inside a list but are no entry of it.
    EXPECT_EQ(adcGroupOf("0 1"), -1);
    EXPECT_EQ(adcGroupOf("20 "), -1);
    EXPECT_EQ(adcGroupOf(" 12"), -1);
    EXPECT_EQ(adcGroupOf("12"), -1);
    EXPECT_EQ(adcGroupOf("1234"), -1);
    EXPECT_EQ(adcGroupOf(""), -1);
}
