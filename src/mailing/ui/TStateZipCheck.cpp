#include "mailing/ui/TStateZipCheck.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QStyle>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

#include <exception>

#include "address/AddressFile.h"
#include "address/RecordSession.h"
#include "address/ui/DialogSupport.h"
#include "address/ui/ResultGrid.h"
#include "common/UserDialogs.h"
#include "help/HelpTopics.h"
#include "mailing/CszTableModel.h"
#include "store/Table.h"

namespace brindle::mailing::ui {

namespace {

enum Panel { Start = 0, Checking = 1, Results = 2, StateFile = 3 };

QLabel* wrapped(const QString& text, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    l->setWordWrap(true);
    return l;
}

QLabel* bold(const QString& text, QWidget* parent) {
    auto* l = wrapped(text, parent);
    QFont f = l->font();
    f.setBold(true);
    l->setFont(f);
    return l;
}

}  // namespace

TStateZipCheck::TStateZipCheck(address::RecordSession& session, common::UserDialogs& dialogs,
                               StateZipSession::CszOpener openCsz, QWidget* parent)
    : HelpDialog(help::topic::StateZipCheck, parent), session_(session), dialogs_(dialogs),
      openCsz_(std::move(openCsz)) {
    setObjectName(QStringLiteral("TStateZipCheck"));
    setWindowTitle(QStringLiteral("Check State and Zip  Codes"));
    setSizeGripEnabled(true);
    auto& file = session_.file();
    check_ = std::make_unique<StateZipSession>(*file.table(), QFileInfo(file.currentFilePath()).absolutePath(),
                                               dialogs_, openCsz_);

    pages_ = new QStackedWidget(this);

    // Start panel.
    auto* start = new QWidget(pages_);
    auto* sl = new QVBoxLayout(start);
    sl->addWidget(bold(QStringLiteral("Check For State/Province  & Zipcode/Postal Code Anomolies"), start));
    sl->addWidget(wrapped(
        QStringLiteral("A check will be performed by comparing the records in the file against the State/Province "
                       "file, which contains a list of State/Zip Province/Postcode combinations. This file may be "
                       "edited or added to by clicking the 'Edit State/Province File' button below."),
        start));
    blanks_ = new QCheckBox(QStringLiteral("Include records with blank State/Province or Zip/Postcode entries?"), start);
    blanks_->setObjectName(QStringLiteral("blanksBox"));
    sl->addWidget(blanks_);
    checkit_ = address::ui::plainButton(QStringLiteral("Perform Check Now"), QStringLiteral("checkitButton"), start);
    auto* cl = new QHBoxLayout;
    cl->addStretch();
    cl->addWidget(checkit_);
    cl->addStretch();
    sl->addLayout(cl);
    sl->addStretch();
    pages_->addWidget(start);

    // Checking panel.
    auto* running = new QWidget(pages_);
    auto* rl = new QVBoxLayout(running);
    rl->addStretch();
    progress_ = new QProgressBar(running);
    progress_->setRange(0, 100);
    rl->addWidget(progress_);
    count_ = new QLabel(StateZipSession::countLine(0), running);
    count_->setObjectName(QStringLiteral("countLine"));
    rl->addWidget(count_);
    rl->addStretch();
    pages_->addWidget(running);

    // Result panel; its grid is made when the check has run.
    resultPage_ = new QWidget(pages_);
    auto* pl = new QVBoxLayout(resultPage_);
    pl->addWidget(wrapped(QStringLiteral("These records have questionable state/zip or province/postcode "
                                         "combinations. You may edit the contents to make changes. When you are "
                                         "done, press the Close button."),
                          resultPage_));
    pl->addWidget(new QLabel(QStringLiteral("Click on field to begin editing"), resultPage_));
    pages_->addWidget(resultPage_);

    // State file panel; its grid is made when it is opened.
    auto* stateFile = new QWidget(pages_);
    auto* fl = new QVBoxLayout(stateFile);
    fl->addWidget(bold(QStringLiteral("Make changes to the State/Province file to best reflect your country"),
                       stateFile));
    fl->addWidget(new QLabel(QStringLiteral("Click on field to begin editing"), stateFile));
    cszView_ = new QTableView(stateFile);
    cszView_->setObjectName(QStringLiteral("stateFileGrid"));
    cszView_->setSelectionMode(QAbstractItemView::SingleSelection);
    cszView_->verticalHeader()->setDefaultSectionSize(cszView_->fontMetrics().height() + 6);
    fl->addWidget(cszView_, 1);
    auto* fb = new QHBoxLayout;
    const QStyle::StandardPixmap icons[4] = {QStyle::SP_MediaSkipBackward, QStyle::SP_MediaSeekBackward,
                                             QStyle::SP_MediaSeekForward, QStyle::SP_MediaSkipForward};
    for (int i = 0; i < 4; ++i) {
        auto* b = new QToolButton(stateFile);
        b->setIcon(style()->standardIcon(icons[i]));
        connect(b, &QToolButton::clicked, this, [this, i] {
            if (!cszModel_ || cszModel_->rowCount() == 0) return;
            const int now = std::max(cszView_->currentIndex().row(), 0);
            const int last = cszModel_->rowCount() - 1;
            const int target = i == 0 ? 0 : i == 1 ? std::max(now - 1, 0) : i == 2 ? std::min(now + 1, last) : last;
            const int column = std::max(cszView_->currentIndex().column(), 0);
            cszView_->setCurrentIndex(cszModel_->index(target, column));
        });
        fb->addWidget(b);
    }
    fb->addStretch();
    const auto cszButton = [&](const char* caption, const char* name, auto work) {
        auto* b = address::ui::plainButton(QString::fromLatin1(caption), QString::fromLatin1(name), stateFile);
        connect(b, &QPushButton::clicked, this, [this, work] {
            if (!cszModel_) return;
            try {
                cszView_->setFocus();  // commits a cell still in its editor
                work();
            } catch (const std::exception& e) {
                dialogs_.showError(QString::fromLocal8Bit(e.what()));
            }
        });
        fb->addWidget(b);
    };
    cszButton("Delete", "cszDelete", [this] { cszModel_->deleteRow(cszView_->currentIndex().row()); });
    cszButton("Save", "cszSave", [this] { cszModel_->save(); });
    cszButton("Undo", "cszUndo", [this] { cszModel_->undo(); });
    cszButton("Add", "cszAdd", [this] {
        const int row = cszModel_->add();
        if (row >= 0) {
            cszView_->setCurrentIndex(cszModel_->index(row, 0));
            cszView_->edit(cszModel_->index(row, 0));
        }
    });
    fl->addLayout(fb);
    pages_->addWidget(stateFile);

    // Bottom row.
    help_ = makeHelpButton();
    stateFile_ = address::ui::plainButton(QStringLiteral("Edit State/Province File"), QStringLiteral("stateFileButton"), this);
    cancel_ = address::ui::plainButton(QStringLiteral("Cancel"), QStringLiteral("cancelButton"), this);
    cancel_->hide();
    close_ = new QPushButton(QStringLiteral("Close"), this);
    close_->setObjectName(QStringLiteral("closeButton"));
    close_->setDefault(true);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(help_);
    mouseHelp_ = makeMouseHelpButton();
    bottom->addWidget(mouseHelp_);
    bottom->addWidget(stateFile_);
    bottom->addStretch();
    bottom->addWidget(cancel_);
    bottom->addWidget(close_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pages_, 1);
    layout->addLayout(bottom);

    blanks_->setWhatsThis(QStringLiteral("Also checks records whose state or Zip is empty; an empty Zip never fits a range."));
    checkit_->setWhatsThis(QStringLiteral("Compares every record with the State/Province file and lists the ones that do not fit."));
    stateFile_->setWhatsThis(QStringLiteral("Shows the State/Province file so that you can add, change or delete ranges."));
    cancel_->setWhatsThis(QStringLiteral("Stops the check after the current record; the records found so far are shown."));
    close_->setWhatsThis(QStringLiteral("Closes the window; the main window shows its filter, order and record as before."));
    connect(checkit_, &QPushButton::clicked, this, &TStateZipCheck::CheckitButtonClick);
    connect(cancel_, &QPushButton::clicked, this, &TStateZipCheck::cancelClicked);
    connect(close_, &QPushButton::clicked, this, [this] { close(); });
    connect(stateFile_, &QPushButton::clicked, this, &TStateZipCheck::editStateFileClicked);
    resize(560, 300);
    showPanel(Start);
}

TStateZipCheck::~TStateZipCheck() {
    // The grid reads the table; it goes before the result index does.
    delete grid_;
    grid_ = nullptr;
    check_->finish();
}

int TStateZipCheck::panel() const { return pages_->currentIndex(); }

void TStateZipCheck::showPanel(int panel) { pages_->setCurrentIndex(panel); }

void TStateZipCheck::setChecking(bool on) {
    mouseHelp_->setVisible(!on);
    help_->setVisible(!on);
    close_->setVisible(!on);
    stateFile_->setVisible(!on);
    cancel_->setVisible(on);
}

void TStateZipCheck::CheckitButtonClick() {
    if (check_->checking()) return;
    setChecking(true);
    progress_->setValue(0);
    progress_->show();
    count_->setText(StateZipSession::countLine(0));
    showPanel(Checking);
    StateZipSession::Outcome outcome = StateZipSession::Outcome::Failed;
    try {
        outcome = check_->check(blanks_->isChecked(), [this](int percent, int found) {
            if (percent >= 1 && percent <= 99) progress_->setValue(percent);
            count_->setText(StateZipSession::countLine(found));
            dialogs_.processEvents();
        });
    } catch (const std::exception& e) {
        dialogs_.showError(QString::fromLocal8Bit(e.what()));
        outcome = StateZipSession::Outcome::Failed;
    }
    setChecking(false);
    if (closeAfterCheck_) {
        done(QDialog::Rejected);
        return;
    }
    if (outcome == StateZipSession::Outcome::Failed) {
        showPanel(Start);
        return;
    }
    progress_->hide();
    if (!grid_) {
        grid_ = new address::ui::ResultGrid(session_, dialogs_, resultPage_);
        auto* buttons = new QHBoxLayout;
        const auto add = [&](const char* caption, const char* name, void (address::ui::ResultGrid::*slot)()) {
            auto* b = address::ui::plainButton(QString::fromLatin1(caption), QString::fromLatin1(name), resultPage_);
            connect(b, &QPushButton::clicked, grid_, slot);
            buttons->addWidget(b);
            return b;
        };
        add("&Edit", "editButton", &address::ui::ResultGrid::editClicked);
        add("&Save", "saveButton", &address::ui::ResultGrid::saveClicked);
        add("&Cancel", "cancelEditButton", &address::ui::ResultGrid::cancelClicked);
        add("&Tag", "tagButton", &address::ui::ResultGrid::tagClicked);
        tagAll_ = address::ui::plainButton(QStringLiteral("Tag &All"), QStringLiteral("tagAllButton"), resultPage_);
        connect(tagAll_, &QPushButton::clicked, grid_, [this] {
            grid_->tagAllClicked(QStringLiteral("Tag all records with questionable state or zipcodes?"));
        });
        buttons->addWidget(tagAll_);
        buttons->addStretch();
        auto* pl = static_cast<QVBoxLayout*>(resultPage_->layout());
        pl->addWidget(grid_, 1);
        pl->addLayout(buttons);
        resize(std::max(width(), 760), std::max(height(), 460));
    } else {
        grid_->reload();
    }
    showPanel(Results);
    count_->setText(StateZipSession::countLine(check_->found()));
}

void TStateZipCheck::cancelClicked() {
    if (check_->checking()) check_->cancel();
}

void TStateZipCheck::editStateFileClicked() {
    if (panel() == StateFile) {
        closeStateFile();
        return;
    }
    if (grid_ && grid_->model()) {
        // An edit of an address record is saved before the panel changes.
        try {
            if (session_.editing()) grid_->saveClicked();
        } catch (...) {
        }
        if (session_.editing()) return;
    }
    cszTable_ = StateZipSession::openForEditing(openCsz_, dialogs_);
    if (!cszTable_) return;
    cszModel_ = std::make_unique<CszTableModel>(*cszTable_, dialogs_);
    cszView_->setModel(cszModel_.get());
    cszView_->setColumnWidth(0, 180);
    for (int c = 1; c < CszTableModel::kColumns; ++c) cszView_->setColumnWidth(c, 120);
    connect(cszView_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& now, const QModelIndex& before) {
                if (!cszModel_ || !now.isValid() || now.row() == before.row()) return;
                const int edited = cszModel_->editedRow();
                if (edited < 0 || edited == now.row()) return;
                try {
                    if (!cszModel_->leaveRow(now.row()))
                        cszView_->setCurrentIndex(cszModel_->index(cszModel_->editedRow(), before.column()));
                } catch (const std::exception& e) {
                    dialogs_.showError(QString::fromLocal8Bit(e.what()));
                }
            });
    if (cszModel_->rowCount() > 0) cszView_->setCurrentIndex(cszModel_->index(0, 0));
    panelBeforeStateFile_ = panel();
    stateFile_->setText(QStringLiteral("Stop Editing"));
    resize(std::max(width(), 620), std::max(height(), 460));
    showPanel(StateFile);
}

bool TStateZipCheck::closeStateFile() {
    if (!cszModel_) return true;
    cszView_->setFocus();
    try {
        if (!cszModel_->stopEditing()) return false;
    } catch (const std::exception& e) {
        dialogs_.showError(QString::fromLocal8Bit(e.what()));
        return false;
    }
    cszView_->setModel(nullptr);
    cszModel_.reset();
    cszTable_.reset();
    stateFile_->setText(QStringLiteral("Edit State/Province File"));
    showPanel(panelBeforeStateFile_);
    return true;
}

void TStateZipCheck::closeEvent(QCloseEvent* e) {
    // The close box during a check is the Cancel button; the window closes
    // once the walk has stopped.
    if (check_->checking()) {
        e->ignore();
        if (check_->cancel()) closeAfterCheck_ = true;
        return;
    }
    if (!closeStateFile()) {
        e->ignore();
        return;
    }
    if (session_.editing()) session_.cancel();
    HelpDialog::closeEvent(e);
}

void TStateZipCheck::reject() {
    if (check_->checking()) {
        cancelClicked();  // Escape
        return;
    }
    if (!closeStateFile()) return;
    if (session_.editing()) session_.cancel();
    HelpDialog::reject();
}

}  // namespace brindle::mailing::ui
