#pragma once
// Names and addresses composed from the field values of an address record:
// the name line, the full names, the city lines and the mailing address
// block. Pure text work over values the caller has read (without trailing
// blanks), so the record window, the computed values, the clipboard text and
// the printed address block all compose alike. It lives here because both
// the address file and the design objects use it and neither may use the other.
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace brindle::common {

// "Dr. John Q. Smith ": prefix, first name, middle initial and last name,
// each followed by one blank; a blank part drops out with its blank, and a
// middle initial that is not blank gets a full stop.
QString nameLine(const QString& prefix, const QString& first, const QString& middle, const QString& last);
// "John Q Smith": first name and middle initial without trailing blanks, one
// blank, the last name (a blank before it when both are empty).
QString fullName(const QString& first, const QString& middle, const QString& last);
// "Dr. John Q Smith": prefix, first name and middle initial trimmed at both
// ends, one blank, the last name.
QString fullNameWithPrefix(const QString& prefix, const QString& first, const QString& middle, const QString& last);
// "Springfield IL 62701": city, state and ZIP with one blank between the parts present.
QString cityStateZip(const QString& city, const QString& state, const QString& zip);
// "Springfield  IL 62701": the mailing form, with two blanks after the city.
QString cityLine(const QString& city, const QString& state, const QString& zip);

// Where the ZIP goes in the address block.
enum ZipOption { zoAfterState, zoBeforeCity, zoAfterCountry, zoBeforeCountry };

// Which lines the address block holds and where the ZIP goes.
struct AddressLayout {
    bool useName = true;
    bool useTitle = true;
    bool useCompany = true;
    bool useStreet = true;
    bool useStreet2 = true;
    bool useCityState = true;
    bool useZip = true;
    bool usePhone = false;
    bool useCountry = true;
    int zipOptions = zoAfterState;
    bool upperCase = false;
};

// The text of a named field of the record ("LNAME"), or nothing when the
// table has no such field.
using FieldLookup = std::function<std::optional<QString>(const QString& fieldName)>;

// The lines of the mailing address block: name, title, organisation, the
// street lines, the city line, the country line and the phone, as the layout
// says; empty lines are left out, and so is a city line of blanks (its two
// blanks after the city stand alone when city, state and ZIP are all empty). A field the table
// lacks ends the block with the lines gathered so far. With `upperCase` the
// letters a to z become capitals (accented letters keep their case).
QStringList addressBlock(const AddressLayout& layout, const FieldLookup& field);

}  // namespace brindle::common
