#include "address/RecordFields.h"

#include "address/FieldCatalogue.h"

namespace brindle::address {
namespace {

// Captions come from the field catalogue; the texts here are the window's own.
constexpr RecordField edit(const char* field, const char* help) { return {field, fieldCaption(field), help}; }

constexpr RecordField kNameFields[] = {
    edit("LNAME", "Last name of the person."),
    edit("FNAME", "First name of the person."),
    edit("MIDDLE", "Middle initial, typed in upper case."),
    edit("PREFIX", "Form of address, for example Dr. or Ms."),
    edit("TITLE", "Job title."),
    edit("ORG", "Company or organisation."),
};

constexpr RecordField kAddressPageFields[] = {
    edit("STREET", "First line of the street address."),
    edit("STREET2", "Second line of the street address."),
    edit("CITY", "City or town."),
    edit("STATE", "State or province."),
    edit("ZIP", "ZIP or postal code."),
    edit("COUNTRY", "Country; leave empty for your own."),
    edit("PHONE", "First phone number."),
    edit("PHONE2", "Second phone number."),
    edit("FAX", "Fax number."),
    edit("EMAIL", "E-mail address."),
    edit("CODES", "Your own codes, used to pick records for filters and mailings."),
    edit("USER1", "First comment line."),
    edit("USER2", "Second comment line."),
};

}  // namespace

std::span<const RecordField> nameFields() { return kNameFields; }
std::span<const RecordField> addressPageFields() { return kAddressPageFields; }

QString recordFieldCaption(const QString& field) {
    const QString caption = QString::fromLatin1(fieldCaption(field.toLatin1().constData())).trimmed();
    return caption.isEmpty() ? field : caption;
}

}  // namespace brindle::address
