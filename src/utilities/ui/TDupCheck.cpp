#include "utilities/ui/TDupCheck.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

#include <exception>

#include "address/AddressFile.h"
#include "address/RecordSession.h"
#include "address/ui/DialogSupport.h"
#include "address/ui/ResultGrid.h"
#include "common/UserDialogs.h"
#include "help/HelpTopics.h"

namespace brindle::utilities::ui {

TDupCheck::TDupCheck(address::RecordSession& session, common::UserDialogs& dialogs, const QString& indexFolder,
                     QWidget* parent)
    : HelpDialog(help::topic::DuplicateCheck, parent), session_(session), dialogs_(dialogs) {
    setObjectName(QStringLiteral("TDupCheck"));
    setWindowTitle(QStringLiteral("Check and Repair Duplicates"));
    setSizeGripEnabled(true);
    check_ = std::make_unique<DuplicateSession>(*session_.file().table(), indexFolder, dialogs_);

    // Setup panel.
    setup_ = new QWidget(this);
    auto* sl = new QVBoxLayout(setup_);
    auto* heading = new QLabel(QStringLiteral("Duplicate Record Check Setup"), setup_);
    QFont f = heading->font();
    f.setBold(true);
    heading->setFont(f);
    sl->addWidget(heading);
    auto* group = new QGroupBox(QStringLiteral("What to check:"), setup_);
    auto* gl = new QGridLayout(group);
    kinds_ = new QButtonGroup(this);
    const char* captions[3] = {"&Last + First", "Last + &First Initial", "&Street Address"};
    for (int i = 0; i < 3; ++i) {
        kindButtons_[i] = new QRadioButton(QString::fromLatin1(captions[i]), group);
        kinds_->addButton(kindButtons_[i], i);
        gl->addWidget(kindButtons_[i], i % 2, i / 2);  // two columns
    }
    kindButtons_[0]->setChecked(true);
    sl->addWidget(group);
    auto* ll = new QHBoxLayout;
    lengthLabel_ = new QLabel(QStringLiteral("Check how many characters of street address (max 30)"), setup_);
    length_ = new QSpinBox(setup_);
    length_->setObjectName(QStringLiteral("streetLength"));
    length_->setRange(1, kMaxStreetLength);
    length_->setValue(kMaxStreetLength);
    lengthLabel_->setBuddy(length_);
    ll->addWidget(lengthLabel_);
    ll->addWidget(length_);
    ll->addStretch();
    sl->addLayout(ll);
    checkit_ = address::ui::plainButton(QStringLiteral("&Perform Duplicate Check Now"), QStringLiteral("checkitButton"),
                                        setup_);
    auto* cl = new QHBoxLayout;
    cl->addStretch();
    cl->addWidget(checkit_);
    cl->addStretch();
    sl->addLayout(cl);

    progress_ = new QProgressBar(this);
    progress_->setRange(0, 100);
    progress_->hide();
    count_ = new QLabel(this);
    count_->setObjectName(QStringLiteral("countLine"));
    count_->hide();

    resultPage_ = new QWidget(this);
    auto* rl = new QVBoxLayout(resultPage_);
    rl->setContentsMargins(0, 0, 0, 0);
    rl->addWidget(new QLabel(QStringLiteral("Click on field to begin editing"), resultPage_));
    resultPage_->hide();

    help_ = makeHelpButton();
    cancel_ = address::ui::plainButton(QStringLiteral("Cancel"), QStringLiteral("cancelButton"), this);
    cancel_->hide();
    ok_ = new QPushButton(QStringLiteral("Ok"), this);
    ok_->setObjectName(QStringLiteral("okButton"));
    ok_->setDefault(true);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(count_);
    bottom->addStretch();
    bottom->addWidget(cancel_);
    bottom->addWidget(ok_);
    bottom->addWidget(help_);
    mouseHelp_ = makeMouseHelpButton();
    bottom->addWidget(mouseHelp_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(setup_);
    layout->addWidget(progress_);
    layout->addWidget(resultPage_, 1);
    layout->addLayout(bottom);

    group->setWhatsThis(QStringLiteral("Which neighbouring records count as duplicates: same last and first name, "
                                       "same last name and first initial, or the same start of Address 1."));
    length_->setWhatsThis(QStringLiteral("How many characters of Address 1 are compared (1 to 30)."));
    checkit_->setWhatsThis(QStringLiteral("Reads the records in name or street order and lists both records of every pair."));
    cancel_->setWhatsThis(QStringLiteral("Stops the check after the current record; the pairs found so far are shown."));
    ok_->setWhatsThis(QStringLiteral("Closes the window; the main window shows its filter, order and record as before."));
    connect(kinds_, &QButtonGroup::idClicked, this, [this](int) { kindChanged(); });
    connect(checkit_, &QPushButton::clicked, this, &TDupCheck::CheckitButtonClick);
    connect(cancel_, &QPushButton::clicked, this, &TDupCheck::cancelClicked);
    connect(ok_, &QPushButton::clicked, this, [this] { close(); });
    kindChanged();
}

TDupCheck::~TDupCheck() {
    delete grid_;
    grid_ = nullptr;
    check_->finish();
}

QRadioButton* TDupCheck::kindButton(DuplicateKind kind) const { return kindButtons_[static_cast<int>(kind)]; }

bool TDupCheck::setupShown() const { return !setup_->isHidden(); }

void TDupCheck::kindChanged() {
    const bool street = kinds_->checkedId() == static_cast<int>(DuplicateKind::Street);
    lengthLabel_->setVisible(street);
    length_->setVisible(street);
}

void TDupCheck::setChecking(bool on) {
    mouseHelp_->setVisible(!on);
    help_->setVisible(!on);
    ok_->setVisible(!on);
    cancel_->setVisible(on);
}

void TDupCheck::CheckitButtonClick() {
    if (check_->checking() || check_->done()) return;
    DuplicateOptions options;
    options.kind = static_cast<DuplicateKind>(std::max(kinds_->checkedId(), 0));
    options.streetLength = length_->value();
    setup_->hide();
    setChecking(true);
    progress_->setValue(0);
    progress_->show();
    count_->setText(DuplicateSession::countLine(0));
    count_->show();
    try {
        check_->check(options, [this](int percent, int found) {
            if (percent >= 1 && percent <= 99) progress_->setValue(percent);
            count_->setText(DuplicateSession::countLine(found));
            dialogs_.processEvents();
        });
    } catch (const std::exception& e) {
        dialogs_.showError(QString::fromLocal8Bit(e.what()));
    }
    progress_->hide();
    setChecking(false);
    count_->setText(DuplicateSession::countLine(check_->found()));
    if (closeAfterCheck_) {
        done(QDialog::Rejected);
        return;
    }
    if (check_->found() > 0) {
        grid_ = new address::ui::ResultGrid(session_, dialogs_, resultPage_);
        if (options.kind == DuplicateKind::Street) grid_->moveColumn(QStringLiteral("STREET"), 1);
        auto* buttons = new QHBoxLayout;
        const auto add = [&](const char* caption, const char* name, void (address::ui::ResultGrid::*slot)()) {
            auto* b = address::ui::plainButton(QString::fromLatin1(caption), QString::fromLatin1(name), resultPage_);
            connect(b, &QPushButton::clicked, grid_, slot);
            buttons->addWidget(b);
        };
        add("&Delete", "deleteButton", &address::ui::ResultGrid::deleteClicked);
        add("S&ave", "saveButton", &address::ui::ResultGrid::saveClicked);
        add("&Undo", "undoButton", &address::ui::ResultGrid::cancelClicked);
        add("&Tag", "tagButton", &address::ui::ResultGrid::tagClicked);
        tagAll_ = address::ui::plainButton(QStringLiteral("Tag &All"), QStringLiteral("tagAllButton"), resultPage_);
        connect(tagAll_, &QPushButton::clicked, grid_,
                [this] { grid_->tagAllClicked(QStringLiteral("Tag all possible duplicates?")); });
        buttons->addWidget(tagAll_);
        buttons->addStretch();
        auto* rl = static_cast<QVBoxLayout*>(resultPage_->layout());
        rl->addWidget(grid_, 1);
        rl->addLayout(buttons);
        resultPage_->show();
        resize(std::max(width(), 760), std::max(height(), 460));
    }
}

void TDupCheck::cancelClicked() {
    if (check_->checking()) check_->cancel();
}

void TDupCheck::closeEvent(QCloseEvent* e) {
    // The close box during a check is the Cancel button; the window closes
    // once the walk has stopped.
    if (check_->checking()) {
        e->ignore();
        if (check_->cancel()) closeAfterCheck_ = true;
        return;
    }
    if (session_.editing()) session_.cancel();
    HelpDialog::closeEvent(e);
}

void TDupCheck::reject() {
    if (check_->checking()) {
        cancelClicked();  // Escape
        return;
    }
    if (session_.editing()) session_.cancel();
    HelpDialog::reject();
}

}  // namespace brindle::utilities::ui
