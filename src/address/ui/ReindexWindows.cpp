#include "address/ui/ReindexWindows.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QVBoxLayout>

#include "address/AddressFile.h"
#include "address/AddressReindex.h"
#include "address/HelpTopics.h"
#include "common/Common.h"
#include "common/UserDialogs.h"

namespace brindle::address::ui {

ReindexWindow::ReindexWindow(int helpTopic, const QString& caption, common::UserDialogs& dialogs, QWidget* parent)
    : HelpDialog(helpTopic, parent), dialogs_(dialogs) {
    setWindowTitle(caption);
    bar_ = new QProgressBar(this);
    bar_->setRange(0, 100);
    bar_->setValue(0);
    bar_->setObjectName(QStringLiteral("progressBar"));
    bar_->hide();
    activity_ = new QLabel(this);
    activity_->setObjectName(QStringLiteral("activityLabel"));
    activity_->setMinimumWidth(320);
    setMinimumWidth(400);
    activity_->hide();
    reindex_ = new QPushButton(QStringLiteral("Reindex"), this);
    reindex_->setObjectName(QStringLiteral("reindexButton"));
    reindex_->setDefault(true);
    reindex_->setWhatsThis(QStringLiteral("Removes deleted records for good and builds the index files anew."));
    cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    cancel_->setObjectName(QStringLiteral("cancelButton"));
    cancel_->setAutoDefault(false);
    help_ = makeHelpButton();
    mouseHelp_ = makeMouseHelpButton();
    connect(reindex_, &QPushButton::clicked, this, &ReindexWindow::reindexClicked);
    connect(cancel_, &QPushButton::clicked, this, &ReindexWindow::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(reindex_);
    buttons->addWidget(cancel_);
    buttons->addWidget(help_);
    buttons->addWidget(mouseHelp_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(activity_);
    layout->addWidget(bar_);
    layout->addLayout(buttons);
}

void ReindexWindow::report(int bar, const QString& activity) {
    history_ << bar;
    bar_->setValue(bar);
    if (!activity.isEmpty()) activity_->setText(activity);
}

void ReindexWindow::reindexClicked() {
    if (running_) return;
    running_ = true;
    history_.clear();
    bar_->setValue(0);
    bar_->show();
    activity_->show();
    reindex_->setEnabled(false);
    cancel_->hide();
    help_->hide();
    mouseHelp_->hide();
    dialogs_.processEvents();
    struct Restore {
        ReindexWindow* w;
        ~Restore() {
            w->bar_->hide();
            w->bar_->setValue(0);
            w->reindex_->setEnabled(true);
            w->cancel_->show();
            w->help_->show();
            w->mouseHelp_->show();
            w->running_ = false;
        }
    };
    {
        Restore restore{this};
        common::runGuarded(dialogs_, [this] { run(); });
    }
    accept();
}

void ReindexWindow::reject() {
    if (running_) return;
    HelpDialog::reject();
}

void ReindexWindow::closeEvent(QCloseEvent* event) {
    if (running_) {
        event->ignore();
        return;
    }
    HelpDialog::closeEvent(event);
}

void ReindexWindow::keyPressEvent(QKeyEvent* event) {
    if (running_ && event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    HelpDialog::keyPressEvent(event);
}

TBRReindex::TBRReindex(AddressFile& file, QWidget* parent)
    : ReindexWindow(topic::AddressReindex, QStringLiteral("Rebuild indexes for ") + file.fileName(), file.dialogs(), parent),
      file_(file) {}

void TBRReindex::run() {
    file_.rebuildIndexes([this](int bar, const QString& activity) { report(bar, activity); });
}

TSystemReindex::TSystemReindex(common::UserDialogs& dialogs, QWidget* parent, QString sysdataFolder)
    : ReindexWindow(topic::SystemReindex, QStringLiteral("Rebuild System Indexes"), dialogs, parent),
      folder_(sysdataFolder.isEmpty() ? common::sysdataDir() : std::move(sysdataFolder)) {}

void TSystemReindex::run() {
    rebuildSystemTables(folder_, dialogs_, [this](int bar, const QString& activity) { report(bar, activity); });
}

}  // namespace brindle::address::ui
