#pragma once
// The editable grid of the state file CSZ.DBF: one row per state range in
// the order of its STATE tag, with Delete, Save, Undo and Add. One row is
// edited at a time; moving to another row saves it first, as a data grid
// does. A row without a state, with its starting code after its ending code,
// with text longer than its column or with characters the file cannot hold
// is refused with a message and stays in edit.
#include <QAbstractTableModel>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <vector>

namespace brindle::common {
class UserDialogs;
}
namespace brindle::store {
class Table;
}

namespace brindle::mailing {

class CszTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kColumns = 4;  // NAME, STATE, LOW_ZIP, HIGH_ZIP
    static const std::array<const char*, kColumns>& fieldNames();
    static const QStringList& columnTitles();  // "State or Province", ...

    CszTableModel(store::Table& csz, common::UserDialogs& dialogs, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    void reload();
    int editedRow() const { return edited_; }
    bool hasPendingEdit() const { return edited_ >= 0; }
    // Saves the row being edited; false (with a message) when it was refused.
    bool save();
    // Discards the edit (a new row goes away).
    bool undo();
    // A new blank row at the end, in edit; the edit of another row is saved first.
    int add();
    // Asks "Delete record?" and deletes the row's range.
    bool deleteRow(int row);
    // Before the grid closes: an unsaved row asks whether to save it. False
    // when the grid should stay (the save was refused).
    bool stopEditing();
    // Whether a row may become current (saves another row's edit first).
    bool leaveRow(int toRow);
    int rowOfRecord(std::uint32_t recno) const;

private:
    struct Row {
        std::uint32_t recno = 0;  // 0 for a row not yet stored
        std::array<QString, kColumns> values;
    };
    Row readRow() const;

    store::Table& csz_;
    common::UserDialogs& dialogs_;
    std::vector<Row> rows_;
    int edited_ = -1;
};

}  // namespace brindle::mailing
