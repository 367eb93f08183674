#pragma once
// The Help menu's own windows: Getting Started, About and the configuration report.
#include <QCheckBox>
#include <QDialog>
#include <QPlainTextEdit>
#include <QTextBrowser>

#include "address/ui/DialogSupport.h"

namespace brindle::common {
class UserDialogs;
}

namespace brindle::address::ui {

// A read-only page with links to help topics, shown at start unless the user
// asked not to see it again.
class TGettingStarted : public HelpDialog {
    Q_OBJECT
public:
    // The page is help/getting-started.html of the program folder.
    TGettingStarted(const QString& settingsPath, QWidget* parent = nullptr);
    QTextBrowser* page() const { return page_; }
    QCheckBox* doNotShowBox() const { return doNotShow_; }
    // The topic opened last by a link (0 before any).
    int lastTopic() const { return lastTopic_; }
    // Opens the help topic of a link; false for a link that names none.
    bool followLink(const QString& link);

public slots:
    // Stores the box in "GettingStarted" of section "Misc" and closes.
    void okClicked();

private:
    QString settingsPath_;
    QTextBrowser* page_;
    QCheckBox* doNotShow_;
    int lastTopic_ = 0;
};

class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parent = nullptr);
};

class TConfigurationInfo : public HelpDialog {
    Q_OBJECT
public:
    TConfigurationInfo(const QString& report, common::UserDialogs& dialogs, QWidget* parent = nullptr);
    QPlainTextEdit* text() const { return text_; }

public slots:
    void copyClicked();

private:
    common::UserDialogs& dialogs_;
    QPlainTextEdit* text_;
};

}  // namespace brindle::address::ui
