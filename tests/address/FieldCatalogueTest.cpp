// The field catalogue and its readers: every window names a field the same
// way, the browse window's default columns, the schema's widths.
#include <gtest/gtest.h>

#include <set>

#include "AddressTestSupport.h"
#include "address/BrowseModel.h"
#include "address/FieldCatalogue.h"
#include "address/Preferences.h"
#include "address/RecordFields.h"
#include "address/ui/TSpecifyFieldLengths.h"

using namespace brindle;
using namespace brindle::address;
using namespace brindle::addrtest;

namespace {

QString preferenceCaption(const std::vector<PreferenceKey>& keys, const char* key) {
    for (const PreferenceKey& k : keys)
        if (std::string_view(k.key) == key) return QString::fromLatin1(k.caption);
    return {};
}

TEST(FieldCatalogue, EveryWindowSpellsAFieldAlike) {
    // The record edits, and the filter window beside them, use the edit captions.
    std::map<QString, QString> edits;
    for (auto fields : {nameFields(), addressPageFields()})
        for (const RecordField& f : fields) edits[QString::fromLatin1(f.field)] = QString::fromLatin1(f.caption);
    EXPECT_EQ(edits["STREET2"], "Address 2");
    EXPECT_EQ(edits["EMAIL"], "E-mail");
    QStringList filterLabels;
    for (const QueryField& q : queryFields()) {
        filterLabels << QString::fromLatin1(q.label);
        if (std::string_view(q.field) != "DATE") {
            EXPECT_EQ(q.label, edits[QString::fromLatin1(q.field)]) << q.field;
        }
    }
    EXPECT_EQ(filterLabels, (QStringList{"Last", "First", "Title", "Org", "Address 1", "Address 2", "Zip or Postal ",
                                         "City", "State or Prov", "Country", "Phone 1", "Phone 2", "Fax", "E-mail",
                                         "Date", "Codes", "Comment 1", "Comment 2"}));
    // Messages name fields by the edit's caption, trimmed.
    EXPECT_EQ(recordFieldCaption("ZIP"), "Zip or Postal");
    EXPECT_EQ(recordFieldCaption("MEMO"), "Memo");
    EXPECT_EQ(recordFieldCaption("DATE"), "Date");
    EXPECT_EQ(recordFieldCaption("TAG"), "TAG");

    // Browse titles and the field-length window use the display labels.
    EXPECT_EQ(browseColumnTitle("EMAIL"), "E-mail");
    EXPECT_EQ(browseColumnTitle("STREET2"), "Address 2");
    EXPECT_EQ(browseColumnTitle("FullNameWithPrefix"), "Full Name & Prefix");
    EXPECT_EQ(browseColumnTitle("NOSUCH"), "NOSUCH");
    QStringList lengthLabels;
    for (const auto& [label, field] : ui::TSpecifyFieldLengths::fieldLabels()) lengthLabels << label;
    EXPECT_EQ(lengthLabels, (QStringList{"First Name", "Last Name", "Prefix", "Title", "Organization", "Address 1",
                                         "Address 2", "City", "State", "Zip/Postal Code", "Country", "Phone 1",
                                         "Phone 2", "Fax", "E-mail", "Codes", "Comment 1", "Comment 2"}));
    ASSERT_EQ(ui::TSpecifyFieldLengths::fieldLabels().size(), configurableFields().size());

    // The Preferences window keeps its own words but spells them alike.
    EXPECT_EQ(preferenceCaption(skipKeys(), "SkipPhone1"), "Phone 1");
    EXPECT_EQ(preferenceCaption(skipKeys(), "SkipEmail"), "E-mail");
    EXPECT_EQ(preferenceCaption(skipKeys(), "Skipcomments2"), "Comment 2");
    EXPECT_EQ(preferenceCaption(carryKeys(), "CarrySA2"), "Address 2");
    EXPECT_EQ(preferenceCaption(skipKeys(), "SkipState"), "State/Province");
    // Every Carry and Skip key acts on a field that has an edit.
    for (const auto* keys : {&carryKeys(), &skipKeys()})
        for (const PreferenceKey& k : *keys)
            EXPECT_TRUE(edits.count(QString::fromLatin1(k.field)) || std::string_view(k.field) == "DATE") << k.key;
}

TEST(FieldCatalogue, BrowseColumnsAndNewFileWidths) {
    EXPECT_EQ(browseFieldNames(),
              (QStringList{"Tagged", "LNAME",   "FNAME", "MIDDLE", "PREFIX", "TITLE",       "ORG",
                           "STREET", "STREET2", "CITY",  "STATE",  "ZIP",    "COUNTRY",     "PHONE",
                           "PHONE2", "FAX",     "EMAIL", "CODES",  "USER1",  "USER2",       "DisplayDate",
                           "DATE",   "ISDEL",   "TAG",   "MEMO",   "FullName", "FullNameWithPrefix", "CityStateZip"}));
    QStringList shown;
    for (const QString& n : browseFieldNames())
        if (isBrowseColumnShown(n)) shown << n;
    EXPECT_EQ(shown, browseFieldNames().mid(0, 21));

    // Configurable widths in settings order with their read defaults; the
    // fixed ones as created.
    std::map<std::string, int> widths;
    for (const auto& d : addressFields(FieldLengths::defaults())) widths[d.name] = d.width;
    EXPECT_EQ(widths, (std::map<std::string, int>{
                          {"LNAME", 30}, {"FNAME", 30},  {"MIDDLE", 1},   {"PREFIX", 12}, {"TITLE", 30},
                          {"ORG", 30},   {"STREET", 40}, {"STREET2", 40}, {"CITY", 30},   {"STATE", 20},
                          {"ZIP", 10},   {"COUNTRY", 30}, {"DATE", 15},   {"PHONE", 30},  {"PHONE2", 30},
                          {"FAX", 40},   {"EMAIL", 40},  {"CODES", 30},   {"USER1", 40},  {"USER2", 40},
                          {"ISDEL", 1},  {"TAG", 8},     {"MEMO", 10}}));
    EXPECT_EQ(configurableFields().size(), 18u);
    EXPECT_EQ(configurableFields().front(), "LNAME");
    EXPECT_EQ(defaultFieldLength("MIDDLE"), 30);  // not configurable: the value a missing key reads as

    // The index tag the catalogue names for a field is one of the 26.
    std::set<std::string> tags;
    for (const auto& t : addressTags()) tags.insert(t.name);
    for (const AddressField& f : kAddressFields)
        if (*f.tag) {
            EXPECT_TRUE(tags.count(f.tag)) << f.name;
        }
}

}  // namespace
