#pragma once
// The address file: its 23 fields, its 26 index tags and the routines that
// create them.
#include <array>
#include <map>
#include <string>
#include <vector>

#include "store/Table.h"

namespace brindle::address {

// The eighteen configurable character widths of a new address file, keyed by
// field name (LNAME, FNAME, PREFIX, ...).
struct FieldLengths {
    std::map<std::string, int> widths;
    int of(const std::string& field) const;  // the width, or the default when unset
    static FieldLengths defaults();          // the widths used when a key is missing
};

// The configurable fields in settings order ("FieldLNAME" ... "FieldUSER2").
const std::vector<std::string>& configurableFields();
int defaultFieldLength(const std::string& field);

// The 23 fields in creation order with the widths of `lengths`.
std::vector<store::FieldDef> addressFields(const FieldLengths& lengths);

// The 26 tags in creation order.
const std::vector<store::TagDef>& addressTags();

// Creates and indexes a new address file at `path` and leaves it closed.
// Throws store::StoreError with the reason; the file may remain without tags
// when indexing fails.
void createAddressFile(const std::string& path, const FieldLengths& lengths);

// (Re)creates the 26 tags of an open address file: an existing index file is
// deleted first so the tags start from an empty file. NOTISDEL is the current
// order afterwards. Throws store::StoreError.
void createAddressTags(store::Table& table, const store::ProgressFn& progress = {});

// One tag in the open table's own index file; true when it got an order number above 0.
bool createTag(store::Table& table, const std::string& tag, const std::string& expression);

// True when every one of the 26 tags is present (expressions are not compared).
bool hasAllAddressTags(const store::Table& table);

// Names of the 23 fields that are missing from the table; empty for an address file.
std::vector<std::string> missingAddressFields(const store::Table& table);

}  // namespace brindle::address
