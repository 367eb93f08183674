#include "address/ui/RecordDialogs.h"
#include "address/HelpTopics.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLocale>
#include <QTimer>
#include <QVBoxLayout>

#include "address/SortOrders.h"
#include "address/ui/DialogSupport.h"
#include "common/UserDialogs.h"

namespace brindle::address::ui {
namespace {
}  // namespace

// ---------------------------------------------------------------- TGetFirstLastZip

TGetFirstLastZip::TGetFirstLastZip(const NewRecordBoxLayout& layout, int lastWidth, int firstWidth, int zipWidth,
                                   QWidget* parent)
    : HelpDialog(topic::NewRecord, parent), layout_(layout) {
    setObjectName(QStringLiteral("TGetFirstLastZip"));
    setWindowTitle(QStringLiteral("New Record"));
    auto* form = new QFormLayout;
    last_ = new QLineEdit(this);
    first_ = new QLineEdit(this);
    zip_ = new QLineEdit(this);
    last_->setObjectName(QStringLiteral("lastName"));
    first_->setObjectName(QStringLiteral("firstName"));
    zip_->setObjectName(QStringLiteral("zip"));
    last_->setMaxLength(lastWidth > 0 ? lastWidth : 30);
    first_->setMaxLength(firstWidth > 0 ? firstWidth : 30);
    zip_->setMaxLength(zipWidth > 0 ? zipWidth : 10);
    last_->setWhatsThis(QStringLiteral("Last name of the new record; checked against the names already in the file."));
    first_->setWhatsThis(QStringLiteral("First name of the new record."));
    zip_->setWhatsThis(QStringLiteral("ZIP or postal code; city and state are taken from another record with this code."));
    // The ZIP edit moves to the top when the names are hidden (a form row simply is not added).
    if (layout_.names) {
        form->addRow(QStringLiteral("Last Name"), last_);
        form->addRow(QStringLiteral("First Name"), first_);
    } else {
        last_->hide();
        first_->hide();
    }
    if (layout_.zip) form->addRow(QStringLiteral("Zip Code or Postal Code"), zip_);
    else zip_->hide();
    for (QLineEdit* e : {last_, first_, zip_}) e->installEventFilter(this);

    auto* ok = plainButton(QStringLiteral("Ok [PgDn]"), QStringLiteral("okButton"), this);
    auto* cancel = plainButton(QStringLiteral("Cancel"), QStringLiteral("cancelButton"), this);
    ok->setWhatsThis(QStringLiteral("Goes on adding the record."));
    cancel->setWhatsThis(QStringLiteral("Stops adding; nothing changes."));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addWidget(makeHelpButton());
    auto* v = new QVBoxLayout(this);
    v->addLayout(form);
    v->addLayout(buttons);
    (layout_.names ? last_ : zip_)->setFocus();
    keepTitleWhole(this);
}

bool TGetFirstLastZip::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return HelpDialog::eventFilter(watched, event);
    auto* k = static_cast<QKeyEvent*>(event);
    const bool enter = k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter;
    if (k->key() == Qt::Key_PageDown) {
        accept();
        return true;
    }
    if (watched == zip_ && enter) {
        accept();
        return true;
    }
    // Only a keyboard move out of "First Name" counts as Ok; a click on Cancel never does.
    if (watched == first_ && !layout_.zip && (enter || k->key() == Qt::Key_Tab)) {
        accept();
        return true;
    }
    if (enter) {
        focusNextChild();
        return true;
    }
    return HelpDialog::eventFilter(watched, event);
}

NewRecordAnswer TGetFirstLastZip::answer() const {
    NewRecordAnswer a;
    if (layout_.names) {
        a.last = last_->text();
        a.first = first_->text();
    }
    if (layout_.zip) a.zip = zip_->text();
    return a;
}

// ---------------------------------------------------------------- TCopyToClipBoard

TCopyToClipBoard::TCopyToClipBoard(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TCopyToClipBoard"));
    setWindowTitle(QStringLiteral("Copy Record To Clipboard"));
    auto* v = new QVBoxLayout(this);
    auto box = [&](const char* caption, const char* help) {
        auto* c = new QCheckBox(QString::fromLatin1(caption), this);
        c->setChecked(true);
        c->setWhatsThis(QString::fromLatin1(help));
        v->addWidget(c);
        return c;
    };
    name_ = box("Name, Organization, Title", "Copies the name, the job title and the organisation.");
    address_ = box("Address", "Copies the address lines, city, state, ZIP and country.");
    phones_ = box("Phone Numbers", "Copies both phone numbers.");
    codes_ = box("Codes", "Copies the codes.");
    comments_ = box("Comments 1 && 2", "Copies both comment lines.");
    auto* ok = plainButton(QStringLiteral("Ok"), QStringLiteral("okButton"), this);
    auto* cancel = plainButton(QStringLiteral("Cancel"), QStringLiteral("cancelButton"), this);
    ok->setDefault(true);
    ok->setWhatsThis(QStringLiteral("Copies the chosen parts of the record to the clipboard."));
    cancel->setWhatsThis(QStringLiteral("Closes without copying."));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* h = new QHBoxLayout;
    h->addStretch();
    h->addWidget(ok);
    h->addWidget(cancel);
    v->addLayout(h);
    keepTitleWhole(this);
}

