#pragma once
// "Check and Repair Duplicates": the setup panel with the three kinds and the
// street length, the running check with its progress and Cancel, and the live
// grid of the possible duplicates with Delete, Save, Undo, Tag and Tag All.
#include <memory>

#include "help/ui/HelpDialog.h"
#include "utilities/DuplicateSession.h"

class QButtonGroup;
class QLabel;
class QProgressBar;
class QPushButton;
class QToolButton;
class QRadioButton;
class QSpinBox;
class QWidget;

namespace brindle::address {
class RecordSession;
}
namespace brindle::address::ui {
class ResultGrid;
}

namespace brindle::utilities::ui {

class TDupCheck : public help::HelpDialog {
    Q_OBJECT
public:
    // `indexFolder`: where the result index is made (the program folder).
    TDupCheck(address::RecordSession& session, common::UserDialogs& dialogs, const QString& indexFolder,
              QWidget* parent = nullptr);
    ~TDupCheck() override;

    void CheckitButtonClick();  // "&Perform Duplicate Check Now"
    void cancelClicked();

    DuplicateSession& checkSession() { return *check_; }
    QRadioButton* kindButton(DuplicateKind kind) const;
    QSpinBox* streetLength() const { return length_; }
    QPushButton* checkButton() const { return checkit_; }
    QPushButton* cancelButton() const { return cancel_; }
    QPushButton* okButton() const { return ok_; }
    QPushButton* tagAllButton() const { return tagAll_; }
    QLabel* countLine() const { return count_; }
    address::ui::ResultGrid* resultGrid() const { return grid_; }
    bool setupShown() const;

protected:
    void closeEvent(QCloseEvent* e) override;
    void reject() override;

private:
    void kindChanged();
    void setChecking(bool on);

    address::RecordSession& session_;
    common::UserDialogs& dialogs_;
    std::unique_ptr<DuplicateSession> check_;
    QWidget* setup_;
    QButtonGroup* kinds_;
    QRadioButton* kindButtons_[3];
    QLabel* lengthLabel_;
    QSpinBox* length_;
    QPushButton* checkit_;
    QProgressBar* progress_;
    QLabel* count_;
    QWidget* resultPage_;
    QPushButton* cancel_;
    QPushButton* ok_;
    QPushButton* help_;
    QToolButton* mouseHelp_;
    QPushButton* tagAll_ = nullptr;
    address::ui::ResultGrid* grid_ = nullptr;
    bool closeAfterCheck_ = false;
};

}  // namespace brindle::utilities::ui
