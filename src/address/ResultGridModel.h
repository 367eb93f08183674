#pragma once
// The grid of a check's results: one row per record of the address table's
// current order (a temporary result index), every field users see plus the
// calculated "Tagged" column. Cells are edited through the record session,
// so a save stores exactly what the main window would (text the file cannot
// hold is named first); a saved record stays listed even when its key moved.
// Rows are never inserted; they go only when a record is deleted.
#include <QAbstractTableModel>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

namespace brindle::address {

class AddressFile;
class RecordSession;

class ResultGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    ResultGridModel(RecordSession& session, QObject* parent = nullptr);

    // "Tagged", then the shown fields in their browse order.
    static const QStringList& columnNames();
    // Reads the rows again from the table's current order.
    void reload();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // Puts the row's record into edit state (when it is not already) and
    // changes the field; false for the computed columns.
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    std::uint32_t recnoAt(int row) const;
    int rowOf(std::uint32_t recno) const;
    int columnOf(const QString& name) const { return columns_.indexOf(name); }
    const QStringList& columns() const { return columns_; }
    // Moves the table to the row's record. An edit in progress on another
    // record is saved first; false (the edit goes on) when that save was refused.
    bool setCurrentRow(int row);
    int currentRow() const;

    // The buttons' work; each returns false when there was nothing to do.
    bool edit();          // edit state on the current record
    bool save();          // posts the edit
    bool cancel();        // discards the edit
    bool toggleTag();     // the current record's tag
    bool deleteCurrent(); // "Delete this record?", then the main window's delete
    bool editing() const;

signals:
    // The current record changed (navigation, delete, reload).
    void currentChanged(int row);

private:
    QStringList readRow() const;
    void refreshRow(int row);

    RecordSession& session_;
    AddressFile& file_;
    QStringList columns_;
    std::vector<std::uint32_t> recnos_;
    std::vector<QStringList> rows_;
};

}  // namespace brindle::address
