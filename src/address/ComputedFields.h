#pragma once
// Values worked out for every record read; they are not stored.
#include <QString>

#include "address/FieldCatalogue.h"

namespace brindle::address {

struct RecordNames {
    QString fname, middle, lname, prefix, city, state, zip, date, tag;
};

struct ComputedFields {
    bool tagged = false;
    QString displayDate;          // at most 12 characters
    QString fullName;             // at most 35; empty while the extra fields are off
    QString fullNameWithPrefix;   // at most 35
    QString cityStateZip;         // at most 35
};

// The widths of the field catalogue: longer values are cut.
constexpr int kComputedNameWidth = findComputedField("FullName")->width;
constexpr int kDisplayDateWidth = findComputedField("DisplayDate")->width;

// `tagId` is the current tag identifier; `extraFields` switches on the three
// name and address values (the print windows need them).
ComputedFields computeFields(const RecordNames& r, const QString& tagId, bool extraFields,
                             const QString& displayPattern);
// The same with the program's display date pattern.
ComputedFields computeFields(const RecordNames& r, const QString& tagId, bool extraFields);

}  // namespace brindle::address