RecordTextParts TCopyToClipBoard::parts() const {
    return {name_->isChecked(), address_->isChecked(), phones_->isChecked(), codes_->isChecked(),
            comments_->isChecked()};
}

// ---------------------------------------------------------------- TTagAllRecords

TTagAllRecords::TTagAllRecords(RecordSession& session, common::UserDialogs& dialogs, QWidget* parent)
    : QDialog(parent), session_(session), dialogs_(dialogs) {
    setObjectName(QStringLiteral("TTagAllRecords"));
    setWindowTitle(QStringLiteral("Tagging"));
    auto* v = new QVBoxLayout(this);
    activity_ = new QLabel(QStringLiteral("Tagging Records"), this);
    activity_->setObjectName(QStringLiteral("activity"));
    count_ = new QLabel(this);
    count_->setObjectName(QStringLiteral("count"));
    count_->setMinimumWidth(220);
    cancel_ = plainButton(QStringLiteral("Cancel"), QStringLiteral("cancelButton"), this);
    ok_ = plainButton(QStringLiteral("Ok"), QStringLiteral("okButton"), this);
    cancel_->setWhatsThis(QStringLiteral("Stops tagging after the current record."));
    ok_->setWhatsThis(QStringLiteral("Closes the window."));
    ok_->hide();
    connect(cancel_, &QPushButton::clicked, this, &TTagAllRecords::cancelClicked);
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    v->addWidget(activity_);
    v->addWidget(count_);
    auto* h = new QHBoxLayout;
    h->addStretch();
    h->addWidget(cancel_);
    h->addWidget(ok_);
    v->addLayout(h);
    keepTitleWhole(this);
}

void TTagAllRecords::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (!started_) {
        started_ = true;
        QTimer::singleShot(0, this, &TTagAllRecords::run);
    }
}

void TTagAllRecords::reject() {
    if (running_) cancelClicked();  // Esc and the close box ask like Cancel while running
    else QDialog::reject();
}

void TTagAllRecords::cancelClicked() {
    if (running_ && dialogs_.askYesNo(QStringLiteral("Cancel Tagging?"), QStringLiteral("CANCEL"))) stop_ = true;
}

void TTagAllRecords::run() {
    started_ = true;
    running_ = true;
    result_ = session_.tagAll([this](int n) {
        count_->setText(QString::number(n) + QStringLiteral(" tagged"));
        dialogs_.processEvents();
        return !stop_;
    });
    running_ = false;
    activity_->setText(result_.cancelled ? QStringLiteral("Cancelled before completion") : QStringLiteral("Complete"));
    count_->clear();
    cancel_->hide();
    ok_->show();
    ok_->setDefault(true);
}

// ---------------------------------------------------------------- TDateSelector

