#pragma once
#include <initializer_list>
// The import windows: text files (TAsciiImport), other tables (TDBFImport)
// and the older address generations (TImportOlder). Each chooses its file,
// lets the user match fields where there is a choice, and runs the import
// with a status line, a gauge and Cancel.
#include <QCheckBox>
#include <QComboBox>
#include <QLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <memory>

#include "address/ui/DialogSupport.h"
#include "transfer/ImportSessions.h"

namespace brindle::common {
class UserDialogs;
}

namespace brindle::transfer::ui {

// What the three windows share: the file line, the run's status, gauge and
// Cancel, and the flags that decide what Cancel does.
class ImportWindowBase : public address::ui::HelpDialog {
    Q_OBJECT
public:
    QLabel* pathLabel() const { return path_; }
    QLabel* statusLabel() const { return status_; }
    QProgressBar* gauge() const { return gauge_; }
    QPushButton* importButton() const { return import_; }
    QPushButton* cancelButton() const { return cancel_; }
    bool importing() const { return importing_; }

public slots:
    void cancelClicked();

protected:
    ImportWindowBase(int topic, const QString& caption, const QString& fileCaption, common::UserDialogs& dialogs,
                     QWidget* parent);
    // The run's reports, with input handled now and then so Cancel is seen.
    RunControl runControl();
    // Runs `work` in the importing state; closes the window unless cancelled.
    void runImport(const std::function<ImportResult(const RunControl&)>& work);
    void reject() override;
    // The window's layout: the file row, `options` when given, status and
    // gauge, then `actions` on the left of the button row, Cancel and Help
    // on the right.
    void layOut(std::initializer_list<QPushButton*> actions, QLayout* options = nullptr);

    common::UserDialogs& dialogs_;
    QLabel* path_;
    QLabel* status_;
    QProgressBar* gauge_;
    QPushButton* import_;
    QPushButton* cancel_;
    QWidget* fileRow_;
    bool importing_ = false;
    bool cancelRequested_ = false;
    bool rebuilding_ = false;
};

class TAsciiImport : public ImportWindowBase {
    Q_OBJECT
public:
    TAsciiImport(store::Table& target, common::UserDialogs& dialogs, QWidget* parent = nullptr);
    AsciiImportSession& session() { return session_; }
    QPushButton* matchButton() const { return match_; }
    QComboBox* separatorBox() const { return separator_; }
    QComboBox* encodingBox() const { return encoding_; }
    QCheckBox* headerBox() const { return header_; }
    // Takes a file as if chosen in the file dialog.
    void useFile(const QString& path);

public slots:
    void selectFileClicked();
    void matchFieldsClicked();
    void importClicked();

private:
    void optionsChanged();
    void updateControls();

    AsciiImportSession session_;
    QPushButton* match_;
    QComboBox* separator_;
    QComboBox* encoding_;
    QCheckBox* header_;
    bool updating_ = false;
};

class TDBFImport : public ImportWindowBase {
    Q_OBJECT
public:
    TDBFImport(store::Table& target, const QString& targetPath, common::UserDialogs& dialogs, QWidget* parent = nullptr);
    DbfImportSession& session() { return session_; }
    QPushButton* matchButton() const { return match_; }
    void useFile(const QString& path);

public slots:
    void selectFileClicked();
    void matchFieldsClicked();
    void importClicked();

private:
    void updateControls();

    DbfImportSession session_;
    QPushButton* match_;
};

class TImportOlder : public ImportWindowBase {
    Q_OBJECT
public:
    TImportOlder(store::Table& target, const QString& targetPath, Generation generation, common::UserDialogs& dialogs,
                 QWidget* parent = nullptr);
    OlderImportSession& session() { return session_; }
    void useFile(const QString& path);

public slots:
    void selectFileClicked();
    void importClicked();

private:
    OlderImportSession session_;
};

}  // namespace brindle::transfer::ui
