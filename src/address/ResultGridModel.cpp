#include "address/ResultGridModel.h"

#include "address/AddressFile.h"
#include "address/BrowseModel.h"
#include "address/RecordSession.h"
#include "store/Table.h"

namespace brindle::address {

namespace {
const QString kTagged = QStringLiteral("Tagged");
const QString kDate = QStringLiteral("DisplayDate");
}  // namespace

const QStringList& ResultGridModel::columnNames() {
    static const QStringList names = [] {
        QStringList out{kTagged};
        for (const QString& n : browseFieldNames())
            if (n != kTagged && isBrowseColumnShown(n)) out << n;
        return out;
    }();
    return names;
}

ResultGridModel::ResultGridModel(RecordSession& session, QObject* parent)
    : QAbstractTableModel(parent), session_(session), file_(session.file()), columns_(columnNames()) {
    reload();
}

QStringList ResultGridModel::readRow() const {
    const ComputedFields c = file_.calcFields();
    QStringList row;
    for (const QString& n : columns_) {
        if (n == kTagged) row << (c.tagged ? QStringLiteral("T") : QString());
        else if (n == kDate) row << c.displayDate;
        else row << session_.field(n);
    }
    return row;
}

void ResultGridModel::reload() {
    // Walking the table would end an edit in progress; the rows are read
    // again after it is saved or cancelled.
    if (session_.editing()) return;
    beginResetModel();
    recnos_.clear();
    rows_.clear();
    if (file_.isOpen()) {
        auto* t = file_.table();
        const bool had = t->hasRecord() && !t->appending();
        const std::uint32_t here = t->recNo();
        for (bool ok = t->first(); ok && !t->eof(); ok = t->next()) {
            recnos_.push_back(t->recNo());
            rows_.push_back(readRow());
        }
        if (had && !t->go(here)) t->first();
        if (!recnos_.empty() && rowOf(t->recNo()) < 0) t->go(recnos_.front());
    }
    endResetModel();
    emit currentChanged(currentRow());
}

int ResultGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(recnos_.size());
}

int ResultGridModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : columns_.size(); }

QVariant ResultGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= static_cast<int>(rows_.size())) return {};
    const QString& v = rows_[static_cast<std::size_t>(index.row())][index.column()];
    if (columns_[index.column()] == kTagged) {
        if (role == Qt::CheckStateRole) return v == QLatin1String("T") ? Qt::Checked : Qt::Unchecked;
        return {};
    }
    if (role == Qt::DisplayRole || role == Qt::EditRole) return v;
    return {};
}

QVariant ResultGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Horizontal)
        return section >= 0 && section < columns_.size() ? browseColumnTitle(columns_[section]) : QVariant();
    return {};
}

Qt::ItemFlags ResultGridModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (!index.isValid()) return f;
    const QString& n = columns_[index.column()];
    if (n != kTagged && n != kDate) f |= Qt::ItemIsEditable;
    return f;
}

bool ResultGridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || !index.isValid() || !(flags(index) & Qt::ItemIsEditable)) return false;
    if (!setCurrentRow(index.row())) return false;
    if (!session_.editing() && !session_.startEdit()) return false;
    session_.setField(columns_[index.column()], value.toString());
    rows_[static_cast<std::size_t>(index.row())][index.column()] = session_.field(columns_[index.column()]);
    emit dataChanged(index, index);
    return true;
}

std::uint32_t ResultGridModel::recnoAt(int row) const {
    return row >= 0 && row < static_cast<int>(recnos_.size()) ? recnos_[static_cast<std::size_t>(row)] : 0;
}

int ResultGridModel::rowOf(std::uint32_t recno) const {
    for (std::size_t i = 0; i < recnos_.size(); ++i)
        if (recnos_[i] == recno) return static_cast<int>(i);
    return -1;
}

int ResultGridModel::currentRow() const {
    if (!file_.isOpen() || !file_.table()->hasRecord()) return -1;
    return rowOf(file_.table()->recNo());
}

bool ResultGridModel::setCurrentRow(int row) {
    const std::uint32_t recno = recnoAt(row);
    if (recno == 0 || !file_.isOpen()) return false;
    auto* t = file_.table();
    if (t->hasRecord() && t->recNo() == recno) return true;
    // Leaving a record saves its edit, as a data grid does.
    if (session_.editing() && !save()) return false;
    t->go(recno);
    emit currentChanged(rowOf(recno));
    return true;
}

bool ResultGridModel::editing() const { return session_.editing(); }

bool ResultGridModel::edit() {
    if (currentRow() < 0) return false;
    return session_.startEdit();
}

bool ResultGridModel::save() {
    if (!session_.editing()) return false;
    const std::uint32_t recno = file_.table()->recNo();
    if (!session_.save(session_.memoText())) return false;
    // The key may have moved the record within the order: read the rows again.
    file_.table()->go(recno);
    reload();
    return true;
}

bool ResultGridModel::cancel() {
    if (!session_.editing()) return false;
    const int row = currentRow();
    session_.cancel();
    refreshRow(row);
    return true;
}

bool ResultGridModel::toggleTag() {
    const int row = currentRow();
    if (row < 0) return false;
    if (!session_.toggleTag()) return false;
    if (file_.table()->recNo() != recnoAt(row)) file_.table()->go(recnoAt(row));
    refreshRow(row);
    return true;
}

bool ResultGridModel::deleteCurrent() {
    if (currentRow() < 0 || session_.editing()) return false;
    if (!session_.deleteRecord()) return false;
    reload();
    return true;
}

void ResultGridModel::refreshRow(int row) {
    if (row < 0 || row >= static_cast<int>(recnos_.size()) || !file_.isOpen()) return;
    auto* t = file_.table();
    const std::uint32_t here = t->recNo();
    const bool moved = !session_.editing() && here != recnos_[static_cast<std::size_t>(row)];
    if (moved) t->go(recnos_[static_cast<std::size_t>(row)]);
    rows_[static_cast<std::size_t>(row)] = readRow();
    if (moved) t->go(here);
    emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}

}  // namespace brindle::address
