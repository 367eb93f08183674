#include "envelopes/ui/TEnvelopeDesignScreen.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollArea>
#include <QToolButton>
#include <QVBoxLayout>

#include "common/ProfileFile.h"
#include "common/UserDialogs.h"
#include "designer/AddressRecordSource.h"
#include "designer/DesignHistory.h"
#include "designer/DesignerDefaults.h"
#include "designer/ui/DesignScreenFrame.h"
#include "designer/ui/QuickTipsDialog.h"
#include "envelopes/EnvelopeSetup.h"
#include "help/HelpTopics.h"

namespace brindle::envelopes::ui {

using designobjects::DesignSurface;

namespace {

const QString kClassName = QStringLiteral("TEnvelopeDesignScreen");

QToolButton* makeToggle(QWidget* parent, const QString& text, const QString& hint) {
    auto* b = new QToolButton(parent);
    b->setText(text);
    b->setToolTip(hint);
    b->setObjectName(hint);
    b->setCheckable(true);
    b->setFocusPolicy(Qt::NoFocus);
    return b;
}

}  // namespace

TEnvelopePanel::TEnvelopePanel(QWidget* parent) : TKDataPanel(DesignSurface::EnvelopeSurface, parent) {}

void TEnvelopePanel::showTool(EnvelopeTool tool) {
    if (tool == EnvelopeTool::Pointing) unsetCursor();
    else setCursor(Qt::DragCopyCursor);
}

TEnvelopeDesignScreen::TEnvelopeDesignScreen(int code, const QString& description, common::UserDialogs& dialogs,
                                             QString settingsPath, QWidget* parent)
    : HelpDialog(help::topic::EnvelopeDesigner, parent), dialogs_(dialogs), settingsPath_(std::move(settingsPath)) {
    setWindowTitle(QStringLiteral("Envelope Design Screen"));
    setObjectName(kClassName);
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    auto* layout = new QVBoxLayout(this);

    const designer::ui::DesignerHeader header = designer::ui::addDesignerHeader(
        this, layout, kDescriptionEditLength, QStringLiteral("The name of this envelope setup in the Print Envelope list."));
    fontAction_ = header.defaultFont;
    layoutAction_ = header.layout;
    description_ = header.description;

    auto* toolRow = new QHBoxLayout;
    auto* group = new QButtonGroup(this);
    group->setExclusive(true);
    for (const EnvelopeToolRow& t : envelopeTools()) {
        QToolButton* b = makeToggle(this, QString::fromUtf8(t.caption), QString::fromLatin1(t.hint));
        group->addButton(b, int(t.tool));
        tools_[t.tool] = b;
        toolRow->addWidget(b);
    }
    toolRow->addSpacing(8);
    grid_ = makeToggle(this, QStringLiteral("Grid"), QStringLiteral("Show grid"));
    snap_ = makeToggle(this, QStringLiteral("Snap"), QStringLiteral("Snap to Grid"));
    names_ = makeToggle(this, QStringLiteral("Names"), QStringLiteral("Toggle display of field names or field values"));
    margins_ = makeToggle(this, QStringLiteral("Margins"), QStringLiteral("Show printer margins"));
    usps_ = makeToggle(this, QStringLiteral("USPS"), QStringLiteral("Show USPS Automation Template"));
    for (QToolButton* b : {grid_, snap_, names_, margins_, usps_}) toolRow->addWidget(b);
    toolRow->addSpacing(8);
    frame_ = new designer::ui::DesignScreenFrame(this, QStringLiteral("envelopeArea"), QSize(640, 300),
                  designer::ui::DesignScreenFrame::editorHooks(
                      editor_, [this] { return surface().size(); }, [this](int which) { moveRecord(which); }));
    toolRow->addWidget(frame_->zoomLabel());
    toolRow->addWidget(frame_->zoomDownButton());
    toolRow->addWidget(frame_->zoomUpButton());
    toolRow->addStretch(1);
    layout->addLayout(toolRow);

    panel_ = new TEnvelopePanel(frame_->sheet());
    frame_->setPanel(panel_);
    layout->addWidget(frame_->scrollArea(), 1);

    auto* buttons = new QHBoxLayout;
    cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    save_ = new QPushButton(QStringLiteral("Save"), this);
    save_->setDefault(true);
    save_->setVisible(false);
    buttons->addWidget(cancel_);
    buttons->addWidget(save_);
    buttons->addWidget(makeHelpButton());
    buttons->addSpacing(12);
    frame_->addRecordButtons(buttons);
    buttons->addStretch(1);
    layout->addLayout(buttons);

    DesignSurface& s = panel_->surface();
    designer::ui::prepareSurface(s, dialogs_, this);
    editor_ = new EnvelopeDesignEditor(s, dialogs_, code, this);
    designer::ui::startEditor(editor_, description_, save_, description, settingsPath_);

    connect(editor_, &EnvelopeDesignEditor::layoutChanged, this, &TEnvelopeDesignScreen::showCaptions);
    connect(editor_, &EnvelopeDesignEditor::toolChanged, this, [this](EnvelopeTool t) {
        tools_.at(t)->setChecked(true);
        panel_->showTool(t);
    });
    connect(group, &QButtonGroup::idClicked, this, [this](int id) { editor_->chooseTool(EnvelopeTool(id)); });
    connect(save_, &QPushButton::clicked, this, &TEnvelopeDesignScreen::saveButtonClick);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    connect(&s, &DesignSurface::sizeChanged, frame_, &designer::ui::DesignScreenFrame::fit);
    designer::ui::connectViewToggles(grid_, snap_, names_, surface(), panel_);
    connect(margins_, &QToolButton::toggled, this, [this](bool on) { editor_->setMarginsShown(on); });
    connect(usps_, &QToolButton::toggled, this, [this](bool on) { editor_->setTemplateShown(on); });
    tools_.at(EnvelopeTool::Pointing)->setChecked(true);
    showCaptions();
    frame_->showZoom();
    panel_->setFocus();
}

TEnvelopeDesignScreen::~TEnvelopeDesignScreen() = default;

QToolButton* TEnvelopeDesignScreen::zoomDownButton() const { return frame_->zoomDownButton(); }

QToolButton* TEnvelopeDesignScreen::zoomUpButton() const { return frame_->zoomUpButton(); }

QLabel* TEnvelopeDesignScreen::zoomLabel() const { return frame_->zoomLabel(); }

QPushButton* TEnvelopeDesignScreen::recordButton(int i) const { return frame_->recordButton(i); }

void TEnvelopeDesignScreen::setRecordSource(designer::AddressRecordSource* records) {
    records_ = records;
    surface().setRecordSource(records);
    frame_->enableRecordButtons(records && records->isOpen());
    surface().refreshData();
}

void TEnvelopeDesignScreen::openDesign() {
    if (editor_->opened()) return;
    surface().refreshData();
    editor_->open();
    connect(editor_->history(), &designer::DesignHistory::restored, this, [this] {
        showCaptions();
        panel_->update();
    });
    showCaptions();
}

void TEnvelopeDesignScreen::setVisible(bool visible) {
    if (visible && !shown_) {
        shown_ = true;
        openDesign();
        if (!testAttribute(Qt::WA_Resized)) adjustSize();
        designer::ui::restoreDesignerPlacement(this, kClassName, settingsPath_, dialogs_);
    }
    HelpDialog::setVisible(visible);
}

void TEnvelopeDesignScreen::done(int r) {
    if (shown_) designer::ui::saveDesignerPlacement(this, kClassName, settingsPath_, dialogs_);
    HelpDialog::done(r);
}

void TEnvelopeDesignScreen::closeEvent(QCloseEvent* e) {
    // The close box with unsaved changes asks first; Cancel still discards.
    if (!designer::ui::saveInsteadOfClosing(this, e, QStringLiteral("envelope"), dialogs_)) HelpDialog::closeEvent(e);
}

void TEnvelopeDesignScreen::saveButtonClick() { designer::ui::saveAndClose(this, description_, saveAction_); }

void TEnvelopeDesignScreen::layoutClick() {
    if (chooseSize_)
        if (const std::optional<int> chosen = chooseSize_(editor_->code(), this)) editor_->changeLayout(*chosen);
    showCaptions();
}

void TEnvelopeDesignScreen::defaultFontClick() {
    const std::optional<designobjects::DesignFont> f = designer::ui::askDefaultFont(this, surface().font(), dialogs_);
    if (!f) return;
    common::ProfileFile settings(settingsPath_);
    editor_->setDefaultFont(*f, settings);
    showCaptions();
}

void TEnvelopeDesignScreen::quickTipsClick() {
    designer::ui::showQuickTips(this, designer::designerQuickTips(QStringLiteral("envelope")));
}

void TEnvelopeDesignScreen::showCaptions() {
    fontAction_->setText(editor_->defaultFontCaption());
    layoutAction_->setText(editor_->layoutCaption());
    frame_->fit();
}

void TEnvelopeDesignScreen::moveRecord(int which) {
    if (!records_) return;
    records_->move(which);
    surface().refreshData();
}

void TEnvelopeDesignScreen::keyPressEvent(QKeyEvent* e) {
    // Enter does not save while there is nothing to save; Escape still cancels.
    if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && !save_->isVisible()) return;
    HelpDialog::keyPressEvent(e);
}

}  // namespace brindle::envelopes::ui
