#include "labels/ui/TLabelSetupScreen.h"
#include "labels/ui/TPrinterCalibration.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFormLayout>
#include <QGroupBox>
#include <QRadioButton>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include "common/ui/DescriptionGrid.h"
#include <QVBoxLayout>
#include <exception>

#include "commands/Command.h"
#include "common/Common.h"
#include "designer/AddressRecordSource.h"
#include "designer/ui/TLabelDesignScreen.h"
#include "designobjects/ui/TKBasePanel.h"
#include "labels/ui/LabelLayoutDialogs.h"
#include "common/UserDialogs.h"
#include "help/HelpTopics.h"
#include "labels/LabelLayout.h"
#include "designer/DesignFileNames.h"
#include "labels/ui/LabelJobRun.h"
#include "labels/ui/LabelPositionPicker.h"
#include "mailing/Presort.h"
#include "printer/CurrentPrinter.h"
#include "printer/Printers.h"
#include "store/Table.h"
#include "address/AddressFile.h"

namespace brindle::labels::ui {

namespace {

const char* const kDetailCaptions[] = {"Sheet Name",  "Label Height", "Label Width", "# Across",
                                       "# Down",      "Paper Size",   "Paper Width", "Paper Height"};

}  // namespace

TLabelSetupScreen::TLabelSetupScreen(store::Table& table, const QString& sysdata, common::UserDialogs& dialogs,
                                     QWidget* parent)
    : HelpDialog(help::topic::LabelSetup, parent), list_(table, sysdata, dialogs), dialogs_(dialogs) {
    setWindowTitle(QStringLiteral("Print Labels"));
    auto* layout = new QVBoxLayout(this);

    auto* select = new QGroupBox(QStringLiteral("Select Label"), this);
    auto* selectLayout = new QHBoxLayout(select);
    grid_ = new common::ui::DescriptionGrid(
        QStringLiteral("labelGrid"), QStringLiteral("Description"), {300, 220},
        QStringLiteral("Your label setups. Pick the one to print, change, delete or copy."), select);
    selectLayout->addWidget(grid_, 1);

    auto* right = new QVBoxLayout;
    auto* details = new QFormLayout;
    for (const char* caption : kDetailCaptions) {
        auto* value = new QLabel(select);
        value->setObjectName(QString::fromLatin1(caption));
        value->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        value->setMinimumWidth(caption == kDetailCaptions[0] ? 200 : 60);
        details->addRow(QString::fromLatin1(caption), value);
        details_.push_back(value);
    }
    right->addLayout(details);
    auto* actions = new QHBoxLayout;
    const auto makeButton = [&](const char* caption, QWidget* owner, const QString& whatsThis) {
        auto* b = new QPushButton(QString::fromLatin1(caption), owner);
        b->setObjectName(QString::fromLatin1(caption));
        b->setWhatsThis(whatsThis);
        buttons_.push_back(b);
        return b;
    };
    modify_ = makeButton("Modify", select, QStringLiteral("Change the design and stock of the chosen label setup."));
    new_ = makeButton("New", select, QStringLiteral("Design a new label setup."));
    delete_ = makeButton("Delete", select, QStringLiteral("Delete the chosen label setup and its design."));
    clone_ = makeButton("Clone", select, QStringLiteral("Make a copy of the chosen label setup and its design."));
    for (QPushButton* b : {modify_, new_, delete_, clone_}) actions->addWidget(b);
    right->addLayout(actions);
    right->addStretch(1);
    selectLayout->addLayout(right);
    layout->addWidget(select);
    buildJobPanels(layout);

    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    ok_ = makeButton("Ok", this, QStringLiteral("Close this window."));
    ok_->setDefault(true);
    print_ = makeButton("Print", this, QStringLiteral("Print labels with the chosen setup."));
    preview_ = makeButton("Preview", this, QStringLiteral("Show the labels on screen before printing."));
    bottom->addWidget(ok_);
    bottom->addWidget(print_);
    bottom->addWidget(preview_);
    bottom->addWidget(makeHelpButton());
    layout->addLayout(bottom);

    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    connect(delete_, &QPushButton::clicked, this, &TLabelSetupScreen::deleteButtonClick);
    connect(clone_, &QPushButton::clicked, this, &TLabelSetupScreen::cloneButtonClick);
    connect(new_, &QPushButton::clicked, this, &TLabelSetupScreen::newButtonClick);
    connect(modify_, &QPushButton::clicked, this, &TLabelSetupScreen::modifyButtonClick);
    connect(print_, &QPushButton::clicked, this, [this] { printLabels(false); });
    connect(preview_, &QPushButton::clicked, this, [this] { printLabels(true); });
    grid_->onRowChosen(this, [this](std::uint32_t recno) {
        list_.select(recno);
        showDetails();
    });

    fillGrid(list_.currentRecno());
    fillPrinters();
}

void TLabelSetupScreen::buildJobPanels(QVBoxLayout* layout) {
    auto* row = new QHBoxLayout;
    whatPanel_ = new QGroupBox(QStringLiteral("What to Print"), this);
    auto* what = new QVBoxLayout(whatPanel_);
    all_ = new QRadioButton(QStringLiteral("All records"), whatPanel_);
    matching_ = new QRadioButton(QStringLiteral("Records matching filter"), whatPanel_);
    currentOnly_ = new QRadioButton(QStringLiteral("Only current record"), whatPanel_);
    startFromCurrent_ = new QCheckBox(QStringLiteral("Start from current record"), whatPanel_);
    presort_ = new QCheckBox(QStringLiteral("Presort for Bulk Mail"), whatPanel_);
    presort_->setWhatsThis(QStringLiteral("Print the labels in bulk-mail order, grouped by ZIP code."));
    for (QWidget* w : std::initializer_list<QWidget*>{all_, matching_, currentOnly_, startFromCurrent_, presort_})
        what->addWidget(w);
    row->addWidget(whatPanel_, 1);

    auto* printerPanel = new QGroupBox(QStringLiteral("Printer"), this);
    auto* printerLayout = new QVBoxLayout(printerPanel);
    printers_ = new QComboBox(printerPanel);
    printers_->setObjectName(QStringLiteral("printerList"));
    printerLayout->addWidget(printers_);
    calibrate_ = new QPushButton(QStringLiteral("&Calibrate..."), printerPanel);
    calibrate_->setObjectName(QStringLiteral("calibrateButton"));
    calibrate_->setWhatsThis(QStringLiteral("Set how far this printer's output is moved, and print a test sheet "
                                            "to read it from."));
    printerLayout->addWidget(calibrate_, 0, Qt::AlignLeft);
    printerLayout->addStretch(1);
    row->addWidget(printerPanel, 1);
    layout->addLayout(row);

    const auto choose = [this](WhatToPrint w) {
        if (!options_) return;
        options_->setWhat(w);
        showOptions();
    };
    connect(all_, &QRadioButton::clicked, this, [choose] { choose(WhatToPrint::All); });
    connect(matching_, &QRadioButton::clicked, this, [choose] { choose(WhatToPrint::FilterMatches); });
    connect(currentOnly_, &QRadioButton::clicked, this, [choose] { choose(WhatToPrint::CurrentOnly); });
    connect(startFromCurrent_, &QCheckBox::clicked, this, [this](bool on) {
        if (options_) options_->setStartFromCurrent(on);
    });
    connect(presort_, &QCheckBox::clicked, this, [this](bool on) {
        if (options_) options_->setPresort(on);
    });
    connect(printers_, &QComboBox::activated, this, [this](int index) {
        if (index >= 0) printer().select(printers_->itemText(index));
        fillPrinters();
    });
    connect(calibrate_, &QPushButton::clicked, this, &TLabelSetupScreen::calibrateButtonClick);
    whatPanel_->setEnabled(false);
}

void TLabelSetupScreen::calibrateButtonClick() {
    // Without a setup the test sheet marks the sheet a new setup starts with.
    const LabelSetup setup = list_.hasRow() ? list_.current() : newLabelSetup();
    TPrinterCalibration dialog(printer(), setup, dialogs_, QString(), this);
    if (calibrationHook_) calibrationHook_(dialog);
    else dialog.execCentred(this);
    fillPrinters();
}

void TLabelSetupScreen::setAddressFile(address::AddressFile* file) {
    addressFile_ = file;
    if (file) options_.emplace(file->filterSet());
    else options_.reset();
    showOptions();
}

void TLabelSetupScreen::setPrinter(printer::CurrentPrinter* p) {
    printer_ = p;
    fillPrinters();
}

printer::CurrentPrinter& TLabelSetupScreen::printer() {
    return printer_ ? *printer_ : printer::CurrentPrinter::instance();
}

void TLabelSetupScreen::fillPrinters() {
    const QSignalBlocker block(printers_);
    printers_->clear();
    printers_->addItems(printer::availablePrinters());
    printers_->setCurrentIndex(std::max(0, printers_->findText(printer().name())));
}

QRadioButton* TLabelSetupScreen::whatButton(WhatToPrint what) const {
    switch (what) {
    case WhatToPrint::All: return all_;
    case WhatToPrint::FilterMatches: return matching_;
    case WhatToPrint::CurrentOnly: return currentOnly_;
    }
    return nullptr;
}

void TLabelSetupScreen::showOptions() {
    // The choices show only when there is a setup to print.
    whatPanel_->setVisible(list_.hasRow());
    whatPanel_->setEnabled(options_.has_value());
    if (!options_) return;
    whatButton(options_->what())->setChecked(true);
    matching_->setEnabled(options_->filterChoiceEnabled());
    startFromCurrent_->setChecked(options_->startFromCurrent());
    presort_->setEnabled(options_->presortEnabled());
    presort_->setChecked(options_->presort());
}

void TLabelSetupScreen::showEvent(QShowEvent* e) {
    if (!shown_) {
        shown_ = true;
        // An order file left by an earlier run belongs to other choices.
        QFile::remove(mailing::orderFilePath());
        fillPrinters();
    }
    HelpDialog::showEvent(e);
}

QPushButton* TLabelSetupScreen::button(const QString& caption) const {
    for (QPushButton* b : buttons_)
        if (b->objectName() == caption) return b;
    return nullptr;
}

QString TLabelSetupScreen::detailText(const QString& caption) const {
    for (QLabel* l : details_)
        if (l->objectName() == caption) return l->text();
    return {};
}

void TLabelSetupScreen::fillGrid(std::uint32_t select) {
    if (const auto current = grid_->fill(list_.rows(), select)) list_.select(*current);
    showDetails();
    setLabelButtons();
}

void TLabelSetupScreen::showDetails() {
    if (!list_.hasRow()) {
        for (QLabel* l : details_) l->clear();
        return;
    }
    const LabelSetup s = list_.current();
    const QString values[] = {calcSheetName(s),           formatInches(s.lblHeight), formatInches(s.lblWidth),
                              QString::number(s.nbrAcross), QString::number(s.nbrDown), s.paperSize,
                              formatInches(s.sheetWidth),   formatInches(s.sheetDepth)};
    for (int i = 0; i < details_.size(); ++i) details_[i]->setText(values[i]);
}

void TLabelSetupScreen::setLabelButtons() {
    const LabelButtons b = list_.buttons();
    delete_->setEnabled(b.remove);
    clone_->setEnabled(b.clone);
    grid_->setEnabled(b.grid);
    modify_->setEnabled(b.modify);
    new_->setEnabled(true);
    print_->setEnabled(b.modify);
    preview_->setEnabled(b.modify);
    if (whatPanel_) showOptions();
}

void TLabelSetupScreen::printLabels(bool preview) {
    if (!list_.hasRow() || !addressFile_ || !addressFile_->isOpen() || !options_) return;
    LabelPrintRequest request;
    LabelJob& job = request.job;
    job.setup = list_.current();
    job.preview = preview;
    {
        TSelectSpecificLabels picker(job.setup, options_->positions, options_->copies, options_->presort(), printer(),
                                     dialogs_, this);
        const bool ok = picker_ ? picker_(picker) : picker.execCentred(this) == QDialog::Accepted;
        fillPrinters();
        if (!ok) return;
        options_->positions = picker.positions();
        options_->copies = picker.copies();
    }
    const auto design = designer::resolveDesignFile(list_.sysdata(), job.setup.binary);
    if (!design) {
        dialogs_.showInfo(designMissingMessage());
        return;
    }
    job.positions = options_->positions;
    job.copies = options_->presort() ? 1 : options_->copies;
    job.presort = options_->presort();
    job.orderFile = mailing::orderFilePath();
    store::Table* table = addressFile_->table();
    // "Records matching filter" prints under the filter the table carries.
    request.records = options_->recordSpec(table ? table->filter() : std::string());
    bool presorted = options_->presorted();
    request.presorted = &presorted;
    if (requestHook_) requestHook_(request);
    try {
        DoPrint(this, *addressFile_, *design, std::move(request), printer(), dialogs_);
    } catch (const std::exception& e) {
        dialogs_.showError(QString::fromUtf8(e.what()));
    }
    options_->setPresorted(presorted);
}

void TLabelSetupScreen::run(const std::function<bool()>& action) {
    // A table error (a row locked by another program, a full disk) ends the
    // action with its message; the window stays usable.
    try {
        action();
    } catch (const std::exception& e) {
        dialogs_.showError(QString::fromUtf8(e.what()));
    }
    fillGrid(list_.currentRecno());
}

void TLabelSetupScreen::deleteButtonClick() {
    run([this] { return list_.deleteCurrent(); });
}

void TLabelSetupScreen::cloneButtonClick() {
    run([this] { return list_.cloneCurrent(); });
}

namespace {

designer::LabelStock stockOf(const LabelSetup& s) {
    designer::LabelStock stock;
    stock.widthInches = s.lblWidth;
    stock.heightInches = s.lblHeight;
    stock.shapeCode = s.lblShape;
    stock.templateDescription = s.tplDescrip;
    stock.manufacturer = s.manufac;
    stock.art = s.art;
    stock.setup = s;
    return stock;
}

// The setup the designer's stock came from (after undo, an earlier one).
LabelSetup setupOf(const designer::LabelStock& stock, const LabelSetup& fallback) {
    if (const auto* s = std::any_cast<LabelSetup>(&stock.setup)) return *s;
    return fallback;
}

}  // namespace

void TLabelSetupScreen::newButtonClick() { design(true); }

void TLabelSetupScreen::modifyButtonClick() {
    if (list_.hasRow()) design(false);
}

void TLabelSetupScreen::design(bool isNew) {
    LabelSetup setup = isNew ? newLabelSetup() : list_.current();
    std::optional<QString> loadPath;
    if (!list_.prepareDesignFile(setup, loadPath)) return;

    designer::ui::TLabelDesignScreen screen(stockOf(setup), setup.descript, dialogs_, common::settingsPath(), this);
    screen.surface().setClipFilePath(common::programDir() + QStringLiteral("Clipbrd.tmp"));
    std::unique_ptr<designer::AddressRecordSource> records;
    if (addressFile_) {
        records = std::make_unique<designer::AddressRecordSource>(*addressFile_);
        screen.setRecordSource(records.get());
    }
    if (loadPath) {
        const auto loaded = screen.surface().loadFromFile(*loadPath);
        if (!loaded.ok)
            dialogs_.showInfo(QStringLiteral("The label design \"%1\" could not be read completely: %2")
                                  .arg(*loadPath, loaded.error));
    }
    screen.setNewLabel(isNew);
    // The layout dialogs work on the setup; the designer gets the stock part.
    screen.setChooseLayout([this, &setup, &screen](QWidget* parent) -> std::optional<designer::LabelStock> {
        LabelSetup working = setupOf(screen.editor().stock(), setup);
        if (!chooseLabelLayout(working, dialogs_, parent)) return std::nullopt;
        setup = working;
        return stockOf(setup);
    });
    bool stored = false;
    screen.setSaveAction([&](designer::ui::TLabelDesignScreen& s) {
        LabelSetup out = setupOf(s.editor().stock(), setup);
        out.descript = s.keptDescription();
        bool ok = false;
        run([&] {
            ok = list_.commitSetup(out, isNew, [&s](const QString& path) { return s.surface().saveToFile(path); });
            return ok;
        });
        stored = ok;
        return ok;
    });
    screen.exec();
    if (stored) fillGrid(list_.currentRecno());
}

}  // namespace brindle::labels::ui
