#pragma once
// The small windows of the main window's record work: the "New Record" box,
// copying to the clipboard, tagging all records, the date selector, the
// search box and the memo search progress.
#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <optional>

#include "address/RecordSession.h"
#include "address/ui/DialogSupport.h"

namespace brindle::common {
class UserDialogs;
}

namespace brindle::address::ui {

// "New Record": last and first name (for the duplicate check) and the ZIP (for
// city and state). Enter moves on; PgDn, Enter in the ZIP edit, and Tab or
// Enter out of "First Name" while the ZIP edit is hidden mean Ok.
class TGetFirstLastZip : public HelpDialog {
    Q_OBJECT
public:
    TGetFirstLastZip(const NewRecordBoxLayout& layout, int lastWidth, int firstWidth, int zipWidth,
                     QWidget* parent = nullptr);
    NewRecordAnswer answer() const;
    QLineEdit* lastEdit() const { return last_; }
    QLineEdit* firstEdit() const { return first_; }
    QLineEdit* zipEdit() const { return zip_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    NewRecordBoxLayout layout_;
    QLineEdit* last_;
    QLineEdit* first_;
    QLineEdit* zip_;
};

// "Copy Record To Clipboard": which parts of the record to copy.
class TCopyToClipBoard : public QDialog {
    Q_OBJECT
public:
    explicit TCopyToClipBoard(QWidget* parent = nullptr);
    RecordTextParts parts() const;

private:
    QCheckBox* name_;
    QCheckBox* address_;
    QCheckBox* phones_;
    QCheckBox* codes_;
    QCheckBox* comments_;
};

// "Tagging": tags every record of the filter, with a running count and Cancel.
class TTagAllRecords : public QDialog {
    Q_OBJECT
public:
    TTagAllRecords(RecordSession& session, common::UserDialogs& dialogs, QWidget* parent = nullptr);
    // Runs the tagging (the window calls it once it is shown).
    void run();
    RecordSession::TagAllResult result() const { return result_; }
    QLabel* activity() const { return activity_; }
    QLabel* count() const { return count_; }
    QPushButton* cancelButton() const { return cancel_; }
    QPushButton* okButton() const { return ok_; }
    void cancelClicked();

protected:
    void showEvent(QShowEvent* e) override;
    void reject() override;

private:
    RecordSession& session_;
    common::UserDialogs& dialogs_;
    QLabel* activity_;
    QLabel* count_;
    QPushButton* cancel_;
    QPushButton* ok_;
    bool started_ = false;
    bool running_ = false;
    bool stop_ = false;
    RecordSession::TagAllResult result_;
};

// "Select a Date".
class TDateSelector : public HelpDialog {
    Q_OBJECT
public:
    enum class Choice { Cancel, Date, NoDate };
    TDateSelector(const QDate& start, QWidget* parent = nullptr);
    Choice choice() const { return choice_; }
    QDate date() const { return calendar_->selectedDate(); }
    QCalendarWidget* calendar() const { return calendar_; }

private:
    void showChosen();
    QCalendarWidget* calendar_;
    QLabel* longDate_;
    Choice choice_ = Choice::Cancel;
};

// "Search": the order to search in and the text its keys start with.
class TSearchBox : public HelpDialog {
    Q_OBJECT
public:
    TSearchBox(const QString& currentSortName, QWidget* parent = nullptr);
    QString sortName() const { return order_->currentText(); }
    QString text() const { return edit_->text(); }
    QComboBox* orderBox() const { return order_; }
    QLineEdit* edit() const { return edit_; }
    QLabel* editLabel() const { return label_; }

private:
    void orderChanged();
    QComboBox* order_;
    QLabel* label_;
    QLineEdit* edit_;
};

// "Searching": the memo search, with Cancel; closes itself when done.
class TBRWSearching : public QDialog {
    Q_OBJECT
public:
    TBRWSearching(RecordSession& session, bool fromStart, common::UserDialogs& dialogs, QWidget* parent = nullptr);
    bool found() const { return found_; }

protected:
    void showEvent(QShowEvent* e) override;

private:
    RecordSession& session_;
    bool fromStart_;
    common::UserDialogs& dialogs_;
    bool started_ = false;
    bool cancelled_ = false;
    bool found_ = false;
};

}  // namespace brindle::address::ui
