// Token values of a letter template for one record.
#include <gtest/gtest.h>

#include <map>

#include "letters/MergeTokens.h"

using namespace brindle::letters;

namespace {

using Record = std::map<std::string, QString>;

FieldValue fields(const Record& r) {
    return [r](const char* name) {
        const auto it = r.find(name);
        return it == r.end() ? QString() : it->second;
    };
}

QString value(const char* token, const Record& r) {
    return tokenValue(QString::fromUtf8(token), fields(r), {QDate(2026, 3, 5), QStringLiteral("dd.mm.yyyy")});
}

}  // namespace

TEST(MergeTokens, ListsTheTwentyFiveTokensInBothOrders) {
    EXPECT_EQ(mergeTokenNames().size(), 25);
    EXPECT_EQ(mergeTokenNames().first(), "Full Name");
    EXPECT_EQ(mergeTokenNames()[1], "Name and Address");
    EXPECT_EQ(mergeOrder().size(), 25);
    EXPECT_EQ(mergeOrder()[22], "Name and Address");
    // Same set, different order.
    QStringList a = mergeTokenNames(), b = mergeOrder();
    a.sort();
    b.sort();
    EXPECT_EQ(a, b);
}

TEST(MergeTokens, ValuesOfTheNameAndCityTokens) {
    const struct {
        const char* token;
        Record record;
        const char* expected;
    } cases[] = {
        {"Full Name", {{"FNAME", "John"}, {"MIDDLE", "Q"}, {"LNAME", "Smith"}}, "John Q. Smith "},
        {"Full Name", {{"PREFIX", "Dr."}, {"FNAME", "  José"}, {"LNAME", "Müller"}}, "Dr. José Müller "},
        {"Full Name", {{"LNAME", "Wałęsa"}}, "Wałęsa "},
        {"Full Name", {}, ""},
        {"full name", {{"FNAME", "Ann"}}, "Ann "},
        {"Middle", {{"MIDDLE", "Q"}}, "Q"},
        {"City+State+Zip", {{"CITY", "Springfield"}, {"ZIP", "62701"}}, "Springfield 62701"},
        {"City+State+Zip", {{"CITY", "Springfield"}, {"STATE", "IL"}, {"ZIP", "62701"}}, "Springfield IL 62701"},
        {"City+State+Zip", {{"ZIP", "62701"}}, "62701"},
        {"Province", {{"STATE", "ON"}}, "ON"},
        {"Postal Code", {{"ZIP", "K1A 0B1"}}, "K1A 0B1"},
        {"Comment 2", {{"USER2", "Жуков"}}, "Жуков"},
        {"E-Mail", {{"EMAIL", "a@b.org"}}, "a@b.org"},
        {"No Such Token", {{"FNAME", "x"}}, ""},
        {"Long Date", {}, "Mar 5, 2026"},
        {"Today's Date", {}, "05.03.2026"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(value(c.token, c.record), QString::fromUtf8(c.expected)) << c.token << " " << c.expected;
    EXPECT_EQ(todaysDateValue(QDate(2026, 3, 5), QString()), "3/5/26");
}

TEST(MergeTokens, AddressBlockLines) {
    const struct {
        Record record;
        const char* expected;
    } cases[] = {
        {{{"FNAME", "John"}, {"LNAME", "Smith"}, {"TITLE", "Director"}, {"ORG", "Acme"}, {"STREET", "1 Main St"},
          {"CITY", "Springfield"}, {"STATE", "IL"}, {"ZIP", "62701"}, {"COUNTRY", "USA"}},
         "John Smith \r\nDirector,  Acme\r\n1 Main St\r\nSpringfield IL  62701\r\nUSA\r\n"},
        {{{"ORG", "Acme"}, {"CITY", "Springfield"}, {"ZIP", "62701"}}, "Acme\r\nSpringfield  62701\r\n"},
        {{{"TITLE", "Director"}, {"STREET2", "Suite 4"}, {"STATE", "IL"}}, "Director\r\nSuite 4\r\nIL\r\n"},
        {{{"LNAME", "Łukasiewicz"}, {"CITY", "Łódź"}}, "Łukasiewicz \r\nŁódź\r\n"},
        {{}, ""},
    };
    for (const auto& c : cases) EXPECT_EQ(nameAndAddressValue(fields(c.record)), QString::fromUtf8(c.expected));
}
