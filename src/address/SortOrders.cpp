#include "address/SortOrders.h"

namespace brindle::address {

const std::vector<SortOrder>& sortOrders() {
    static const std::vector<SortOrder> orders = [] {
        const char* table[][2] = {
            {"&Last Name", "LNAME"}, {"&First Name", "FNAME"}, {"&Title", "TITLE"},   {"O&rganization", "ORG"},
            {"&Street", "STREET"},   {"&City", "CITY"},        {"St&ate", "STATE"},   {"&Zip", "ZIP"},
            {"Co&untry", "COUNTRY"}, {"&Phone", "PHONE"},      {"&E-mail", "EMAIL"},  {"Fa&x", "FAX"},
            {"&Date", "DATE"},       {"C&odes", "CODES"},
        };
        std::vector<SortOrder> v;
        for (const auto& row : table) {
            const QString caption = QString::fromLatin1(row[0]);
            v.push_back({caption, QString(caption).remove(QLatin1Char('&')), QString::fromLatin1(row[1])});
        }
        return v;
    }();
    return orders;
}

QString tagForSortName(const QString& name) {
    const QString upper = name.toUpper();
    for (const auto& o : sortOrders())
        if (o.name.toUpper() == upper) return o.tag;
    return {};
}

QString sortStatusText(const QString& name) { return QStringLiteral("Sorted by ") + name; }

}  // namespace brindle::address
