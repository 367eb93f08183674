#pragma once
// The two rebuild windows: the open address file (TBRReindex) and the system
// tables (TSystemReindex). A run cannot be stopped: while it goes on, Escape
// and the close box are ignored.
#include <QLabel>
#include <QProgressBar>

#include "address/ui/DialogSupport.h"

namespace brindle::common {
class UserDialogs;
}

namespace brindle::address {
class AddressFile;
}

namespace brindle::address::ui {

class ReindexWindow : public HelpDialog {
    Q_OBJECT
public:
    ReindexWindow(int helpTopic, const QString& caption, common::UserDialogs& dialogs, QWidget* parent);
    bool running() const { return running_; }
    QProgressBar* progressBar() const { return bar_; }
    QLabel* activityLabel() const { return activity_; }
    QPushButton* reindexButton() const { return reindex_; }
    QPushButton* cancelButton() const { return cancel_; }
    // Every bar value shown during the last run, in order.
    const QList<int>& barHistory() const { return history_; }

public slots:
    void reindexClicked();
    void reject() override;

protected:
    // The rebuild itself; reports through show().
    virtual void run() = 0;
    void report(int bar, const QString& activity);
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

    common::UserDialogs& dialogs_;

private:
    bool running_ = false;
    QProgressBar* bar_;
    QLabel* activity_;
    QPushButton* reindex_;
    QPushButton* cancel_;
    QPushButton* help_;
    QToolButton* mouseHelp_;
    QList<int> history_;
};

class TBRReindex : public ReindexWindow {
    Q_OBJECT
public:
    TBRReindex(AddressFile& file, QWidget* parent = nullptr);

protected:
    void run() override;

private:
    AddressFile& file_;
};

class TSystemReindex : public ReindexWindow {
    Q_OBJECT
public:
    // `sysdataFolder` defaults to the program's sysdata/.
    TSystemReindex(common::UserDialogs& dialogs, QWidget* parent = nullptr, QString sysdataFolder = {});

protected:
    void run() override;

private:
    QString folder_;
};

}  // namespace brindle::address::ui
