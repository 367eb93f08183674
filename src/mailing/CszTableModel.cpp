#include "mailing/CszTableModel.h"

#include "common/UserDialogs.h"
#include "mailing/StateZipCheck.h"
#include "store/CodePage.h"
#include "store/Cp1252.h"
#include "store/Table.h"

namespace brindle::mailing {

const std::array<const char*, CszTableModel::kColumns>& CszTableModel::fieldNames() {
    static const std::array<const char*, kColumns> names = {"NAME", "STATE", "LOW_ZIP", "HIGH_ZIP"};
    return names;
}

const QStringList& CszTableModel::columnTitles() {
    static const QStringList titles = {QStringLiteral("State or Province"), QStringLiteral("Abbreviation"),
                                       QStringLiteral("Starting Zip/Post"), QStringLiteral("Ending Zip/Post")};
    return titles;
}

CszTableModel::CszTableModel(store::Table& csz, common::UserDialogs& dialogs, QObject* parent)
    : QAbstractTableModel(parent), csz_(csz), dialogs_(dialogs) {
    if (const int state = csz_.tagArea("STATE"); state > 0) csz_.setOrder(state);
    reload();
}

CszTableModel::Row CszTableModel::readRow() const {
    Row r;
    r.recno = csz_.recNo();
    for (int c = 0; c < kColumns; ++c) r.values[static_cast<std::size_t>(c)] = QString::fromStdString(csz_.getText(fieldNames()[static_cast<std::size_t>(c)]));
    return r;
}

void CszTableModel::reload() {
    beginResetModel();
    rows_.clear();
    edited_ = -1;
    for (bool ok = csz_.first(); ok && !csz_.eof(); ok = csz_.next()) rows_.push_back(readRow());
    endResetModel();
}

int CszTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int CszTableModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumns; }

QVariant CszTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= static_cast<int>(rows_.size())) return {};
    if (role != Qt::DisplayRole && role != Qt::EditRole) return {};
    return rows_[static_cast<std::size_t>(index.row())].values[static_cast<std::size_t>(index.column())];
}

QVariant CszTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Horizontal) return columnTitles().value(section);
    return section == edited_ ? QStringLiteral("*") : QString();
}

Qt::ItemFlags CszTableModel::flags(const QModelIndex& index) const {
    return QAbstractTableModel::flags(index) | (index.isValid() ? Qt::ItemIsEditable : Qt::NoItemFlags);
}

bool CszTableModel::leaveRow(int toRow) {
    if (edited_ < 0 || edited_ == toRow) return true;
    return save();
}

bool CszTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || !index.isValid() || index.row() >= static_cast<int>(rows_.size())) return false;
    int row = index.row();
    const std::uint32_t recno = rows_[static_cast<std::size_t>(row)].recno;
    if (!leaveRow(row)) return false;
    // Saving another row may have moved this one.
    if (recno != 0) row = rowOfRecord(recno);
    if (row < 0) return false;
    auto& cell = rows_[static_cast<std::size_t>(row)].values[static_cast<std::size_t>(index.column())];
    if (cell == value.toString() && edited_ != row) return true;
    cell = value.toString();
    edited_ = row;
    emit dataChanged(this->index(row, 0), this->index(row, kColumns - 1));
    emit headerDataChanged(Qt::Vertical, row, row);
    return true;
}

int CszTableModel::rowOfRecord(std::uint32_t recno) const {
    for (std::size_t i = 0; i < rows_.size(); ++i)
        if (rows_[i].recno == recno) return static_cast<int>(i);
    return -1;
}

bool CszTableModel::save() {
    if (edited_ < 0) return false;
    Row& row = rows_[static_cast<std::size_t>(edited_)];
    const QString problem = cszRowProblem(row.values[1], row.values[2], row.values[3]);
    if (!problem.isEmpty()) {
        dialogs_.showInfo(problem);
        return false;
    }
    // Every value must fit its column in the file's code page, whole.
    std::array<std::string, kColumns> bytes;
    const auto defs = csz_.fieldDefs();
    for (int c = 0; c < kColumns; ++c) {
        const char* name = fieldNames()[static_cast<std::size_t>(c)];
        const QString text = c == 0 ? row.values[0].trimmed() : row.values[static_cast<std::size_t>(c)].trimmed();
        const store::EncodedText encoded = csz_.codec().fromUtf8(text.toStdString());
        if (!encoded.lossless()) {
            dialogs_.showInfo(QStringLiteral("\"%1\" in %2 cannot be stored in the state file. Please type it "
                                             "without that character.")
                                  .arg(QString::fromUcs4(&encoded.lost.front().codePoint, 1), columnTitles()[c]));
            return false;
        }
        for (const auto& d : defs) {
            if (d.name == name && static_cast<int>(encoded.text.size()) > d.width) {
                dialogs_.showInfo(QStringLiteral("%1 may hold at most %2 characters.").arg(columnTitles()[c]).arg(d.width));
                return false;
            }
        }
        bytes[static_cast<std::size_t>(c)] = encoded.text;
    }
    if (row.recno == 0) {
        csz_.append();
    } else {
        if (!csz_.go(row.recno)) return false;
        csz_.edit();
    }
    try {
        for (int c = 0; c < kColumns; ++c) csz_.setString(fieldNames()[static_cast<std::size_t>(c)], bytes[static_cast<std::size_t>(c)]);
        csz_.post();
    } catch (...) {
        if (csz_.editing() || csz_.appending()) csz_.cancel();
        throw;
    }
    reload();
    return true;
}

bool CszTableModel::undo() {
    if (edited_ < 0) return false;
    const int row = edited_;
    edited_ = -1;
    Row& r = rows_[static_cast<std::size_t>(row)];
    if (r.recno == 0) {
        beginRemoveRows({}, row, row);
        rows_.erase(rows_.begin() + row);
        endRemoveRows();
        return true;
    }
    if (csz_.go(r.recno)) r = readRow();
    emit dataChanged(index(row, 0), index(row, kColumns - 1));
    emit headerDataChanged(Qt::Vertical, row, row);
    return true;
}

int CszTableModel::add() {
    if (edited_ >= 0 && !save()) return -1;
    const int row = static_cast<int>(rows_.size());
    beginInsertRows({}, row, row);
    rows_.push_back(Row{});
    endInsertRows();
    edited_ = row;
    emit headerDataChanged(Qt::Vertical, row, row);
    return row;
}

bool CszTableModel::deleteRow(int row) {
    if (row < 0 || row >= static_cast<int>(rows_.size())) return false;
    if (!dialogs_.askYesNo(QStringLiteral("Delete record?"), QStringLiteral("Confirm"))) return false;
    // Another row's edit is kept, not lost with the reload.
    if (edited_ >= 0 && edited_ != row) {
        const std::uint32_t recno = rows_[static_cast<std::size_t>(row)].recno;
        if (recno == 0 || !save()) return false;
        row = rowOfRecord(recno);
        if (row < 0) return false;
    }
    if (rows_[static_cast<std::size_t>(row)].recno == 0) {
        edited_ = row;
        return undo();
    }
    if (!csz_.go(rows_[static_cast<std::size_t>(row)].recno)) return false;
    csz_.deleteRecord();
    reload();
    return true;
}

bool CszTableModel::stopEditing() {
    if (edited_ < 0) return true;
    if (dialogs_.askYesNo(QStringLiteral("Save the changes to the state file?"), QStringLiteral("SAVE"))) return save();
    undo();
    return true;
}

}  // namespace brindle::mailing
