#include "address/AddressSchema.h"

#include <filesystem>

namespace brindle::address {
namespace {

struct FieldSpec {
    const char* name;
    char type;
    int fixedWidth;  // 0 = configurable
};

// Creation order of the address fields.
constexpr FieldSpec kFields[] = {
    {"LNAME", 'C', 0},  {"FNAME", 'C', 0},   {"MIDDLE", 'C', 1}, {"PREFIX", 'C', 0}, {"TITLE", 'C', 0},
    {"ORG", 'C', 0},    {"STREET", 'C', 0},  {"STREET2", 'C', 0}, {"CITY", 'C', 0},  {"STATE", 'C', 0},
    {"ZIP", 'C', 0},    {"COUNTRY", 'C', 0}, {"DATE", 'C', 15},  {"PHONE", 'C', 0},  {"PHONE2", 'C', 0},
    {"FAX", 'C', 0},    {"EMAIL", 'C', 0},   {"CODES", 'C', 0},  {"USER1", 'C', 0},  {"USER2", 'C', 0},
    {"ISDEL", 'L', 1},  {"TAG", 'C', 8},     {"MEMO", 'M', 10},
};

}  // namespace

const std::vector<std::string>& configurableFields() {
    static const std::vector<std::string> names = {
        "LNAME", "FNAME",   "PREFIX", "TITLE", "ORG",   "STREET", "STREET2", "CITY",  "STATE",
        "ZIP",   "COUNTRY", "PHONE",  "PHONE2", "FAX",  "EMAIL",  "CODES",   "USER1", "USER2"};
    return names;
}

int defaultFieldLength(const std::string& field) {
    static const std::map<std::string, int> defaults = {
        {"LNAME", 30}, {"FNAME", 30},   {"PREFIX", 12}, {"TITLE", 30},  {"ORG", 30},   {"STREET", 40},
        {"STREET2", 40}, {"CITY", 30},  {"STATE", 20},  {"ZIP", 10},    {"COUNTRY", 30}, {"PHONE", 30},
        {"PHONE2", 30}, {"FAX", 40},    {"EMAIL", 40},  {"CODES", 30},  {"USER1", 40}, {"USER2", 40}};
    auto it = defaults.find(field);
    return it == defaults.end() ? 30 : it->second;
}

int FieldLengths::of(const std::string& field) const {
    auto it = widths.find(field);
    return it == widths.end() ? defaultFieldLength(field) : it->second;
}

FieldLengths FieldLengths::defaults() {
    FieldLengths l;
    for (const auto& f : configurableFields()) l.widths[f] = defaultFieldLength(f);
    return l;
}

std::vector<store::FieldDef> addressFields(const FieldLengths& lengths) {
    std::vector<store::FieldDef> defs;
    for (const auto& f : kFields) {
        store::FieldDef d;
        d.name = f.name;
        d.type = f.type;
        d.width = f.fixedWidth ? f.fixedWidth : lengths.of(f.name);
        defs.push_back(d);
    }
    return defs;
}

const std::vector<store::TagDef>& addressTags() {
    static const std::vector<store::TagDef> tags = {
        {"NAME", "UPPER(LNAME-FNAME)"},
        {"LNAME", "UPPER(LNAME)+UPPER(FNAME)"},
        {"FNAME", "UPPER(FNAME)"},
        {"TITLE", "UPPER(TITLE)"},
        {"ORG", "UPPER(ORG)"},
        {"STREET", "UPPER(STREET)"},
        {"STREET2", "UPPER(STREET2)"},
        {"CITY", "UPPER(CITY+STATE)"},
        {"STATE", "UPPER(STATE)"},
        {"ZIP", "UPPER(ZIP)"},
        {"COUNTRY", "UPPER(COUNTRY)"},
        {"PHONE", "UPPER(PHONE)"},
        {"PHONE2", "UPPER(PHONE2)"},
        {"EMAIL", "UPPER(EMAIL)"},
        {"FAX", "UPPER(FAX)"},
        {"USER1", "UPPER(USER1)"},
        {"USER2", "UPPER(USER2)"},
        {"DATE", "UPPER(DATE)"},
        {"TAG", "UPPER(TAG)"},
        {"CODES", "UPPER(CODES)"},
        {"PREFIX", "UPPER(PREFIX)"},
        {"MIDDLE", "UPPER(MIDDLE)"},
        {"DELETED", "DELETED()"},
        {"STATEZIP", "UPPER(STATE-ZIP)"},
        {"ISDEL", "ISDEL"},
        {"NOTISDEL", "!ISDEL"},
    };
    return tags;
}

void createAddressFile(const std::string& path, const FieldLengths& lengths) {
    store::Table::create(path, addressFields(lengths));
    auto table = store::Table::open(path, store::OpenMode::Exclusive);
    createAddressTags(*table);
    table->close();
}

void createAddressTags(store::Table& table, const store::ProgressFn& progress) {
    // The new index is built beside the old one and replaces it only when
    // complete, so a failed build leaves the file as it was.
    table.rebuildIndex(addressTags(), progress);
}

bool createTag(store::Table& table, const std::string& tag, const std::string& expression) {
    try {
        return table.indexTag(tag, expression) > 0;
    } catch (const store::StoreError&) {
        return false;
    }
}

bool hasAllAddressTags(const store::Table& table) {
    for (const auto& t : addressTags()) {
        if (table.tagArea(t.name) <= 0) return false;
    }
    return true;
}

std::vector<std::string> missingAddressFields(const store::Table& table) {
    std::vector<std::string> missing;
    for (const auto& f : kFields) {
        if (table.fieldIndex(f.name) < 0) missing.push_back(f.name);
    }
    return missing;
}

}  // namespace brindle::address
