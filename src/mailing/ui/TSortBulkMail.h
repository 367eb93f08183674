#pragma once
// "Bulk Mail Presorting": the small window in which the presort runs. It
// starts the work as soon as it is shown, shows what it does in a bold status
// line, offers Cancel, and closes itself when done.
#include <QDialog>

#include "mailing/Presort.h"

class QLabel;
class QPushButton;

namespace brindle::common {
class UserDialogs;
}
namespace brindle::store {
class Table;
}

namespace brindle::mailing::ui {

class TSortBulkMail : public QDialog {
    Q_OBJECT
public:
    TSortBulkMail(store::Table& table, common::UserDialogs& dialogs, QString orderFile, QWidget* parent = nullptr);

    // The status line's text; the window repaints at once.
    void SetLabel1(const QString& text);
    // Asks "Cancel PRESORT?"; Yes stops the scan after the current record.
    void cancelClicked();
    // Runs the presort (the window calls it once it is shown) and closes the window.
    void run();

    // How often the scan looks for input such as a click on Cancel, in
    // milliseconds; 0 looks after every record.
    void setInputInterval(int ms) { inputIntervalMs_ = ms; }
    static constexpr int kDefaultInputIntervalMs = 15;

    // Whether the presort completed and wrote the order file.
    bool done() const { return result_.completed(); }
    const PresortResult& result() const { return result_; }
    QLabel* statusLine() const { return status_; }
    QPushButton* cancelButton() const { return cancel_; }

protected:
    void showEvent(QShowEvent* e) override;
    void reject() override;

private:
    store::Table& table_;
    common::UserDialogs& dialogs_;
    QString orderFile_;
    QLabel* status_;
    QPushButton* cancel_;
    bool started_ = false;
    bool running_ = false;
    bool cancelRequested_ = false;
    int inputIntervalMs_ = kDefaultInputIntervalMs;
    PresortResult result_;
};

// Runs the presort over the records the table's filter admits in the
// "Bulk Mail Presorting" window, writing the order file (the program folder's
// PRESORT.PSL unless another path is given). True when the presort completed;
// false when the user cancelled or the file could not be written (the user
// has been told). `result`, when given, receives the counts.
bool DoPresort(store::Table& table, common::UserDialogs& dialogs, QWidget* parent,
               const QString& orderFile = QString(), PresortResult* result = nullptr,
               int inputIntervalMs = TSortBulkMail::kDefaultInputIntervalMs);

}  // namespace brindle::mailing::ui
