#pragma once
// The one table of the address file's 23 fields and its five computed
// values: names, types, widths, the labels and captions users see, whether
// users see them, and the index tag that orders on each. The schema, the
// windows and every feature that lists fields read it from here, so a field
// is named the same way everywhere.
#include <QString>
#include <QStringList>
#include <array>
#include <string_view>

namespace brindle::address {

struct AddressField {
    const char* name;     // "LNAME"; field names are upper case everywhere
    char type;            // 'C' character, 'L' logical, 'M' memo
    int width;            // fixed width, or the default of a configurable one
    bool configurable;    // width taken from the new-file field lengths
    const char* label;    // display label: browse titles, field lists, data-object bindings
    const char* caption;  // caption of the record edit in the main and filter windows; "" for none
    bool visible;         // shown in browse and offered in field lists
    const char* tag;      // the index tag ordered on this field; "" for none
};

// Creation order.
inline constexpr std::array<AddressField, 23> kAddressFields = {{
    {"LNAME", 'C', 30, true, "Last Name", "Last", true, "LNAME"},
    {"FNAME", 'C', 30, true, "First Name", "First", true, "FNAME"},
    {"MIDDLE", 'C', 1, false, "Middle", "MI", true, "MIDDLE"},
    {"PREFIX", 'C', 12, true, "Prefix", "Prefix", true, "PREFIX"},
    {"TITLE", 'C', 30, true, "Title", "Title", true, "TITLE"},
    {"ORG", 'C', 30, true, "Organization", "Org", true, "ORG"},
    {"STREET", 'C', 40, true, "Address 1", "Address 1", true, "STREET"},
    {"STREET2", 'C', 40, true, "Address 2", "Address 2", true, "STREET2"},
    {"CITY", 'C', 30, true, "City", "City", true, "CITY"},
    {"STATE", 'C', 20, true, "State", "State or Prov", true, "STATE"},
    {"ZIP", 'C', 10, true, "Zip/Postal Code", "Zip or Postal ", true, "ZIP"},
    {"COUNTRY", 'C', 30, true, "Country", "Country", true, "COUNTRY"},
    {"DATE", 'C', 15, false, "Actual Date", "Date", false, "DATE"},
    {"PHONE", 'C', 30, true, "Phone 1", "Phone 1", true, "PHONE"},
    {"PHONE2", 'C', 30, true, "Phone 2", "Phone 2", true, "PHONE2"},
    {"FAX", 'C', 40, true, "Fax", "Fax", true, "FAX"},
    {"EMAIL", 'C', 40, true, "E-mail", "E-mail", true, "EMAIL"},
    {"CODES", 'C', 30, true, "Codes", "Codes", true, "CODES"},
    {"USER1", 'C', 40, true, "Comment 1", "Comment 1", true, "USER1"},
    {"USER2", 'C', 40, true, "Comment 2", "Comment 2", true, "USER2"},
    {"ISDEL", 'L', 1, false, "Deleted", "", false, "ISDEL"},
    {"TAG", 'C', 8, false, "TAG", "", false, "TAG"},
    {"MEMO", 'M', 10, false, "MEMO", "Memo", false, ""},
}};

// Values worked out for every record read; they are not stored.
struct ComputedField {
    const char* name;   // "FullName"
    const char* label;  // "Full Name"
    int width;          // longer values are cut; 0 for the flag
    bool visible;
};

inline constexpr std::array<ComputedField, 5> kComputedFields = {{
    {"Tagged", "Tagged", 0, true},
    {"DisplayDate", "Date", 12, true},
    {"FullName", "Full Name", 35, false},
    {"FullNameWithPrefix", "Full Name & Prefix", 35, false},
    {"CityStateZip", "City, State & Zip", 35, false},
}};

// The field of that name (exact, upper case), or nullptr.
constexpr const AddressField* findAddressField(std::string_view name) {
    for (const AddressField& f : kAddressFields)
        if (name == f.name) return &f;
    return nullptr;
}
constexpr const ComputedField* findComputedField(std::string_view name) {
    for (const ComputedField& f : kComputedFields)
        if (name == f.name) return &f;
    return nullptr;
}

// The record edit's caption of a field ("Last" for LNAME); "" for none.
constexpr const char* fieldCaption(std::string_view name) {
    const AddressField* f = findAddressField(name);
    return f ? f->caption : "";
}

// The display label of a stored or computed field ("Last Name", "Full Name");
// any other name is its own label.
QString fieldLabel(const QString& name);
// Whether users see a stored or computed field (browse, field lists).
bool isFieldVisible(const QString& name);
// A label that designs made before a label's spelling changed still bind by
// ("Email" for EMAIL); empty when there is none.
QString formerFieldLabel(const QString& name);
// The names of the 23 fields in creation order.
QStringList addressFieldList();

}  // namespace brindle::address
