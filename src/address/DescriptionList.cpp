#include "address/DescriptionList.h"

#include <exception>

#include "common/UserDialogs.h"
#include "store/Table.h"

namespace brindle::address {

std::unique_ptr<store::Table> DescriptionList::listByDescription(std::unique_ptr<store::Table> table,
                                                                 common::UserDialogs& dialogs, bool anyTag) {
    if (!table) return nullptr;
    try {
        table->setFilter("not DELETED()");
        if (const int order = table->tagArea("DESCRIPT"); order > 0) table->setOrder(order);
        else if (anyTag && !table->tags().empty()) table->setOrder(1);
        table->first();
    } catch (const std::exception& e) {
        dialogs.showError(QString::fromUtf8(e.what()));
        return nullptr;
    }
    return table;
}

DescriptionList::DescriptionList(store::Table& table, common::UserDialogs& dialogs, bool deletedIsNoRow)
    : table_(table), dialogs_(dialogs), deletedIsNoRow_(deletedIsNoRow) {}

QVector<DescriptionList::Row> DescriptionList::rows() {
    QVector<Row> out;
    const bool had = hasRow();
    const std::uint32_t here = table_.recNo();
    for (bool ok = table_.first(); ok && !table_.eof(); ok = table_.next())
        out.push_back({table_.recNo(), QString::fromStdString(table_.getText("DESCRIPT"))});
    if (had) table_.go(here);
    else table_.first();
    return out;
}

bool DescriptionList::hasRow() const {
    return table_.isOpen() && table_.hasRecord() && !table_.eof() && !(deletedIsNoRow_ && table_.deleted());
}

bool DescriptionList::select(std::uint32_t recno) { return table_.go(recno) && hasRow(); }

std::uint32_t DescriptionList::currentRecno() const { return hasRow() ? table_.recNo() : 0; }

QString DescriptionList::currentDescription() const {
    return hasRow() ? QString::fromStdString(table_.getText("DESCRIPT")) : QString();
}

std::optional<std::uint32_t> DescriptionList::findDescription(const QString& description) {
    for (const Row& r : rows())
        if (r.description == description) return r.recno;
    return std::nullopt;
}

bool DescriptionList::confirm(const QString& verb, const QString& description) {
    return dialogs_.askYesNo(QStringLiteral("%1 \"%2\"?").arg(verb, description), verb.toUpper());
}

}  // namespace brindle::address
