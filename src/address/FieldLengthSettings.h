#pragma once
// The widths given to the configurable fields of a new address file, kept in
// section "NewFileFieldLengths" of the settings file, and the rules of the
// window that edits them.
#include <QString>

#include "address/AddressSchema.h"

namespace brindle::common {
class ProfileFile;
}

namespace brindle::address {

// The settings key of a configurable field ("FieldLNAME").
QString fieldLengthKey(const std::string& field);

// The widths the "Defaults" button sets; they differ from the values a missing
// key reads as for FAX (30 instead of 40).
FieldLengths builtInFieldLengths();

// Every width below 5 or above 80 becomes the value a missing key reads as.
void clampFieldLengths(FieldLengths& lengths);

// The 18 keys with the read defaults, then clamped.
FieldLengths loadFieldLengths(const common::ProfileFile& settings);
// Clamps, then writes the 18 keys. Throws common::SettingsWriteError.
void saveFieldLengths(common::ProfileFile& settings, FieldLengths lengths);

// The field-length window accepts 10 to 80.
constexpr int kMinEditedFieldLength = 10;
constexpr int kMaxEditedFieldLength = 80;
// What an edit of that window holds after the user leaves it: the text when
// it is a whole number in 10..80, otherwise the fallback.
int acceptedFieldLength(const QString& text, int fallback);

}  // namespace brindle::address
