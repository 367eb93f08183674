#include "letters/ui/TBRLetters.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include "common/ui/DescriptionGrid.h"
#include <QVBoxLayout>
#include <algorithm>
#include <exception>

#include "common/UserDialogs.h"
#include "help/HelpTopics.h"
#include "letters/ui/TLetterDesign.h"
#include "printer/CurrentPrinter.h"
#include "printer/Printers.h"
#include "richtext/RichDocument.h"

namespace brindle::letters::ui {

TBRLetters::TBRLetters(store::Table& table, common::UserDialogs& dialogs, common::ProfileFile& settings,
                       bool filterSet, QWidget* parent)
    : HelpDialog(help::topic::Letters, parent), list_(table, dialogs), dialogs_(dialogs), settings_(settings) {
    setWindowTitle(QStringLiteral("Print Letters"));
    auto* layout = new QHBoxLayout(this);

    auto* left = new QVBoxLayout;
    auto* heading = new QLabel(QStringLiteral("Select Letter"), this);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    left->addWidget(heading);
    grid_ = new common::ui::DescriptionGrid(
        QStringLiteral("letterGrid"), QStringLiteral("Letter Description"), {320, 240},
        QStringLiteral("Your form letters. Pick the one to print, change, delete or copy."), this);
    left->addWidget(grid_, 1);
    auto* actions = new QHBoxLayout;
    const auto makeButton = [this](const char* caption, const QString& whatsThis) {
        auto* b = new QPushButton(QString::fromLatin1(caption), this);
        b->setObjectName(QString::fromLatin1(caption));
        b->setWhatsThis(whatsThis);
        b->setAutoDefault(false);
        return b;
    };
    modify_ = makeButton("Modify", QStringLiteral("Change the chosen letter in the letter designer."));
    new_ = makeButton("New", QStringLiteral("Write a new letter in the letter designer."));
    delete_ = makeButton("Delete", QStringLiteral("Delete the chosen letter."));
    clone_ = makeButton("Clone", QStringLiteral("Make a copy of the chosen letter."));
    for (QPushButton* b : {modify_, new_, delete_, clone_}) actions->addWidget(b);
    left->addLayout(actions);
    layout->addLayout(left, 1);

    // The print choices.
    auto* right = new QVBoxLayout;
    auto* what = new QGroupBox(QStringLiteral("What to Print"), this);
    auto* whatLayout = new QVBoxLayout(what);
    all_ = new QRadioButton(QStringLiteral("All records"), what);
    filtered_ = new QRadioButton(QStringLiteral("Records matching filter"), what);
    current_ = new QRadioButton(QStringLiteral("Only current record"), what);
    current_->setChecked(true);
    filtered_->setEnabled(filterSet);
    for (QRadioButton* r : {all_, filtered_, current_}) {
        r->setObjectName(r->text());
        whatLayout->addWidget(r);
    }
    fromCurrent_ = new QCheckBox(QStringLiteral("Start from current record"), what);
    whatLayout->addWidget(fromCurrent_);
    right->addWidget(what);
    auto* copiesBox = new QGroupBox(QStringLiteral("Copies"), this);
    auto* copiesLayout = new QHBoxLayout(copiesBox);
    copiesLayout->addWidget(new QLabel(QStringLiteral("# copies of each letter"), copiesBox));
    copies_ = new QSpinBox(copiesBox);
    copies_->setRange(1, 999);
    copiesLayout->addWidget(copies_);
    right->addWidget(copiesBox);
    auto* printerBox = new QGroupBox(QStringLiteral("Printer"), this);
    auto* printerLayout = new QVBoxLayout(printerBox);
    const QString printerName = printer().name();
    printer_ = new QLabel(printerName.isEmpty() ? QStringLiteral("Printer:") : printerName, printerBox);
    printer_->setObjectName(QStringLiteral("printerName"));
    printerLayout->addWidget(printer_);
    setup_ = makeButton("Printer Setup", QStringLiteral("Choose the printer."));
    printerLayout->addWidget(setup_);
    right->addWidget(printerBox);
    right->addStretch(1);
    auto* bottom = new QHBoxLayout;
    ok_ = makeButton("Ok", QStringLiteral("Close this window."));
    ok_->setDefault(true);
    print_ = makeButton("Print", QStringLiteral("Print the chosen letter for the chosen records."));
    preview_ = makeButton("Preview", QStringLiteral("Show the chosen letter merged with the current record."));
    for (QPushButton* b : {ok_, print_, preview_}) bottom->addWidget(b);
    bottom->addWidget(makeHelpButton());
    right->addLayout(bottom);
    layout->addLayout(right);

    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    connect(new_, &QPushButton::clicked, this, &TBRLetters::newButtonClick);
    connect(modify_, &QPushButton::clicked, this, &TBRLetters::modifyButtonClick);
    connect(print_, &QPushButton::clicked, this, &TBRLetters::printButtonClick);
    connect(preview_, &QPushButton::clicked, this, &TBRLetters::previewButtonClick);
    connect(setup_, &QPushButton::clicked, this, &TBRLetters::printerSetupClick);
    connect(delete_, &QPushButton::clicked, this, &TBRLetters::deleteButtonClick);
    connect(clone_, &QPushButton::clicked, this, &TBRLetters::cloneButtonClick);
    grid_->onRowChosen(this, [this](std::uint32_t recno) { list_.select(recno); });
    connect(grid_, &QTableWidget::cellDoubleClicked, this, &TBRLetters::modifyButtonClick);
    fillGrid(list_.currentRecno());
}

QPushButton* TBRLetters::button(const QString& caption) const { return findChild<QPushButton*>(caption); }
QRadioButton* TBRLetters::choice(const QString& caption) const { return findChild<QRadioButton*>(caption); }

void TBRLetters::fillGrid(std::uint32_t select) {
    if (const auto current = grid_->fill(list_.rows(), select)) list_.select(*current);
    setLetterButtons();
}

void TBRLetters::setLetterButtons() {
    const LetterButtons b = list_.buttons();
    modify_->setEnabled(b.modify);
    delete_->setEnabled(b.remove);
    clone_->setEnabled(b.clone);
    grid_->setEnabled(b.grid);
    new_->setEnabled(true);
    print_->setEnabled(b.modify && bool(printLetters));
    preview_->setEnabled(b.modify && bool(previewLetter));
    setup_->setEnabled(true);
}

LetterPrintRequest TBRLetters::printRequest() const {
    LetterPrintRequest r;
    r.choice = all_->isChecked()        ? address::RecordChoice::All
               : filtered_->isChecked() ? address::RecordChoice::FilterMatches
                                        : address::RecordChoice::CurrentOnly;
    r.startFromCurrent = fromCurrent_->isChecked();
    r.copies = copies_->value();
    return r;
}

bool TBRLetters::loadChosen(richtext::RichDocument& document) {
    if (!list_.hasRow()) return false;
    return list_.loadCurrent(document);
}

void TBRLetters::printButtonClick() {
    richtext::RichDocument document;
    if (printLetters && loadChosen(document)) printLetters(document, printRequest());
}

void TBRLetters::previewButtonClick() {
    richtext::RichDocument document;
    if (previewLetter && loadChosen(document)) previewLetter(document);
}

void TBRLetters::setPrinter(printer::CurrentPrinter* p) {
    currentPrinter_ = p;
    printer_->setText(printer().name());
}

printer::CurrentPrinter& TBRLetters::printer() {
    return currentPrinter_ ? *currentPrinter_ : printer::CurrentPrinter::instance();
}

void TBRLetters::printerSetupClick() {
    const QStringList printers = printer::availablePrinters();
    bool ok = false;
    const QString chosen =
        QInputDialog::getItem(this, QStringLiteral("Printer Setup"), QStringLiteral("Printer:"), printers,
                              std::max<qsizetype>(0, printers.indexOf(printer().name())), false, &ok);
    if (ok && !chosen.isEmpty() && printer().select(chosen)) printer_->setText(printer().name());
}

void TBRLetters::newButtonClick() { design(true); }

void TBRLetters::modifyButtonClick() {
    if (list_.hasRow()) design(false);
}

void TBRLetters::design(bool isNew) {
    newLetter_ = isNew;
    TLetterDesign designer(dialogs_, settings_, this);
    if (isNew) {
        designer.setDescription(kUntitled);
    } else {
        if (!designer.loadDocument([this](richtext::RichDocument& d) { return list_.loadCurrent(d); })) return;
        designer.setDescription(list_.currentDescription());
    }
    designer.setNewLetter(isNew);
    if (prepareDesigner) prepareDesigner(designer);
    const bool keep = designer.exec() == QDialog::Accepted;
    if (keep) {
        try {
            list_.store(designer.description(), designer.document(), isNew);
        } catch (const std::exception& e) {
            dialogs_.showError(QString::fromUtf8(e.what()));
        }
    }
    newLetter_ = false;
    fillGrid(list_.currentRecno());
}

void TBRLetters::deleteButtonClick() {
    list_.deleteCurrent();
    fillGrid(list_.currentRecno());
}

void TBRLetters::cloneButtonClick() {
    list_.cloneCurrent();
    fillGrid(list_.currentRecno());
}

}  // namespace brindle::letters::ui
