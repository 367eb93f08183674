#include "envelopes/ui/TBREnvelopes.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include "common/ui/DescriptionGrid.h"
#include <QVBoxLayout>
#include <exception>

#include "address/AddressFile.h"
#include "common/Common.h"
#include "common/ProfileFile.h"
#include "common/UserDialogs.h"
#include "designer/AddressRecordSource.h"
#include "designobjects/DesignSurface.h"
#include "envelopes/EnvelopeDesignRules.h"
#include "envelopes/ui/EnvelopeDialogs.h"
#include "envelopes/ui/EnvelopePrinter.h"
#include "envelopes/ui/TEnvelopeDesignScreen.h"
#include "envelopes/ui/TEnvelopeForm.h"
#include "help/HelpTopics.h"
#include "printer/CurrentPrinter.h"
#include "printing/PageRecorder.h"
#include "printing/ui/TPreviewForm.h"
#include "store/Table.h"

namespace brindle::envelopes::ui {

namespace {

constexpr float kMiniatureZoom = 0.3f;
const char* const kRecordCaptions[] = {"First", "Last", "Org", "City"};
const char* const kRecordFields[] = {"FNAME", "LNAME", "ORG", "CITY"};

}  // namespace

TBREnvelopes::TBREnvelopes(store::Table& table, const QString& sysdata, const QString& settingsPath,
                           common::UserDialogs& dialogs, QWidget* parent)
    : HelpDialog(help::topic::PrintEnvelope, parent),
      list_(table, sysdata, dialogs),
      settingsPath_(settingsPath),
      dialogs_(dialogs),
      display_(std::make_unique<designobjects::DesignSurface>(designobjects::DesignSurface::EnvelopeSurface)),
      printer_(std::make_unique<EnvelopePrinter>(printer::CurrentPrinter::instance())) {
    setWindowTitle(QStringLiteral("Print Envelope"));
    display_->setClipFilePath(QString());
    display_->setRegisteredClasses(designobjects::DesignSurface::classesFor(designobjects::DesignSurface::EnvelopeSurface));

    const auto makeButton = [&](const QString& caption, QWidget* owner, const QString& whatsThis) {
        auto* b = new QPushButton(caption, owner);
        b->setObjectName(QString(caption).remove(QLatin1Char('&')));
        b->setWhatsThis(whatsThis);
        buttons_.push_back(b);
        return b;
    };

    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    auto* select = new QGroupBox(QStringLiteral("&Select Envelope Setup"), this);
    auto* selectLayout = new QVBoxLayout(select);
    grid_ = new common::ui::DescriptionGrid(
        QStringLiteral("envelopeGrid"), QStringLiteral("Description"), {260, 160},
        QStringLiteral("Your envelope setups. Pick the one to print, delete or copy."), select);
    selectLayout->addWidget(grid_);
    auto* setupButtons = new QHBoxLayout;
    QPushButton* modify = makeButton(QStringLiteral("Modify"), select, QStringLiteral("Change the chosen envelope's design."));
    QPushButton* newButton = makeButton(QStringLiteral("New"), select, QStringLiteral("Design a new envelope."));
    QPushButton* remove = makeButton(QStringLiteral("Delete"), select, QStringLiteral("Delete the chosen envelope setup and its design."));
    QPushButton* clone = makeButton(QStringLiteral("Clone"), select, QStringLiteral("Copy the chosen envelope setup and its design."));
    for (QPushButton* b : {modify, newButton, remove, clone}) setupButtons->addWidget(b);
    selectLayout->addLayout(setupButtons);
    top->addWidget(select, 1);

    auto* right = new QVBoxLayout;
    miniature_ = new QLabel(this);
    miniature_->setObjectName(QStringLiteral("miniature"));
    miniature_->setAlignment(Qt::AlignCenter);
    miniature_->setMinimumSize(300, 140);
    miniature_->setWhatsThis(QStringLiteral("The chosen envelope with the current record's values, at 30 %."));
    right->addWidget(miniature_, 1);
    auto* record = new QGroupBox(QStringLiteral("Current Record"), this);
    auto* recordLayout = new QVBoxLayout(record);
    auto* form = new QFormLayout;
    for (const char* caption : kRecordCaptions) {
        auto* value = new QLabel(record);
        value->setObjectName(QString::fromLatin1(caption));
        value->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        value->setMinimumWidth(200);
        form->addRow(QString::fromLatin1(caption), value);
        recordValues_.push_back(value);
    }
    recordLayout->addLayout(form);
    auto* navigator = new QHBoxLayout;
    const struct {
        const char* name;
        QStyle::StandardPixmap icon;
        bool (address::AddressFile::*move)();
    } moves[] = {{"firstRecord", QStyle::SP_MediaSkipBackward, &address::AddressFile::first},
                 {"priorRecord", QStyle::SP_MediaSeekBackward, &address::AddressFile::prior},
                 {"nextRecord", QStyle::SP_MediaSeekForward, &address::AddressFile::next},
                 {"lastRecord", QStyle::SP_MediaSkipForward, &address::AddressFile::last}};
    for (const auto& m : moves) {
        auto* b = new QPushButton(style()->standardIcon(m.icon), QString(), record);
        b->setObjectName(QString::fromLatin1(m.name));
        buttons_.push_back(b);
        navigator->addWidget(b);
        const auto move = m.move;
        connect(b, &QPushButton::clicked, this, [this, move] {
            if (!file_ || !file_->isOpen()) return;
            (file_->*move)();
            showRecord();
            showDisplayEnvelope();
        });
    }
    recordLayout->addLayout(navigator);
    right->addWidget(record);
    top->addLayout(right);
    layout->addLayout(top);

    auto* what = new QGroupBox(QStringLiteral("What to Print"), this);
    auto* whatLayout = new QHBoxLayout(what);
    for (const char* caption : {"All records", "Records matching filter", "Only current record"}) {
        auto* r = new QRadioButton(QString::fromLatin1(caption), what);
        r->setObjectName(QString::fromLatin1(caption));
        whatLayout->addWidget(r);
        what_.push_back(r);
    }
    what_[2]->setChecked(true);
    startFromCurrent_ = new QCheckBox(QStringLiteral("Start from current record"), what);
    startFromCurrent_->setObjectName(QStringLiteral("Start from current record"));
    whatLayout->addWidget(startFromCurrent_);
    layout->addWidget(what);

    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    QPushButton* ok = makeButton(QStringLiteral("Ok"), this, QStringLiteral("Close this window."));
    QPushButton* print = makeButton(QStringLiteral("&Print"), this, QStringLiteral("Print envelopes for the chosen records."));
    QPushButton* preview = makeButton(QStringLiteral("Pre&view"), this, QStringLiteral("Show the envelopes on screen first."));
    QPushButton* setup = makeButton(QStringLiteral("Printer Setup"), this, QStringLiteral("Choose the envelope printer and its paper."));
    print->setDefault(true);
    for (QPushButton* b : {ok, print, preview, setup}) bottom->addWidget(b);
    bottom->addWidget(makeHelpButton());
    layout->addLayout(bottom);

    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(print, &QPushButton::clicked, this, [this] { doPrint(false); });
    connect(preview, &QPushButton::clicked, this, [this] { doPrint(true); });
    connect(setup, &QPushButton::clicked, this, &TBREnvelopes::printerSetupClick);
    connect(remove, &QPushButton::clicked, this, &TBREnvelopes::deleteButtonClick);
    connect(clone, &QPushButton::clicked, this, &TBREnvelopes::cloneButtonClick);
    connect(newButton, &QPushButton::clicked, this, &TBREnvelopes::newButtonClick);
    connect(modify, &QPushButton::clicked, this, &TBREnvelopes::modifyButtonClick);
    chooseSize = [this](int code) { return chooseEnvelopeSize(code, this); };
    runDesigner = [](TEnvelopeDesignScreen& designer) { designer.exec(); };
    grid_->onRowChosen(this, [this](std::uint32_t recno) {
        list_.select(recno);
        showDisplayEnvelope();
    });

    prePrint = [this](EnvelopeFeed& feed, int code) {
        TEnvelopePrePrint dialog(
            printer_->facts(), feed, code,
            [this] {
                printer_->setupDialog(this);
                return printer_->facts();
            },
            [this](const EnvelopeFeed& f) {
                printer_->setLandscape(f.orientation == FeedOrientation::Landscape);
                return printer_->facts();
            },
            this);
        if (dialog.execCentred(this) != QDialog::Accepted) return false;
        feed = dialog.feed();
        return true;
    };
    openPrintCanvas = [this] { return printer_->openCanvas(dialogs_); };
    showPreview = [this](printing::RecordedDocument document) {
        common::ProfileFile settings(settingsPath_);
        printing::showPreview(std::move(document), QStringLiteral("Preview Envelope"), printing::TPreviewForm::kWholePage,
                              &settings, parentWidget());
    };

    fillGrid(list_.currentRecno());
}

TBREnvelopes::~TBREnvelopes() {
    // The surface's objects may read the record source while they go.
    display_.reset();
}

void TBREnvelopes::setAddressFile(address::AddressFile* file) {
    file_ = file;
    records_ = file ? std::make_unique<designer::AddressRecordSource>(*file) : nullptr;
    display_->setRecordSource(records_.get());
    showRecord();
}

void TBREnvelopes::setPrinter(printer::CurrentPrinter& printer) {
    printer_ = std::make_unique<EnvelopePrinter>(printer);
    if (activated_) loadPreferences();
}

QPushButton* TBREnvelopes::button(const QString& name) const {
    for (QPushButton* b : buttons_)
        if (b->objectName() == name) return b;
    return nullptr;
}

QRadioButton* TBREnvelopes::whatToPrint(WhatToPrint what) const { return what_[static_cast<int>(what)]; }

QString TBREnvelopes::recordText(const QString& caption) const {
    for (QLabel* l : recordValues_)
        if (l->objectName() == caption) return l->text();
    return {};
}

void TBREnvelopes::showEvent(QShowEvent* event) {
    HelpDialog::showEvent(event);
    if (activated_) return;
    activated_ = true;
    setEnvelopeButtons();
    loadPreferences();
    showDisplayEnvelope();
}

void TBREnvelopes::fillGrid(std::uint32_t select) {
    if (const auto current = grid_->fill(list_.rows(), select)) list_.select(*current);
    setEnvelopeButtons();
    showDisplayEnvelope();
}

void TBREnvelopes::setEnvelopeButtons() {
    const EnvelopeButtons b = list_.buttons();
    button(QStringLiteral("Clone"))->setEnabled(b.clone);
    button(QStringLiteral("Print"))->setEnabled(b.print);
    button(QStringLiteral("Preview"))->setEnabled(b.preview);
    button(QStringLiteral("Delete"))->setEnabled(b.remove);
    grid_->setEnabled(b.grid);
    button(QStringLiteral("Modify"))->setEnabled(b.modify);
    button(QStringLiteral("New"))->setEnabled(true);
}

void TBREnvelopes::showRecord() {
    for (int i = 0; i < recordValues_.size(); ++i)
        recordValues_[i]->setText(file_ && file_->isOpen() && file_->hasRecord() ? file_->field(kRecordFields[i])
                                                                                 : QString());
}

bool TBREnvelopes::loadDesign(designobjects::DesignSurface& surface, const QString& path, bool quiet) {
    const auto loaded = surface.loadFromFile(path);
    if (loaded.ok) return true;
    if (!quiet)
        dialogs_.showInfo(QStringLiteral("The envelope design \"%1\" could not be read: %2\r\nNothing was printed.")
                              .arg(path, loaded.error));
    return false;
}

void TBREnvelopes::showDisplayEnvelope() {
    if (!activated_) return;
    const EnvelopeSetup setup = list_.current();
    display_->clearObjects();
    display_->setZoom(1.0f);
    QSize size = envelopeSurfaceSize(setup.number);
    if (size.isEmpty()) size = envelopeSurfaceSize(kEnvelope10);
    display_->setSize(size.width(), size.height());
    if (list_.hasRow())
        if (const auto path = resolveEnvelopeDesign(list_.sysdata(), setup.binary)) loadDesign(*display_, *path, true);
    display_->setZoom(kMiniatureZoom);
    display_->refreshData();
    QImage picture = display_->render();
    miniature_->setPixmap(QPixmap::fromImage(picture));
}

void TBREnvelopes::loadPreferences() {
    const common::ProfileFile settings(settingsPath_);
    feed_ = readEnvelopeFeed(settings);
    printer_->load(readEnvelopePrinterPrefs(settings));
}

void TBREnvelopes::savePreferences() {
    common::runGuarded(dialogs_, [this] {
        common::ProfileFile settings(settingsPath_);
        writeEnvelopeFeed(settings, feed_);
        writeEnvelopePrinterPrefs(settings, printer_->prefs());
    });
}

void TBREnvelopes::printerSetupClick() {
    if (printer_->setupDialog(this)) savePreferences();
}

void TBREnvelopes::newButtonClick() {
    const std::optional<int> code = chooseSize(list_.current().number);
    if (!code) return;
    EnvelopeSetup setup;
    setup.number = *code;
    setup.descript = newEnvelopeDescription();
    modify(setup, true);
}

void TBREnvelopes::modifyButtonClick() {
    if (!list_.hasRow()) return;
    EnvelopeSetup setup = list_.current();
    // An unknown size is edited as Envelope #10; the row keeps its code until saved.
    useKnownSize(setup, dialogs_);
    modify(setup, false);
}

void TBREnvelopes::modify(EnvelopeSetup setup, bool isNew) {
    std::optional<QString> load;
    if (!list_.prepareDesignFile(setup, load)) return;
    TEnvelopeDesignScreen designer(setup.number, setup.descript, dialogs_, settingsPath_, this);
    designer.setRecordSource(records_.get());
    {
        // The printer's page in inches as the envelope is fed (portrait paper
        // turned when the printer prints landscape).
        const QSizeF paper = printer_->portraitPaper();
        const QRectF printable = printer_->printableInches();
        PrinterPage page;
        page.width = printer_->landscape() ? paper.height() : paper.width();
        page.height = printer_->landscape() ? paper.width() : paper.height();
        page.left = printable.left();
        page.top = printable.top();
        page.right = std::max(0.0, page.width - printable.right());
        page.bottom = std::max(0.0, page.height - printable.bottom());
        designer.setPrinterPage(page);
    }
    designer.setChooseSize([this](int code, QWidget*) { return chooseSize(code); });
    if (load) {
        const auto loaded = designer.surface().loadFromFile(*load);
        if (!loaded.ok) {
            // Opening it empty would let Save overwrite the file.
            dialogs_.showInfo(QStringLiteral("The envelope design \"%1\" could not be read: %2").arg(*load, loaded.error));
            return;
        }
    }
    designer.setSaveAction([this, setup, isNew](TEnvelopeDesignScreen& screen) {
        EnvelopeSetup out = setup;
        out.descript = screen.keptDescription();
        out.number = screen.code();
        bool stored = false;
        common::runGuarded(dialogs_, [&] {
            stored = list_.commitSetup(out, isNew, [&screen](const QString& path) { return screen.panel().saveToFile(path); });
        });
        return stored;
    });
    runDesigner(designer);
    // The designer's record buttons move the address file's record.
    showRecord();
    fillGrid(list_.currentRecno());
}

void TBREnvelopes::deleteButtonClick() {
    common::runGuarded(dialogs_, [this] { list_.deleteCurrent(); });
    fillGrid(list_.currentRecno());
}

void TBREnvelopes::cloneButtonClick() {
    common::runGuarded(dialogs_, [this] { list_.cloneCurrent(); });
    fillGrid(list_.currentRecno());
}

void TBREnvelopes::doPrint(bool preview) {
    if (!list_.hasRow()) return;
    EnvelopeSetup setup = list_.current();
    useKnownSize(setup, dialogs_);
    loadPreferences();
    const auto path = resolveEnvelopeDesign(list_.sysdata(), setup.binary);
    if (!path) {
        dialogs_.showInfo(designRemovedMessage());
        return;
    }
    designobjects::DesignSurface surface(designobjects::DesignSurface::EnvelopeSurface);
    surface.setClipFilePath(QString());
    surface.setRegisteredClasses(designobjects::DesignSurface::classesFor(designobjects::DesignSurface::EnvelopeSurface));
    surface.setRecordSource(records_.get());
    const QSize size = envelopeSurfaceSize(setup.number);
    surface.setSize(size.width(), size.height());
    if (!loadDesign(surface, *path, false)) return;

    printer_->useEnvelopePaper(setup.number);
    printer_->setLandscape(feed_.orientation == FeedOrientation::Landscape);
    EnvelopeFeed feed = feed_;
    if (!prePrint || !prePrint(feed, setup.number)) return;
    feed_ = feed;
    printer_->setLandscape(feed_.orientation == FeedOrientation::Landscape);
    savePreferences();
    if (!file_ || !file_->isOpen() || !file_->table()) return;

    WhatToPrint what = WhatToPrint::OnlyCurrent;
    if (what_[0]->isChecked()) what = WhatToPrint::AllRecords;
    else if (what_[1]->isChecked()) what = WhatToPrint::MatchingFilter;

    std::unique_ptr<printing::PageCanvas> canvas;
    printing::PageRecorder* recorder = nullptr;
    if (preview) {
        auto r = std::make_unique<printing::PageRecorder>(printer_->dpi());
        recorder = r.get();
        canvas = std::move(r);
        canvas->setPaperSize(printer_->portraitPaper());
        canvas->setOrientation(printer_->landscape() ? printing::Orientation::Landscape
                                                     : printing::Orientation::Portrait);
    } else {
        canvas = openPrintCanvas ? openPrintCanvas() : nullptr;
        if (!canvas) return;
    }

    file_->suspendUpdates();
    common::runGuarded(dialogs_, [&] {
        EnvelopeRecords records(*file_->table(), what, startFromCurrent_->isChecked(), dialogs_);
        EnvelopeJobSettings settings;
        settings.envelopeWidth = setup.width();
        settings.envelopeHeight = setup.height();
        settings.feed = feed_;
        settings.preview = preview;
        settings.printableArea = printer_->printableInches();
        TEnvelopeForm form(
            [&](EnvelopeJobControl& control) {
                return runEnvelopeJob(surface, records, *canvas, settings, control, dialogs_);
            },
            preview, this);
        form.exec();
        lastJob_ = form.result();
        if (!preview) {
            if (!lastJob_.cancelled && !canvas->end() && !canvas->aborted())
                dialogs_.showInfo(QStringLiteral("The envelopes could not be printed: %1").arg(canvas->errorString()));
        }
    });
    file_->resumeUpdates();
    showRecord();
    if (preview && recorder && !lastJob_.cancelled && lastJob_.envelopes > 0) {
        recorder->end();
        if (showPreview) showPreview(recorder->takeDocument());
    }
}

}  // namespace brindle::envelopes::ui
