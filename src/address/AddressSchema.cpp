#include "address/AddressSchema.h"

#include <filesystem>

#include "address/FieldCatalogue.h"

namespace brindle::address {

const std::vector<std::string>& configurableFields() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> v;
        for (const AddressField& f : kAddressFields)
            if (f.configurable) v.emplace_back(f.name);
        return v;
    }();
    return names;
}

int defaultFieldLength(const std::string& field) {
    const AddressField* f = findAddressField(field);
    return f && f->configurable ? f->width : 30;
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
    for (const AddressField& f : kAddressFields) {
        store::FieldDef d;
        d.name = f.name;
        d.type = f.type;
        d.width = f.configurable ? lengths.of(f.name) : f.width;
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
    for (const AddressField& f : kAddressFields) {
        if (table.fieldIndex(f.name) < 0) missing.push_back(f.name);
    }
    return missing;
}

}  // namespace brindle::address