TDateSelector::TDateSelector(const QDate& start, QWidget* parent) : HelpDialog(topic::DateSelector, parent) {
    setObjectName(QStringLiteral("TDateSelector"));
    setWindowTitle(QStringLiteral("Select a Date"));
    longDate_ = new QLabel(this);
    longDate_->setObjectName(QStringLiteral("longDate"));
    longDate_->setAlignment(Qt::AlignCenter);
    calendar_ = new QCalendarWidget(this);
    calendar_->setSelectedDate(start.isValid() ? start : QDate::currentDate());
    calendar_->setWhatsThis(QStringLiteral("Click a day to choose it."));
    connect(calendar_, &QCalendarWidget::selectionChanged, this, &TDateSelector::showChosen);
    auto* v = new QVBoxLayout(this);
    v->addWidget(longDate_);
    v->addWidget(calendar_);
    auto* moves = new QHBoxLayout;
    const struct {
        const char* caption;
        int months;
        int years;
        bool today;
    } steps[] = {{"Year-", 0, -1, false}, {"Month-", -1, 0, false}, {"Today", 0, 0, true},
                 {"Month +", 1, 0, false}, {"Year+", 0, 1, false}};
    for (const auto& s : steps) {
        auto* b = plainButton(QString::fromLatin1(s.caption), QString::fromLatin1(s.caption), this);
        b->setWhatsThis(QStringLiteral("Moves the chosen date."));
        const int months = s.months, years = s.years;
        const bool today = s.today;
        connect(b, &QPushButton::clicked, this, [this, months, years, today] {
            const QDate d = today ? QDate::currentDate() : calendar_->selectedDate().addMonths(months).addYears(years);
            calendar_->setSelectedDate(d);
        });
        moves->addWidget(b);
    }
    v->addLayout(moves);
    auto* ok = plainButton(QStringLiteral("Ok"), QStringLiteral("okButton"), this);
    auto* cancel = plainButton(QStringLiteral("Cancel"), QStringLiteral("cancelButton"), this);
    auto* none = plainButton(QStringLiteral("No Date"), QStringLiteral("noDateButton"), this);
    ok->setDefault(true);
    ok->setWhatsThis(QStringLiteral("Stores the chosen date in the record."));
    cancel->setWhatsThis(QStringLiteral("Closes without changing the record."));
    none->setWhatsThis(QStringLiteral("Removes the record's date."));
    connect(ok, &QPushButton::clicked, this, [this] {
        choice_ = Choice::Date;
        accept();
    });
    connect(none, &QPushButton::clicked, this, [this] {
        choice_ = Choice::NoDate;
        accept();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* h = new QHBoxLayout;
    h->addWidget(ok);
    h->addWidget(cancel);
    h->addWidget(none);
    h->addWidget(makeHelpButton());
    v->addLayout(h);
    showChosen();
}

void TDateSelector::showChosen() {
    longDate_->setText(QLocale::system().toString(calendar_->selectedDate(), QLocale::LongFormat));
}

// ---------------------------------------------------------------- TSearchBox

TSearchBox::TSearchBox(const QString& currentSortName, QWidget* parent) : HelpDialog(topic::SearchBox, parent) {
    setObjectName(QStringLiteral("TSearchBox"));
    setWindowTitle(QStringLiteral("Search"));
    order_ = new QComboBox(this);
    order_->setObjectName(QStringLiteral("searchOrder"));
    for (const auto& o : sortOrders()) order_->addItem(o.name);
    const int at = order_->findText(currentSortName, Qt::MatchFixedString);
    if (at >= 0) order_->setCurrentIndex(at);
    order_->setWhatsThis(QStringLiteral("The order to search in; it becomes the sort order."));
    auto* orderLabel = new QLabel(QStringLiteral("Search &Order"), this);
    orderLabel->setBuddy(order_);
    label_ = new QLabel(this);
    label_->setObjectName(QStringLiteral("searchLabel"));
    edit_ = new QLineEdit(this);
    edit_->setObjectName(QStringLiteral("searchFor"));
    edit_->setWhatsThis(QStringLiteral("The beginning of the value to look for; letter case does not matter."));
    label_->setBuddy(edit_);
    auto* ok = plainButton(QStringLiteral("Ok"), QStringLiteral("okButton"), this);
    auto* cancel = plainButton(QStringLiteral("Cancel"), QStringLiteral("cancelButton"), this);
    ok->setDefault(true);
    ok->setWhatsThis(QStringLiteral("Goes to the first record whose value starts with the text."));
    cancel->setWhatsThis(QStringLiteral("Closes without searching."));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(order_, &QComboBox::currentIndexChanged, this, &TSearchBox::orderChanged);
    auto* v = new QVBoxLayout(this);
    v->addWidget(orderLabel);
    v->addWidget(order_);
    v->addWidget(label_);
    v->addWidget(edit_);
    auto* h = new QHBoxLayout;
    h->addStretch();
    h->addWidget(ok);
    h->addWidget(cancel);
    h->addWidget(makeHelpButton());
    v->addLayout(h);
    orderChanged();
    keepTitleWhole(this);
}

void TSearchBox::orderChanged() {
    label_->setText(QStringLiteral("Search ") + order_->currentText() + QStringLiteral(" starting with..."));
    edit_->setFocus();
}

// ---------------------------------------------------------------- TBRWSearching

TBRWSearching::TBRWSearching(RecordSession& session, bool fromStart, common::UserDialogs& dialogs, QWidget* parent)
    : QDialog(parent), session_(session), fromStart_(fromStart), dialogs_(dialogs) {
    setObjectName(QStringLiteral("TBRWSearching"));
    setWindowTitle(QStringLiteral("Searching"));
    auto* v = new QVBoxLayout(this);
    auto* label = new QLabel(QStringLiteral("Searching for: ") + session.memoSearchText, this);
    label->setObjectName(QStringLiteral("searchingFor"));
    v->addWidget(label);
    auto* cancel = plainButton(QStringLiteral("Cancel"), QStringLiteral("cancelButton"), this);
    cancel->setWhatsThis(QStringLiteral("Stops the search; the current record stays."));
    connect(cancel, &QPushButton::clicked, this, [this] { cancelled_ = true; });
    v->addWidget(cancel, 0, Qt::AlignCenter);
    keepTitleWhole(this);
}

void TBRWSearching::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (started_) return;
    started_ = true;
    QTimer::singleShot(0, this, [this] {
        found_ = session_.findTextInMemo(fromStart_, [this] {
            dialogs_.processEvents();
            return !cancelled_;
        });
        accept();
    });
}

}  // namespace brindle::address::ui
