#pragma once
// The bulk edits of the Utilities menu: "Convert Case" (TConvertToUpper),
// "Search and Replace" (TSearchAndReplace) and "Delete Records"
// (TDeleteRecords). Each gathers its settings, hands them to the routine in
// src/utilities with the window's progress bar, and closes when the run is
// done; a declined question leaves the window open and nothing changed.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

#include <array>
#include <functional>
#include <optional>
#include <vector>

#include "help/ui/HelpDialog.h"
#include "utilities/BulkRun.h"

class QGroupBox;
class QLabel;
class QToolButton;
class QVBoxLayout;

namespace brindle::address {
class AddressFile;
}
namespace brindle::common {
class UserDialogs;
}

namespace brindle::utilities::ui {

// What the three windows share: the file, the messages, the progress of a
// run and the buttons hidden while it goes.
class BulkEditWindow : public help::HelpDialog {
    Q_OBJECT
public:
    BulkEditWindow(int helpTopic, address::AddressFile& file, common::UserDialogs& dialogs, QWidget* parent);
    bool running() const { return running_; }
    QProgressBar* progressBar() const { return progress_; }
    QPushButton* cancelButton() const { return cancel_; }

protected:
    // Builds the bottom row around the window's own action button.
    void addButtonRow(QVBoxLayout* layout, QPushButton* action);
    // The run's progress: shows the bar, lets input through after every record.
    BulkProgress& startProgress(bool showBar);
    void finishRun();
    // Runs one job, shows its error if it throws, tells the file its data changed and closes the window
    // unless the user declined the job's confirmation (the job returns no result then).
    void runBulk(const std::function<std::optional<BulkResult>()>& job);
    void reject() override;
    virtual void cancelWhileRunning() {}

    address::AddressFile& file_;
    common::UserDialogs& dialogs_;
    QProgressBar* progress_;
    QPushButton* cancel_ = nullptr;
    QPushButton* help_ = nullptr;
    QToolButton* mouseHelp_ = nullptr;
    QWidget* options_ = nullptr;  // hidden while a run goes
    BulkProgress bulk_;
    bool running_ = false;
};

class TConvertToUpper : public BulkEditWindow {
    Q_OBJECT
public:
    TConvertToUpper(address::AddressFile& file, common::UserDialogs& dialogs, QWidget* parent = nullptr);
    void ConvertButtonClick();
    QCheckBox* allBox() const { return all_; }
    QCheckBox* fieldBox(int index) const { return boxes_[size_t(index)]; }
    QRadioButton* recordButton(int index) const { return records_[size_t(index)]; }  // current, all, filter
    QRadioButton* ruleButton(int index) const { return rules_[size_t(index)]; }      // upper, capitalised, lower
    QPushButton* convertButton() const { return convert_; }

protected:
    void cancelWhileRunning() override;

private:
    std::array<QCheckBox*, 15> boxes_{};
    QCheckBox* all_;
    std::array<QRadioButton*, 3> records_{};
    std::array<QRadioButton*, 3> rules_{};
    QPushButton* convert_;
};

class TSearchAndReplace : public BulkEditWindow {
    Q_OBJECT
public:
    TSearchAndReplace(address::AddressFile& file, common::UserDialogs& dialogs, QWidget* parent = nullptr);
    void DoitClick();
    QComboBox* fieldList() const { return field_; }
    QRadioButton* equalsButton() const { return equals_; }
    QRadioButton* containsButton() const { return contains_; }
    QLineEdit* findEdit() const { return find_; }
    QCheckBox* caseBox() const { return case_; }
    QRadioButton* wholeButton() const { return whole_; }
    QRadioButton* partButton() const { return part_; }
    QLineEdit* replacementEdit() const { return with_; }
    QRadioButton* allButton() const { return all_; }
    QRadioButton* filterButton() const { return filter_; }
    QPushButton* replaceButton() const { return replace_; }

private:
    void fieldChanged();
    QComboBox* field_;
    QRadioButton *equals_, *contains_, *whole_, *part_, *all_, *filter_;
    QLineEdit *find_, *with_;
    QCheckBox* case_;
    QPushButton* replace_;
};

class TDeleteRecords : public BulkEditWindow {
    Q_OBJECT
public:
    TDeleteRecords(address::AddressFile& file, common::UserDialogs& dialogs, QWidget* parent = nullptr);
    void DoitClick();
    QRadioButton* choiceButton(int index) const { return choices_[size_t(index)]; }  // all, matching, not matching
    QPushButton* deleteButton() const { return delete_; }

private:
    std::array<QRadioButton*, 3> choices_{};
    QPushButton* delete_;
};

}  // namespace brindle::utilities::ui
