#include "address/BrowseModel.h"

#include <QFile>
#include <QSaveFile>
#include <stdexcept>

#include "address/AddressFile.h"
#include "address/FieldCatalogue.h"
#include "common/Common.h"

namespace brindle::address {

const QStringList& browseFieldNames() {
    // The tag flag first and the shown date after the shown stored fields;
    // then the hidden stored fields and the hidden computed values.
    static const QStringList names = [] {
        QStringList l{QStringLiteral("Tagged")};
        for (const AddressField& f : kAddressFields)
            if (f.visible) l << QString::fromLatin1(f.name);
        for (const ComputedField& c : kComputedFields)
            if (c.visible && !l.contains(QLatin1String(c.name))) l << QString::fromLatin1(c.name);
        for (const AddressField& f : kAddressFields)
            if (!f.visible) l << QString::fromLatin1(f.name);
        for (const ComputedField& c : kComputedFields)
            if (!c.visible) l << QString::fromLatin1(c.name);
        return l;
    }();
    return names;
}

bool isBrowseColumnShown(const QString& name) { return isFieldVisible(name); }

QString browseColumnTitle(const QString& name) { return fieldLabel(name); }

QStringList applyColumnOrder(const QStringList& current, const QStringList& wanted) {
    QStringList out;
    for (const QString& w : wanted)
        if (current.contains(w) && !out.contains(w)) out << w;
    for (const QString& c : current)
        if (!out.contains(c)) out << c;
    return out;
}

QStringList mergeShownOrder(const QStringList& full, const QStringList& shownInView) {
    QStringList out;
    int next = 0;
    for (const QString& name : full) {
        if (isBrowseColumnShown(name) && next < shownInView.size()) out << shownInView[next++];
        else out << name;
    }
    return out;
}

QString columnOrderPath() { return common::resolveIgnoringCase(common::sysdataDir(), QStringLiteral("FIELDS.LST")); }

QStringList readColumnOrder(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    QStringList names;
    while (!f.atEnd() && names.size() < 1000) {
        const QString line = QString::fromLatin1(f.readLine(256)).trimmed();
        if (!line.isEmpty()) names << line;
    }
    return names;
}

void writeColumnOrder(const QString& path, const QStringList& names) {
    // Written beside the old list and renamed over it: a full disk or a
    // crash leaves the old order, never a cut-off one.
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        throw std::runtime_error(("Unable to write " + path + ": " + f.errorString()).toStdString());
    for (const QString& n : names) f.write(n.toLatin1() + "\r\n");
    if (!f.commit()) throw std::runtime_error(("Unable to write " + path + ": " + f.errorString()).toStdString());
}

AddressTableModel::AddressTableModel(AddressFile& file, const QStringList& order, QObject* parent)
    : QAbstractTableModel(parent), file_(file) {
    for (const QString& n : order)
        if (isBrowseColumnShown(n)) shown_ << n;
    atEnd_ = !file_.isOpen();
}

int AddressTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(recnos_.size());
}

int AddressTableModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : shown_.size(); }

QVariant AddressTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= static_cast<int>(rows_.size())) return {};
    const QString& v = rows_[static_cast<std::size_t>(index.row())][index.column()];
    if (shown_[index.column()] == QLatin1String("Tagged")) {
        if (role == Qt::CheckStateRole) return v == QLatin1String("T") ? Qt::Checked : Qt::Unchecked;
        return {};
    }
    if (role == Qt::DisplayRole) return v;
    return {};
}

QVariant AddressTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Horizontal) return section < shown_.size() ? browseColumnTitle(shown_[section]) : QVariant();
    return QVariant();
}

bool AddressTableModel::canFetchMore(const QModelIndex& parent) const { return !parent.isValid() && !atEnd_; }

QStringList AddressTableModel::readRow() const {
    const ComputedFields c = file_.calcFields();
    const FileText text = file_.text();
    QStringList row;
    for (const QString& n : shown_) {
        if (n == QLatin1String("Tagged")) row << (c.tagged ? QStringLiteral("T") : QString());
        else if (n == QLatin1String("DisplayDate")) row << c.displayDate;
        else row << text.decode(file_.table()->getString(n.toLatin1().constData()));
    }
    return row;
}

void AddressTableModel::fetchMore(const QModelIndex& parent) {
    if (parent.isValid() || atEnd_ || !file_.isOpen()) return;
    auto* t = file_.table();
    const bool had = t->hasRecord();
    const std::uint32_t here = t->recNo();
    std::vector<std::uint32_t> recs;
    std::vector<QStringList> rows;
    bool ok = recnos_.empty() ? t->first() : (t->go(recnos_.back()) && t->next());
    while (ok && !t->eof() && static_cast<int>(recs.size()) < kFetchBlock) {
        recs.push_back(t->recNo());
        rows.push_back(readRow());
        ok = t->next();
    }
    if (!ok || t->eof()) atEnd_ = true;
    if (had) t->go(here);
    if (recs.empty()) return;
    const int first = static_cast<int>(recnos_.size());
    beginInsertRows({}, first, first + static_cast<int>(recs.size()) - 1);
    recnos_.insert(recnos_.end(), recs.begin(), recs.end());
    for (auto& r : rows) rows_.push_back(std::move(r));
    endInsertRows();
}

std::uint32_t AddressTableModel::recnoAt(int row) const {
    return row >= 0 && row < static_cast<int>(recnos_.size()) ? recnos_[static_cast<std::size_t>(row)] : 0;
}

int AddressTableModel::rowOf(std::uint32_t recno) {
    for (std::size_t i = 0;; ++i) {
        if (i == recnos_.size()) {
            if (atEnd_) return -1;
            fetchMore({});
            if (i == recnos_.size()) return -1;
        }
        if (recnos_[i] == recno) return static_cast<int>(i);
    }
}

void AddressTableModel::refreshRow(int row) {
    if (row < 0 || row >= static_cast<int>(recnos_.size()) || !file_.isOpen()) return;
    auto* t = file_.table();
    const std::uint32_t here = t->recNo();
    t->go(recnos_[static_cast<std::size_t>(row)]);
    rows_[static_cast<std::size_t>(row)] = readRow();
    t->go(here);
    emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}

}  // namespace brindle::address
