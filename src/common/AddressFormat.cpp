#include "common/AddressFormat.h"

#include "common/Common.h"

namespace brindle::common {
namespace {

const QString kBlank = QStringLiteral(" ");

// x without its leading blanks: "x + blank" drops out entirely when x is blank.
QString P(const QString& s) { return trimLeading(s); }

QString asciiUpper(QString s) {
    for (QChar& c : s)
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z')) c = QChar(c.unicode() - 'a' + 'A');
    return s;
}

struct MissingField {};

}  // namespace

QString nameLine(const QString& prefix, const QString& first, const QString& middle, const QString& last) {
    const QString m = trimBoth(middle).isEmpty() ? middle : middle + QLatin1Char('.');
    return P(prefix + kBlank) + P(first + kBlank) + P(m + kBlank) + P(last + kBlank);
}

QString fullName(const QString& first, const QString& middle, const QString& last) {
    return trimTrailing(first + kBlank + middle) + kBlank + last;
}

QString fullNameWithPrefix(const QString& prefix, const QString& first, const QString& middle, const QString& last) {
    return trimBoth(prefix + kBlank + first + kBlank + middle) + kBlank + last;
}

QString cityStateZip(const QString& city, const QString& state, const QString& zip) {
    return P(city + kBlank) + P(state + kBlank) + zip;
}

QString cityLine(const QString& city, const QString& state, const QString& zip) {
    return P(city + kBlank) + kBlank + P(state + kBlank) + P(zip);
}

QStringList addressBlock(const AddressLayout& l, const FieldLookup& lookup) {
    QStringList lines;
    const auto f = [&](const char* name) {
        std::optional<QString> v = lookup(QString::fromLatin1(name));
        if (!v) throw MissingField{};
        return *v;
    };
    const auto add = [&](const QString& line) {
        if (!line.isEmpty()) lines << line;
    };
    const bool zipWithCity = l.useZip && (l.zipOptions == zoAfterState || l.zipOptions == zoBeforeCity);
    const bool zipWithCountry = l.useZip && (l.zipOptions == zoAfterCountry || l.zipOptions == zoBeforeCountry);
    try {
        if (l.useName) {
            const QString prefix = f("PREFIX"), first = f("FNAME"), middle = f("MIDDLE"), last = f("LNAME");
            add(nameLine(prefix, first, middle, last));
        }
        if (l.useTitle) add(f("TITLE"));
        if (l.useCompany) add(f("ORG"));
        if (l.useStreet) add(f("STREET"));
        if (l.useStreet2) add(f("STREET2"));
        if (l.useCityState) {
            if (zipWithCity && l.zipOptions == zoAfterState) {
                const QString city = f("CITY"), state = f("STATE"), zip = f("ZIP");
                const QString line = cityLine(city, state, zip);
                if (!trimBoth(line).isEmpty()) lines << line;
            } else if (zipWithCity) {
                const QString zip = f("ZIP"), city = f("CITY"), state = f("STATE");
                add(P(zip + kBlank) + P(city + kBlank) + P(state + kBlank));
            } else {
                const QString city = f("CITY"), state = f("STATE");
                add(P(city + kBlank) + P(state));
            }
        } else if (zipWithCity) {
            add(P(f("ZIP")));
        }
        if (l.useCountry) {
            if (zipWithCountry && l.zipOptions == zoAfterCountry) {
                const QString country = f("COUNTRY"), zip = f("ZIP");
                add(P(country + kBlank) + P(zip));
            } else if (zipWithCountry) {
                const QString zip = f("ZIP"), country = f("COUNTRY");
                add(P(zip + kBlank) + P(country));
            } else {
                add(P(f("COUNTRY")));
            }
        } else if (zipWithCountry) {
            add(P(f("ZIP")));
        }
        if (l.usePhone) add(f("PHONE"));
    } catch (const MissingField&) {
        // A table without one of the fields gives a shortened block.
    }
    if (l.upperCase)
        for (QString& line : lines) line = asciiUpper(line);
    return lines;
}

}  // namespace brindle::common
