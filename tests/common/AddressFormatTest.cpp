// The address formatter: the name and city lines, the full names and the
// mailing address block under every layout.
#include <QMap>
#include <functional>
#include <gtest/gtest.h>

#include "common/AddressFormat.h"

using namespace brindle::common;

namespace {

using Record = QMap<QString, QString>;

Record annLee() {
    return {{"PREFIX", "Dr"}, {"FNAME", "Ann"},         {"MIDDLE", "B"},   {"LNAME", "Lee"},
            {"TITLE", ""},    {"ORG", "Acme"},          {"STREET", "1 Elm St"}, {"STREET2", ""},
            {"CITY", "Springfield"}, {"STATE", "IL"},   {"ZIP", "62701"},  {"COUNTRY", ""},
            {"PHONE", "555-1234"}};
}

TEST(AddressFormat, NamesAndCityLines) {
    // Every part present, the middle initial missing, only the last name.
    EXPECT_EQ(nameLine("Dr.", "John", "Q", "Smith"), "Dr. John Q. Smith ");
    EXPECT_EQ(nameLine("", "John", "", "Smith"), "John Smith ");
    EXPECT_EQ(nameLine("", "", " ", "Smith"), "Smith ");  // a blank initial gets no full stop
    EXPECT_EQ(nameLine("", "", "", ""), "");
    EXPECT_EQ(fullName("John", "Q", "Smith"), "John Q Smith");
    EXPECT_EQ(fullName("John", "", "Smith"), "John Smith");
    EXPECT_EQ(fullName("", "", "Smith"), " Smith");
    EXPECT_EQ(fullNameWithPrefix("Dr.", "John", "Q", "Smith"), "Dr. John Q Smith");
    EXPECT_EQ(fullNameWithPrefix("", "John", "", "Smith"), "John Smith");
    EXPECT_EQ(fullNameWithPrefix("Dr.", "", "", "Smith"), "Dr. Smith");
    // The computed value has single blanks; the mailing line two after the city.
    EXPECT_EQ(cityStateZip("Springfield", "IL", "62701"), "Springfield IL 62701");
    EXPECT_EQ(cityStateZip("", "IL", "62701"), "IL 62701");
    EXPECT_EQ(cityLine("Springfield", "IL", "62701"), "Springfield  IL 62701");
    EXPECT_EQ(cityLine("", "IL", "62701"), " IL 62701");
    EXPECT_EQ(cityLine("", "", ""), " ");
}

FieldLookup lookupIn(const Record& r) {
    return [r](const QString& name) -> std::optional<QString> {
        if (!r.contains(name)) return std::nullopt;
        return r.value(name);
    };
}

TEST(AddressBlock, Layouts) {
    struct Case {
        const char* what;
        std::function<void(AddressLayout&, Record&)> change;
        QStringList expected;
    };
    const std::vector<Case> cases = {
        {"default layout", [](AddressLayout&, Record&) {},
         {"Dr Ann B. Lee ", "Acme", "1 Elm St", "Springfield  IL 62701"}},
        {"zip before city", [](AddressLayout& l, Record&) { l.zipOptions = zoBeforeCity; },
         {"Dr Ann B. Lee ", "Acme", "1 Elm St", "62701 Springfield IL "}},
        {"zip alone without city and state", [](AddressLayout& l, Record&) { l.useCityState = false; },
         {"Dr Ann B. Lee ", "Acme", "1 Elm St", "62701"}},
        {"no middle initial",
         [](AddressLayout&, Record& r) {
             r["MIDDLE"] = " ";
             r["PREFIX"] = "";
         },
         {"Ann Lee ", "Acme", "1 Elm St", "Springfield  IL 62701"}},
        {"zip after country",
         [](AddressLayout& l, Record& r) {
             l.zipOptions = zoAfterCountry;
             r["COUNTRY"] = "USA";
         },
         {"Dr Ann B. Lee ", "Acme", "1 Elm St", "Springfield IL", "USA 62701"}},
        {"zip before country",
         [](AddressLayout& l, Record& r) {
             l.zipOptions = zoBeforeCountry;
             r["COUNTRY"] = "Italy";
         },
         {"Dr Ann B. Lee ", "Acme", "1 Elm St", "Springfield IL", "62701 Italy"}},
        {"zip with an empty country", [](AddressLayout& l, Record&) { l.zipOptions = zoBeforeCountry; },
         {"Dr Ann B. Lee ", "Acme", "1 Elm St", "Springfield IL", "62701 "}},
        {"country line off keeps the zip",
         [](AddressLayout& l, Record&) {
             l.zipOptions = zoAfterCountry;
             l.useCountry = false;
         },
         {"Dr Ann B. Lee ", "Acme", "1 Elm St", "Springfield IL", "62701"}},
        {"zip off",
         [](AddressLayout& l, Record& r) {
             l.useZip = false;
             r["COUNTRY"] = "USA";
         },
         {"Dr Ann B. Lee ", "Acme", "1 Elm St", "Springfield IL", "USA"}},
        {"blank city line dropped",
         [](AddressLayout&, Record& r) {
             r["CITY"] = "";
             r["STATE"] = " ";
             r["ZIP"] = "";
         },
         {"Dr Ann B. Lee ", "Acme", "1 Elm St"}},
        {"every line, phone and upper case (a to z only)",
         [](AddressLayout& l, Record& r) {
             l.usePhone = true;
             l.upperCase = true;
             r["TITLE"] = "Chief";
             r["STREET2"] = "Apt 2";
             r["CITY"] = "Épinal";
         },
         {"DR ANN B. LEE ", "CHIEF", "ACME", "1 ELM ST", "APT 2", "ÉPINAL  IL 62701", "555-1234"}},
        {"name, title and organisation off",
         [](AddressLayout& l, Record&) {
             l.useName = l.useTitle = l.useCompany = l.useStreet2 = false;
         },
         {"1 Elm St", "Springfield  IL 62701"}},
        {"missing field ends the block",
         [](AddressLayout&, Record& r) { r.remove("STREET2"); },
         {"Dr Ann B. Lee ", "Acme", "1 Elm St"}},
    };
    for (const auto& c : cases) {
        AddressLayout l;
        Record r = annLee();
        c.change(l, r);
        EXPECT_EQ(addressBlock(l, lookupIn(r)), c.expected) << c.what;
    }
}

}  // namespace
