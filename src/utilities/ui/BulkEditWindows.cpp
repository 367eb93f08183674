#include "utilities/ui/BulkEditWindows.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

#include <exception>

#include "address/AddressFile.h"
#include "address/ui/DialogSupport.h"
#include "common/UserDialogs.h"
#include "help/HelpTopics.h"
#include "utilities/CaseConversion.h"
#include "utilities/DeleteRecords.h"
#include "utilities/SearchReplace.h"

namespace brindle::utilities::ui {

// ---------------------------------------------------------------- shared

BulkEditWindow::BulkEditWindow(int helpTopic, address::AddressFile& file, common::UserDialogs& dialogs,
                               QWidget* parent)
    : HelpDialog(helpTopic, parent), file_(file), dialogs_(dialogs) {
    progress_ = new QProgressBar(this);
    progress_->setObjectName(QStringLiteral("progressBar"));
    progress_->setRange(0, 100);
    progress_->hide();
}

void BulkEditWindow::addButtonRow(QVBoxLayout* layout, QPushButton* action) {
    action->setDefault(true);
    cancel_ = address::ui::plainButton(QStringLiteral("Cancel"), QStringLiteral("cancelButton"), this);
    connect(cancel_, &QPushButton::clicked, this, &BulkEditWindow::reject);
    help_ = makeHelpButton();
    mouseHelp_ = makeMouseHelpButton();
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(action);
    row->addWidget(cancel_);
    row->addWidget(help_);
    row->addWidget(mouseHelp_);
    layout->addWidget(progress_);
    layout->addLayout(row);
}

BulkProgress& BulkEditWindow::startProgress(bool showBar) {
    bulk_ = BulkProgress([this](int percent) {
        progress_->setValue(percent);
        dialogs_.processEvents();
    });
    running_ = true;
    help_->hide();
    mouseHelp_->hide();
    if (options_) options_->hide();
    progress_->setValue(0);
    progress_->setVisible(showBar);
    return bulk_;
}

void BulkEditWindow::finishRun() {
    running_ = false;
    progress_->hide();
}

void BulkEditWindow::runBulk(const std::function<std::optional<BulkResult>()>& job) {
    std::optional<BulkResult> result;
    try {
        result = job();
    } catch (const std::exception& e) {
        finishRun();
        dialogs_.showError(QString::fromLocal8Bit(e.what()));
        accept();
        return;
    }
    finishRun();
    file_.dataChanged();
    if (result) accept();
}

void BulkEditWindow::reject() {
    if (running_) {
        cancelWhileRunning();  // Escape and the close box while a run goes
        return;
    }
    HelpDialog::reject();
}

namespace {

QRadioButton* radio(const QString& caption, const char* name, QWidget* parent, QLayout* layout, QButtonGroup* group,
                    int id) {
    auto* b = new QRadioButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    layout->addWidget(b);
    group->addButton(b, id);
    return b;
}

}  // namespace

// ---------------------------------------------------------------- Convert Case

TConvertToUpper::TConvertToUpper(address::AddressFile& file, common::UserDialogs& dialogs, QWidget* parent)
    : BulkEditWindow(help::topic::ConvertCase, file, dialogs, parent) {
    setObjectName(QStringLiteral("TConvertToUpper"));
    setWindowTitle(QStringLiteral("Convert Case"));
    options_ = new QWidget(this);
    auto* ol = new QVBoxLayout(options_);
    ol->setContentsMargins(0, 0, 0, 0);
    auto* fields = new QGroupBox(QStringLiteral("Fields to convert"), options_);
    auto* fl = new QGridLayout(fields);
    const auto& list = convertibleFields();
    for (std::size_t i = 0; i < list.size(); ++i) {
        boxes_[i] = new QCheckBox(QString::fromLatin1(list[i].caption), fields);
        boxes_[i]->setObjectName(QString::fromLatin1(list[i].field));
        boxes_[i]->setChecked(true);
        fl->addWidget(boxes_[i], int(i % 5), int(i / 5));
    }
    all_ = new QCheckBox(QStringLiteral("All"), fields);
    all_->setObjectName(QStringLiteral("allFields"));
    all_->setChecked(true);
    fl->addWidget(all_, 5, 0);
    connect(all_, &QCheckBox::clicked, this, [this](bool on) {
        for (QCheckBox* b : boxes_) b->setChecked(on);
    });
    ol->addWidget(fields);

    auto* lower = new QHBoxLayout;
    auto* which = new QGroupBox(QStringLiteral("Which fields should be converted ?"), options_);
    auto* wl = new QVBoxLayout(which);
    auto* recordGroup = new QButtonGroup(this);
    records_[0] = radio(QStringLiteral("Current Record Only"), "currentRecord", which, wl, recordGroup, 0);
    records_[1] = radio(QStringLiteral("All Records"), "allRecords", which, wl, recordGroup, 1);
    records_[2] = radio(QStringLiteral("All Records Matching Filter"), "filterRecords", which, wl, recordGroup, 2);
    records_[0]->setChecked(true);
    records_[2]->setEnabled(file_.filterSet());
    auto* how = new QGroupBox(QStringLiteral("Conversion"), options_);
    auto* hl = new QVBoxLayout(how);
    auto* ruleGroup = new QButtonGroup(this);
    rules_[0] = radio(QStringLiteral("Uppercase"), "upper", how, hl, ruleGroup, 0);
    rules_[1] = radio(QStringLiteral("First letter capitalized"), "capitalised", how, hl, ruleGroup, 1);
    rules_[2] = radio(QStringLiteral("Lowercase"), "lower", how, hl, ruleGroup, 2);
    rules_[0]->setChecked(true);
    lower->addWidget(which);
    lower->addWidget(how);
    ol->addLayout(lower);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(options_);
    convert_ = new QPushButton(QStringLiteral("Convert"), this);
    convert_->setObjectName(QStringLiteral("convertButton"));
    addButtonRow(layout, convert_);
    connect(convert_, &QPushButton::clicked, this, &TConvertToUpper::ConvertButtonClick);
    fields->setWhatsThis(QStringLiteral("The fields whose letters are converted. \"All\" ticks or clears them together."));
    which->setWhatsThis(QStringLiteral("The current record, every record, or the records the filter shows. Deleted "
                                       "records are never changed."));
    how->setWhatsThis(QStringLiteral("Capitalized: the first letter of the value and every letter after a blank "
                                     "in capitals, the rest in small letters. Digits and punctuation stay."));
}

void TConvertToUpper::ConvertButtonClick() {
    if (running_ || !file_.isOpen()) return;
    CaseConversionOptions o;
    const auto& list = convertibleFields();
    for (std::size_t i = 0; i < list.size(); ++i)
        if (boxes_[i]->isChecked()) o.fields.emplace_back(list[i].field);
    o.rule = rules_[1]->isChecked() ? CaseRule::Capitalised : rules_[2]->isChecked() ? CaseRule::Lower : CaseRule::Upper;
    o.choice = records_[1]->isChecked()   ? address::RecordChoice::All
               : records_[2]->isChecked() ? address::RecordChoice::FilterMatches
                                          : address::RecordChoice::CurrentOnly;
    o.query = file_.queryExpression();
    runBulk([&] {
        return convertWithConfirmation(*file_.table(), o, dialogs_, bulk_, [&] {
            startProgress(o.choice == address::RecordChoice::All);
        });
    });
}

void TConvertToUpper::cancelWhileRunning() {
    if (dialogs_.askYesNo(QString::fromLatin1(kCancelConvertQuestion), QStringLiteral("Cancel")))
        bulk_.cancelRequested = true;
}

// ---------------------------------------------------------------- Search and Replace

TSearchAndReplace::TSearchAndReplace(address::AddressFile& file, common::UserDialogs& dialogs, QWidget* parent)
    : BulkEditWindow(help::topic::SearchReplace, file, dialogs, parent) {
    setObjectName(QStringLiteral("TSearchAndReplace"));
    setWindowTitle(QStringLiteral("Search and Replace"));
    options_ = new QWidget(this);
    auto* ol = new QGridLayout(options_);
    ol->setContentsMargins(0, 0, 0, 0);
    auto* fieldLabel = new QLabel(QStringLiteral("Search for field:"), options_);
    field_ = new QComboBox(options_);
    field_->setObjectName(QStringLiteral("fieldList"));
    for (const auto& f : replaceFields()) field_->addItem(QString::fromLatin1(f.caption), QString::fromLatin1(f.field));
    fieldLabel->setBuddy(field_);
    ol->addWidget(fieldLabel, 0, 0);
    ol->addWidget(field_, 0, 1);

    auto* where = new QGroupBox(QStringLiteral("Where the field value:"), options_);
    auto* wl = new QVBoxLayout(where);
    auto* findGroup = new QButtonGroup(this);
    equals_ = radio(QStringLiteral("Is exactly equal to  (leave empty for blank)"), "equals", where, wl, findGroup, 0);
    contains_ = radio(QStringLiteral("Contains"), "contains", where, wl, findGroup, 1);
    equals_->setChecked(true);
    auto* fr = new QHBoxLayout;
    auto* findLabel = new QLabel(QStringLiteral("Value:"), where);
    find_ = new QLineEdit(where);
    find_->setObjectName(QStringLiteral("findEdit"));
    findLabel->setBuddy(find_);
    fr->addWidget(findLabel);
    fr->addWidget(find_);
    wl->addLayout(fr);
    case_ = new QCheckBox(QStringLiteral("Case sensitive"), where);
    case_->setObjectName(QStringLiteral("caseSensitive"));
    case_->setChecked(true);
    wl->addWidget(case_);
    ol->addWidget(where, 1, 0, 1, 2);

    auto* action = new QGroupBox(QStringLiteral("And do this action:"), options_);
    auto* al = new QVBoxLayout(action);
    auto* actionGroup = new QButtonGroup(this);
    whole_ = radio(QStringLiteral("Replace the whole field with"), "whole", action, al, actionGroup, 0);
    part_ = radio(QStringLiteral("Replace only the matching text with"), "part", action, al, actionGroup, 1);
    whole_->setChecked(true);
    auto* wr = new QHBoxLayout;
    auto* withLabel = new QLabel(QStringLiteral("Value:"), action);
    with_ = new QLineEdit(action);
    with_->setObjectName(QStringLiteral("replacementEdit"));
    withLabel->setBuddy(with_);
    wr->addWidget(withLabel);
    wr->addWidget(with_);
    al->addLayout(wr);
    ol->addWidget(action, 2, 0, 1, 2);

    auto* using_ = new QGroupBox(QStringLiteral("Using:"), options_);
    auto* ul = new QVBoxLayout(using_);
    auto* usingGroup = new QButtonGroup(this);
    all_ = radio(QStringLiteral("All Records"), "allRecords", using_, ul, usingGroup, 0);
    filter_ = radio(QStringLiteral("Records matching current Filter"), "filterRecords", using_, ul, usingGroup, 1);
    all_->setChecked(true);
    filter_->setEnabled(file_.filterSet());
    ol->addWidget(using_, 3, 0, 1, 2);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(options_);
    replace_ = new QPushButton(QStringLiteral("Replace "), this);
    replace_->setObjectName(QStringLiteral("replaceButton"));
    addButtonRow(layout, replace_);
    connect(replace_, &QPushButton::clicked, this, &TSearchAndReplace::DoitClick);
    connect(field_, &QComboBox::currentIndexChanged, this, [this](int) { fieldChanged(); });
    fieldChanged();
    find_->setWhatsThis(QStringLiteral("The text to look for, taken literally. Empty finds records whose field is empty."));
    with_->setWhatsThis(QStringLiteral("The new text: the whole field, or what replaces each occurrence found."));
    case_->setWhatsThis(QStringLiteral("Unticked, capitals and small letters (accented ones too) count as the same."));
    using_->setWhatsThis(QStringLiteral("Every record, or only the records the filter shows. Deleted records are never changed."));
}

void TSearchAndReplace::fieldChanged() {
    const int width = file_.fieldWidth(field_->currentData().toString().toLatin1().constData());
    const int max = width > 0 ? width : 32767;
    for (QLineEdit* e : {find_, with_}) {
        e->setMaxLength(max);
        if (e->text().size() > max) e->setText(e->text().left(max));
    }
}

void TSearchAndReplace::DoitClick() {
    if (running_ || !file_.isOpen()) return;
    ReplaceOptions o;
    o.field = field_->currentData().toString().toStdString();
    o.find = find_->text();
    o.mode = contains_->isChecked() ? FindMode::Contains : FindMode::Equals;
    o.caseSensitive = case_->isChecked();
    o.action = part_->isChecked() ? ReplaceAction::MatchingText : ReplaceAction::WholeField;
    o.replacement = with_->text();
    o.matchingFilter = filter_->isChecked() && file_.filterSet();
    o.query = file_.queryExpression();
    runBulk([&] {
        return replaceWithConfirmation(*file_.table(), o, dialogs_, bulk_, [&] {
            startProgress(true);
            replace_->setEnabled(false);
            cancel_->hide();
        });
    });
}

// ---------------------------------------------------------------- Delete Records

TDeleteRecords::TDeleteRecords(address::AddressFile& file, common::UserDialogs& dialogs, QWidget* parent)
    : BulkEditWindow(help::topic::DeleteRecordSets, file, dialogs, parent) {
    setObjectName(QStringLiteral("TDeleteRecords"));
    setWindowTitle(QStringLiteral("Delete Records"));
    options_ = new QGroupBox(QStringLiteral("Records to delete"), this);
    auto* ol = new QVBoxLayout(options_);
    auto* group = new QButtonGroup(this);
    choices_[0] = radio(QStringLiteral("Delete &All Records"), "deleteAll", options_, ol, group, 0);
    choices_[1] = radio(QStringLiteral("Delete Records matching current &Filter"), "deleteMatching", options_, ol, group, 1);
    choices_[2] = radio(QStringLiteral("Delete Records which do &NOT match current Filter"), "deleteNotMatching",
                        options_, ol, group, 2);
    choices_[0]->setChecked(true);
    choices_[1]->setEnabled(file_.filterSet());
    choices_[2]->setEnabled(file_.filterSet());
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(options_);
    delete_ = new QPushButton(QStringLiteral("Delete Now"), this);
    delete_->setObjectName(QStringLiteral("deleteButton"));
    addButtonRow(layout, delete_);
    connect(delete_, &QPushButton::clicked, this, &TDeleteRecords::DoitClick);
    options_->setWhatsThis(QStringLiteral("\"All\" empties the file at once and cannot be undone. The filter choices "
                                          "mark records as deleted; Rebuild Indexes removes them for good."));
}

void TDeleteRecords::DoitClick() {
    if (running_ || !file_.isOpen()) return;
    DeleteOptions o;
    o.choice = choices_[1]->isChecked()   ? DeleteChoice::MatchingFilter
               : choices_[2]->isChecked() ? DeleteChoice::NotMatchingFilter
                                          : DeleteChoice::All;
    if (!file_.filterSet()) o.choice = DeleteChoice::All;
    o.query = file_.queryExpression();
    runBulk([&] {
        return deleteWithConfirmation(*file_.table(), o, dialogs_, bulk_, [&] {
            startProgress(true);
            delete_->setEnabled(false);
            cancel_->hide();
        });
    });
}

}  // namespace brindle::utilities::ui
