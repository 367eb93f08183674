#pragma once
// The live grid of a check's results (the state and ZIP check, the duplicate
// check): the address records of the table's current order with every shown
// field and "Tagged", a navigator (first, prior, next, last) and the work of
// the windows' buttons: edit, save, cancel, delete, tag, tag all. A double
// click on "Tagged" toggles the record's tag.
#include <QWidget>

class QLabel;
class QTableView;
class QToolButton;

namespace brindle::common {
class UserDialogs;
}

namespace brindle::address {
class RecordSession;
class ResultGridModel;
}  // namespace brindle::address

namespace brindle::address::ui {

class ResultGrid : public QWidget {
    Q_OBJECT
public:
    ResultGrid(RecordSession& session, common::UserDialogs& dialogs, QWidget* parent = nullptr);

    // Reads the table's current order again and selects the current record.
    void reload();
    // Moves a column (by field name) to a position; for the street check.
    void moveColumn(const QString& field, int position);

    void editClicked();
    void saveClicked();
    void cancelClicked();
    void deleteClicked();
    void tagClicked();
    // Asks `question` in a Yes/No box titled "TAG ALL", then runs the
    // "Tagging" window over the table, which holds just the listed records.
    void tagAllClicked(const QString& question);

    QTableView* view() const { return view_; }
    ResultGridModel* model() const { return model_; }
    QToolButton* navigatorButton(int i) const { return nav_[i]; }  // 0 first .. 3 last

private:
    void selectCurrent();
    void go(int which);  // 0 first, 1 prior, 2 next, 3 last
    void guarded(const std::function<void()>& work);

    RecordSession& session_;
    common::UserDialogs& dialogs_;
    ResultGridModel* model_;
    QTableView* view_;
    QToolButton* nav_[4];
    bool selecting_ = false;
};

}  // namespace brindle::address::ui
