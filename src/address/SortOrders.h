#pragma once
// The orders of the Sort menu, each naming a tag of the address file.
#include <QString>
#include <vector>

namespace brindle::address {

struct SortOrder {
    QString caption;  // menu caption with its access key ("&Last Name")
    QString name;     // caption without "&" ("Last Name")
    QString tag;      // "LNAME"
};

const std::vector<SortOrder>& sortOrders();
// The order chosen after every open.
inline QString defaultSortName() { return QStringLiteral("Last Name"); }
// The tag of a sort name, compared in upper case; empty for an unknown name.
QString tagForSortName(const QString& name);
// "Sorted by " + the name as given.
QString sortStatusText(const QString& name);

}  // namespace brindle::address
