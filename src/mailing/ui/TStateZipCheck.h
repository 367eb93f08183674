#pragma once
// "Check State and Zip  Codes": the start panel with the blank option, the
// running check with its progress and Cancel, the live grid of the records
// found, and the editable grid of the state file.
#include <memory>

#include "help/ui/HelpDialog.h"
#include "mailing/StateZipSession.h"

class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QToolButton;
class QStackedWidget;
class QTableView;
class QWidget;

namespace brindle::address {
class RecordSession;
}
namespace brindle::address::ui {
class ResultGrid;
}

namespace brindle::mailing {
class CszTableModel;
}

namespace brindle::mailing::ui {

class TStateZipCheck : public help::HelpDialog {
    Q_OBJECT
public:
    // The session's file is the address table, filtered to the records not
    // flagged ISDEL by the caller.
    TStateZipCheck(address::RecordSession& session, common::UserDialogs& dialogs,
                   StateZipSession::CszOpener openCsz, QWidget* parent = nullptr);
    ~TStateZipCheck() override;

    void CheckitButtonClick();  // "Perform Check Now"
    void cancelClicked();       // "Cancel" during the check
    void editStateFileClicked();  // "Edit State/Province File" / "Stop Editing"

    StateZipSession& checkSession() { return *check_; }
    QCheckBox* blanksBox() const { return blanks_; }
    QPushButton* checkButton() const { return checkit_; }
    QPushButton* cancelButton() const { return cancel_; }
    QPushButton* closeButton() const { return close_; }
    QPushButton* stateFileButton() const { return stateFile_; }
    QPushButton* tagAllButton() const { return tagAll_; }
    QLabel* countLine() const { return count_; }
    address::ui::ResultGrid* resultGrid() const { return grid_; }
    CszTableModel* stateFileModel() const { return cszModel_.get(); }
    QTableView* stateFileView() const { return cszView_; }
    // 0 start, 1 checking, 2 results, 3 state file
    int panel() const;

protected:
    void closeEvent(QCloseEvent* e) override;
    void reject() override;

private:
    void showPanel(int panel);
    void setChecking(bool on);
    bool closeStateFile();

    address::RecordSession& session_;
    common::UserDialogs& dialogs_;
    StateZipSession::CszOpener openCsz_;
    std::unique_ptr<StateZipSession> check_;
    std::unique_ptr<store::Table> cszTable_;
    std::unique_ptr<CszTableModel> cszModel_;
    QStackedWidget* pages_;
    QCheckBox* blanks_;
    QPushButton* checkit_;
    QProgressBar* progress_;
    QLabel* count_;
    QPushButton* cancel_;
    QPushButton* help_;
    QToolButton* mouseHelp_;
    QPushButton* close_;
    QPushButton* stateFile_;
    QPushButton* tagAll_ = nullptr;
    address::ui::ResultGrid* grid_ = nullptr;
    QWidget* resultPage_;
    QTableView* cszView_ = nullptr;
    int panelBeforeStateFile_ = 0;
    bool closeAfterCheck_ = false;
};

}  // namespace brindle::mailing::ui
