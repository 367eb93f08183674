#pragma once
// Which source column or field feeds which address field. The rows are the
// address fields an import may fill, in table order; each row holds at most
// one source and each source feeds at most one row, so choosing a source for
// a row takes it away from any other row.
#include <QString>
#include <functional>
#include <utility>
#include <vector>

namespace brindle::transfer {

struct ImportTarget {
    QString field;  // "LNAME"
    QString label;  // "Last Name", as the field lists show it
    char type = 'C';
    int width = 0;  // the catalogue's width (the open file may differ)
};

// Text imports fill the visible character fields and the stored date; DBF
// imports also the memo.
enum class TargetSet { Text, Dbf };
std::vector<ImportTarget> importTargets(TargetSet set);

// The field whose name or display label equals `text` ignoring case; -1 when none.
int findTarget(const std::vector<ImportTarget>& targets, const QString& text);

class FieldMatching {
public:
    FieldMatching() = default;
    FieldMatching(std::vector<ImportTarget> targets, std::vector<QString> sourceNames);

    int rowCount() const { return static_cast<int>(targets_.size()); }
    int sourceCount() const { return static_cast<int>(sources_.size()); }
    const ImportTarget& target(int row) const { return targets_[static_cast<std::size_t>(row)]; }
    const std::vector<ImportTarget>& targets() const { return targets_; }
    const QString& sourceName(int source) const { return sources_[static_cast<std::size_t>(source)]; }
    const std::vector<QString>& sourceNames() const { return sources_; }

    // The source in a row, -1 when none.
    int sourceAt(int row) const { return rows_[static_cast<std::size_t>(row)]; }
    // The row a source feeds, -1 when none.
    int rowOf(int source) const;
    // Puts the source in the row, taking it from any other row; -1 empties the row.
    void choose(int row, int source);
    void clearRow(int row) { choose(row, -1); }
    void clearAll();
    bool anyMatched() const;

    // For each source in order, the first free row whose field name or label
    // equals the source's name ignoring case, among the rows `allowed` admits
    // for it. Rows already holding a source keep it.
    void matchByName(const std::function<bool(int source, int row)>& allowed = {});

    // (source, field name) of every filled row, in source order.
    std::vector<std::pair<int, QString>> pairs() const;

private:
    std::vector<ImportTarget> targets_;
    std::vector<QString> sources_;
    std::vector<int> rows_;
};

}  // namespace brindle::transfer
