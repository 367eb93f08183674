#pragma once
// The record edits of the main window in their visual order, with the
// captions the user sees beside them and their "What's this?" texts. Messages
// about a field name it by its caption.
#include <QString>
#include <span>

namespace brindle::address {

struct RecordField {
    const char* field;    // "LNAME"
    const char* caption;  // "Last"
    const char* help;     // the "What's this?" text
};

// The name panel, always visible: Last, First, MI, Prefix, Title, Org.
std::span<const RecordField> nameFields();
// The address page, top to bottom: Address 1 ... Comment 2.
std::span<const RecordField> addressPageFields();
// The caption of a field ("Last" for LNAME, "Memo" for MEMO); the field name
// itself for any other.
QString recordFieldCaption(const QString& field);

}  // namespace brindle::address
