#pragma once
// Address files with chosen field values for the bulk-edit and record-set
// tests: values are given as UTF-8 and stored as Windows-1252.
#include <QString>
#include <QTemporaryDir>

#include <map>
#include <string>
#include <vector>

#include "address/AddressSchema.h"
#include "store/Cp1252.h"
#include "store/Table.h"

namespace brindle::utiltest {

struct Row {
    std::map<std::string, std::string> values;  // field -> UTF-8 text
    bool isdel = false;
    bool engineDeleted = false;
};

// A new address file (with its 26 tags) holding the rows in this physical order.
inline std::string makeAddressFile(const QTemporaryDir& dir, const std::vector<Row>& rows,
                                   const QString& name = QStringLiteral("Müller.dbf")) {
    const std::string path = dir.filePath(name).toStdString();
    address::createAddressFile(path, address::FieldLengths::defaults());
    auto t = store::Table::open(path);
    for (const Row& r : rows) {
        t->append();
        for (const auto& [field, value] : r.values) t->setString(field, store::utf8ToCp1252(value));
        t->setLogical("ISDEL", r.isdel);
        t->post();
        if (r.engineDeleted) t->deleteRecord();
    }
    return path;
}

// Rows that differ only in last name.
inline std::vector<Row> lastNames(const std::vector<std::string>& names) {
    std::vector<Row> rows;
    for (const auto& n : names) rows.push_back({{{"LNAME", n}}});
    return rows;
}

// A field of every record in record order, as UTF-8 (deleted records too).
inline std::vector<std::string> column(store::Table& t, const char* field) {
    std::vector<std::string> out;
    const bool hidden = t.hideDeleted();
    const std::string filter = t.filter();
    t.setHideDeleted(false);
    t.setFilter("");
    const int order = t.order();
    t.setOrder(0);
    for (std::uint32_t r = 1; r <= t.recordCount(); ++r) {
        t.go(r);
        out.push_back(store::cp1252ToUtf8(t.getString(field)));
    }
    t.setOrder(order);
    t.setFilter(filter);
    t.setHideDeleted(hidden);
    return out;
}

}  // namespace brindle::utiltest
