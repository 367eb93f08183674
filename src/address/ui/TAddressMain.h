#pragma once
// The main window: one record of the open address file at a time, the menus
// and buttons that lead to every other window, and the start-up work of its
// first activation.
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMap>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QCheckBox>
#include <QStackedWidget>
#include <QTabWidget>
#include <memory>

#include "address/AddressFile.h"
#include "commands/Command.h"
#include "address/Preferences.h"
#include "address/RecordSession.h"

namespace brindle::common {
class UserDialogs;
}

namespace brindle::address::ui {

class TAddressMain : public QMainWindow {
    Q_OBJECT
public:
    // `dialogs` shows every message of the window and of the logic it calls.
    // The menus and buttons are built from `registry` (the program passes
    // the rows with every feature's handlers attached); without one, from
    // the main window's own rows, features not attached.
    explicit TAddressMain(common::UserDialogs& dialogs, QWidget* parent = nullptr);
    TAddressMain(common::UserDialogs& dialogs, commands::CommandRegistry registry, QWidget* parent = nullptr);
    ~TAddressMain() override;

    AddressFile& file() { return *file_; }
    RecordSession& session() { return *session_; }
    QPlainTextEdit* memo() const { return memo_; }
    QCheckBox* taggedBox() const { return tagged_; }
    const Preferences& preferences() const { return prefs_; }

    // Start-up work done once, on the first activation: placement, preferences,
    // tag identifier, the address file, printer check, Getting Started queued.
    void firstActivation();
    bool firstActivationPending() const { return firstActivationPending_; }
    // Whether the first activation queues the Getting Started window (tests turn it off).
    void setGettingStartedAllowed(bool on) { gettingStartedAllowed_ = on; }

    // Enables and shows the controls by the state of the file.
    void setButtons();
    // Rebuilds the recently used entries at the end of the File menu.
    void updateMenuMRUList();
    // Shows the current record.
    void showRecord();

    // Controls by their captions, for the menus' and the windows' users.
    QAction* action(const QString& objectName) const;
    QPushButton* button(const QString& objectName) const;
    QLineEdit* recordEdit(const char* field) const;
    QWidget* noDataPanel() const { return noData_; }
    QTabWidget* tabs() const { return tabs_; }
    QLabel* filterStatus() const { return filterStatus_; }
    QLabel* sortStatus() const { return sortStatus_; }
    QMenu* fileMenu() const { return fileMenu_; }
    QMenu* sortMenu() const { return sortMenu_; }
    QList<QAction*> mruActions() const { return mruActions_; }
    const commands::CommandRegistry& commandRegistry() const { return registry_; }
    // Runs a command as its menu entry or button would (nothing when its
    // feature is not built).
    void runCommand(const QString& id);

public slots:
    void newFileMenuClick();
    void openFileMenuClick();
    void mruItemClick(const QString& path);
    void rebuildIndexesClick();
    void rebuildSystemIndexesClick();
    void preferencesClick();
    void sortMenuClick(const QString& sortName);
    void gettingStartedClick();
    void aboutClick();
    void configurationClick();
    // The single-instance guard asks for the window.
    void bringToFront();
    // Opens an address file as File, Open does once a name is chosen (a file
    // given on the command line or handed over by a later start).
    void openFile(const QString& path);

    // Record work.
    void addClick();
    void editClick();
    void saveClick();
    void cancelClick();
    void deleteClick();
    void cloneClick();
    void copyToClipboardClick();
    void dateClick();
    void taggedClick();
    void clearTagsClick();
    void tagAllClick();
    void searchMemoClick();
    void findNextClick();
    // Filters, search and browse.
    void filterButtonClick();
    void clearFilterClick();
    void saveFilterClick();
    void restoreFilterClick();
    void searchButtonClick();
    void browseButtonClick();
    // Leaves out of the Tab and Enter order the edits whose Skip preference is set.
    void setSkipFields(bool on);
    // Handles the window's own keys (paging, saving, cancelling); true when used.
    bool handleKey(QKeyEvent* key);

signals:
    // The window closed: the program ends.
    void closed();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildMenus();
    void fillMenu(commands::Place place);
    void buildCentre();
    void attachOwnCommands();
    // A button made from its command's row, wired to run the command.
    QPushButton* makeButton(const QString& id);
    QAction* addAction(QMenu* menu, const QString& name, const QString& caption, const QKeySequence& key = {});
    QPushButton* addButton(const QString& name, const QString& caption);
    QLineEdit* addField(const char* field);
    void guarded(const std::function<void()>& action);
    void reloadPreferences();
    void setMenuOrder();
    void wireRecordWork();
    void afterPost();
    void pushField(const QString& field, const QString& text);
    void addAnother();
    // The record controls Tab and Enter move through, in visual order: the
    // name panel, then the address page's edits or the memo, whichever page
    // is in front.
    QList<QWidget*> recordFocusOrder() const;
    // Moves the focus from a record control to the next (or previous) one that
    // takes Tab focus, wrapping at the ends; false when `from` is none of them.
    bool moveRecordFocus(QWidget* from, bool forward);
    // The filter window, showing `shown`, with `countLine` in its count line
    // when given; afterwards the chosen filter is applied.
    void runFilterWindow(const QueryVars& shown, const QString& countLine = QString());

    common::UserDialogs& dialogs_;
    std::unique_ptr<AddressFile> file_;
    std::unique_ptr<RecordSession> session_;
    Preferences prefs_;
    bool firstActivationPending_ = true;
    QString pendingOpen_;  // a file to open once the first activation has run
    bool gettingStartedAllowed_ = true;

    QMap<QString, QAction*> actions_;
    QMap<QString, QPushButton*> buttons_;
    QMap<QString, QLineEdit*> edits_;
    commands::CommandRegistry registry_;
    QMap<int, QMenu*> menus_;  // by commands::Place
    QList<QAction*> mruActions_;
    QAction* mruSeparator_ = nullptr;
    QMenu* fileMenu_ = nullptr;
    QMenu* importMenu_ = nullptr;
    QMenu* recordMenu_ = nullptr;
    QMenu* sortMenu_ = nullptr;
    QMenu* utilitiesMenu_ = nullptr;
    QMenu* printMenu_ = nullptr;
    QMenu* editMenu_ = nullptr;
    QWidget* client_ = nullptr;
    QStackedWidget* recordArea_ = nullptr;
    QTabWidget* tabs_ = nullptr;
    QLabel* noData_ = nullptr;
    QLineEdit* dateEdit_ = nullptr;
    QCheckBox* tagged_ = nullptr;
    QPlainTextEdit* memo_ = nullptr;
    QLabel* filterStatus_ = nullptr;
    QLabel* sortStatus_ = nullptr;
};

}  // namespace brindle::address::ui
