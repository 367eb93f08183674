#pragma once
// The browse window's grid over the open address file: one row per record of
// the current order and filter, fetched in blocks as the grid scrolls, and
// the column order kept in a small text file between runs.
#include <QAbstractTableModel>
#include <QString>
#include <QStringList>
#include <vector>

namespace brindle::address {

class AddressFile;

// Every field of the address table in its default column order: the shown
// ones first (Tagged, LNAME ... USER2, DisplayDate), then the hidden ones.
const QStringList& browseFieldNames();
bool isBrowseColumnShown(const QString& name);
QString browseColumnTitle(const QString& name);  // the display label ("Last Name")
// The names of `current` put into the order of `wanted`: the wanted names that
// exist come first, in that order, then the rest as they were. Unknown names
// and repeats are skipped.
QStringList applyColumnOrder(const QStringList& current, const QStringList& wanted);
// `full` with its shown columns replaced, slot by slot, by `shownInView` (the
// order the user left them in); hidden names keep their places.
QStringList mergeShownOrder(const QStringList& full, const QStringList& shownInView);
// The column order file: sysdata/FIELDS.LST below the program folder.
QString columnOrderPath();
QStringList readColumnOrder(const QString& path);  // empty when there is none
void writeColumnOrder(const QString& path, const QStringList& names);  // throws std::runtime_error

class AddressTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // `columns`: the full field order; only shown columns become grid columns.
    AddressTableModel(AddressFile& file, const QStringList& columns, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

    const QStringList& shownColumns() const { return shown_; }
    std::uint32_t recnoAt(int row) const;
    // The row of a record, fetching further rows as needed; -1 when not in the grid.
    int rowOf(std::uint32_t recno);
    // Reads one row again (after its tag changed).
    void refreshRow(int row);
    static constexpr int kFetchBlock = 256;

private:
    QStringList readRow() const;

    AddressFile& file_;
    QStringList shown_;
    std::vector<std::uint32_t> recnos_;
    std::vector<QStringList> rows_;
    bool atEnd_ = false;
};

}  // namespace brindle::address
