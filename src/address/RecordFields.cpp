#include "address/RecordFields.h"

namespace brindle::address {
namespace {

const RecordField kNameFields[] = {
    {"LNAME", "Last", "Last name of the person."},
    {"FNAME", "First", "First name of the person."},
    {"MIDDLE", "MI", "Middle initial, typed in upper case."},
    {"PREFIX", "Prefix", "Form of address, for example Dr. or Ms."},
    {"TITLE", "Title", "Job title."},
    {"ORG", "Org", "Company or organisation."},
};

const RecordField kAddressFields[] = {
    {"STREET", "Address 1", "First line of the street address."},
    {"STREET2", "Address 2", "Second line of the street address."},
    {"CITY", "City", "City or town."},
    {"STATE", "State or Prov", "State or province."},
    {"ZIP", "Zip or Postal ", "ZIP or postal code."},
    {"COUNTRY", "Country", "Country; leave empty for your own."},
    {"PHONE", "Phone 1", "First phone number."},
    {"PHONE2", "Phone 2", "Second phone number."},
    {"FAX", "Fax", "Fax number."},
    {"EMAIL", "E-mail", "E-mail address."},
    {"CODES", "Codes", "Your own codes, used to pick records for filters and mailings."},
    {"USER1", "Comment 1", "First comment line."},
    {"USER2", "Comment 2", "Second comment line."},
};

}  // namespace

std::span<const RecordField> nameFields() { return kNameFields; }
std::span<const RecordField> addressPageFields() { return kAddressFields; }

QString recordFieldCaption(const QString& field) {
    if (field == QLatin1String("MEMO")) return QStringLiteral("Memo");
    if (field == QLatin1String("DATE")) return QStringLiteral("Date");
    for (auto fields : {nameFields(), addressPageFields()})
        for (const RecordField& f : fields)
            if (field == QLatin1String(f.field)) return QString::fromLatin1(f.caption).trimmed();
    return field;
}

}  // namespace brindle::address
