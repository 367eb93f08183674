#pragma once
// The matching windows: the source on the left (sampled lines of a text file,
// or the records of a table), and on the right one row per address field
// with the source column or field that fills it, chosen from a menu.
#include <QTableWidget>
#include <functional>

#include "address/ui/DialogSupport.h"
#include "transfer/CsvReader.h"
#include "transfer/DbfImport.h"
#include "transfer/FieldMatching.h"

class QMenu;

namespace brindle::transfer::ui {

class FieldMatchWindow : public address::ui::HelpDialog {
    Q_OBJECT
public:
    const FieldMatching& matching() const { return matching_; }
    QTableWidget* sourceGrid() const { return sourceGrid_; }
    QTableWidget* matchGrid() const { return matchGrid_; }
    // The menu of "(none)" and the sources a row may take; the current one checked.
    QMenu* fieldMenu(int row);
    // Puts a source (-1 for none) into the current row.
    void chooseForCurrentRow(int source);

public slots:
    void selectFieldClicked();
    void clearCurrentClicked();
    void clearAllClicked();

protected:
    FieldMatchWindow(int helpTopic, const QString& caption, const QString& sourceTitle, const QString& fileName,
                     FieldMatching matching, std::function<bool(int source, int row)> allowed, QWidget* parent);
    void showMatches();

    FieldMatching matching_;
    std::function<bool(int, int)> allowed_;
    QTableWidget* sourceGrid_;
    QTableWidget* matchGrid_;
};

// "ASCII File Import Match Fields": the sampled lines, split, with the
// matching. Every source column may feed any row.
class TAsciiMatch : public FieldMatchWindow {
    Q_OBJECT
public:
    TAsciiMatch(const CsvSample& sample, const QString& fileName, const FieldMatching& matching, QWidget* parent = nullptr);
};

// "DBF File Import Match Fields": the source's records beside the matching;
// a memo feeds only the memo, and the memo takes only a memo.
class TDBFMatch : public FieldMatchWindow {
    Q_OBJECT
public:
    TDBFMatch(store::Table& source, const std::vector<SourceField>& fields, const QString& fileName,
              const FieldMatching& matching, QWidget* parent = nullptr);
};

}  // namespace brindle::transfer::ui
