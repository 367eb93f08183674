#include "designer/ui/TLabelDesignScreen.h"

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
#include <QSignalBlocker>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWhatsThis>

#include "common/ProfileFile.h"
#include "common/UserDialogs.h"
#include "designer/AddressRecordSource.h"
#include "designer/DesignHistory.h"
#include "designer/DesignerDefaults.h"
#include "designer/ui/DesignScreenFrame.h"
#include "designer/ui/QuickTipsDialog.h"
#include "designobjects/ui/TKBasePanel.h"
#include "help/HelpTopics.h"

namespace brindle::designer::ui {

using designobjects::DesignSurface;

namespace {

const QString kClassName = QStringLiteral("TLabelDesignScreen");

struct ToolRow {
    DesignSurface::PanelState state;
    const char* caption;  // short text on the button
    const char* hint;
};

const ToolRow kTools[] = {
    {DesignSurface::psPointing, "Select", "Selection tool"},
    {DesignSurface::psLabel, "Text", "Text tool"},
    {DesignSurface::psMultiLineLabel, "Lines", "Multi-line text tool"},
    {DesignSurface::psCounterLabel, "123", "Counter tool"},
    {DesignSurface::psSymbolLabel, "\u2663", "Symbol tool"},
    {DesignSurface::psRectangle, "\u25ad", "Rectangle tool"},
    {DesignSurface::psEllipse, "\u25ef", "Ellipse tool"},
    {DesignSurface::psRoundRectangle, "\u25a2", "Round Rectangle tool"},
    {DesignSurface::psLine, "\u2571", "Line Tool"},
    {DesignSurface::psImage, "Art", "Clip Art Tool"},
    {DesignSurface::psPostNetBarCode, "\u2759\u2758\u2759", "Postnet Barcode tool"},
    {DesignSurface::psIMBarCode, "IMb", "Intelligent Mail Barcode tool"},
    {DesignSurface::psDataLabel, "Field", "Database Field tool"},
    {DesignSurface::psMultiLineDataLabel, "Memo", "Database Memo Field tool"},
    {DesignSurface::psAddressLabel, "Address", "Database Mailing Address tool"},
};

QToolButton* makeToggle(QWidget* parent, const QString& text, const QString& hint) {
    auto* b = new QToolButton(parent);
    b->setText(text);
    b->setToolTip(hint);
    b->setObjectName(hint);
    b->setCheckable(true);
    b->setAutoRaise(false);
    return b;
}

}  // namespace

TLabelDesignScreen::TLabelDesignScreen(const LabelStock& stock, const QString& description,
                                       common::UserDialogs& dialogs, QString settingsPath, QWidget* parent)
    : HelpDialog(help::topic::LabelDesigner, parent), dialogs_(dialogs), settingsPath_(std::move(settingsPath)) {
    setWindowTitle(QStringLiteral("Label Design Screen"));
    setObjectName(kClassName);
    auto* layout = new QVBoxLayout(this);

    const DesignerHeader header = addDesignerHeader(
        this, layout, kDescriptionEditLength, QStringLiteral("The name of this label setup in the Print Labels list."));
    fontAction_ = header.defaultFont;
    layoutAction_ = header.layout;
    description_ = header.description;

    // ---- tool bar
    auto* toolRow = new QHBoxLayout;
    tools_ = new QButtonGroup(this);
    tools_->setExclusive(true);
    for (const ToolRow& t : kTools) {
        QToolButton* b = makeToggle(this, QString::fromUtf8(t.caption), QString::fromLatin1(t.hint));
        tools_->addButton(b, int(t.state));
        toolRow->addWidget(b);
    }
    toolRow->addSpacing(8);
    frame_ = new DesignScreenFrame(this, QStringLiteral("labelArea"), QSize(420, 200),
                  DesignScreenFrame::editorHooks(
                      editor_, [this] { return surface().size(); }, [this](int which) { moveRecord(which); }));
    toolRow->addWidget(frame_->zoomDownButton());
    toolRow->addWidget(frame_->zoomUpButton());
    toolRow->addWidget(frame_->zoomLabel());
    grid_ = makeToggle(this, QStringLiteral("Grid"), QStringLiteral("Show grid"));
    snap_ = makeToggle(this, QStringLiteral("Snap"), QStringLiteral("Snap to Grid"));
    art_ = makeToggle(this, QStringLiteral("Art"), QStringLiteral("Show art"));
    names_ = makeToggle(this, QStringLiteral("Names"), QStringLiteral("Toggle display of field names or field values"));
    for (QToolButton* b : {grid_, snap_, art_, names_}) toolRow->addWidget(b);
    toolRow->addStretch(1);
    for (QAbstractButton* b : tools_->buttons()) b->setFocusPolicy(Qt::NoFocus);
    for (QToolButton* b : {grid_, snap_, art_, names_}) b->setFocusPolicy(Qt::NoFocus);
    layout->addLayout(toolRow);

    // ---- the label on white
    panel_ = new designobjects::TKLabelPanel(frame_->sheet());
    frame_->setPanel(panel_);
    layout->addWidget(frame_->scrollArea(), 1);

    // ---- buttons
    auto* buttons = new QHBoxLayout;
    save_ = new QPushButton(QStringLiteral("Save"), this);
    save_->setDefault(true);
    save_->setVisible(false);
    cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    buttons->addWidget(save_);
    buttons->addWidget(cancel_);
    buttons->addSpacing(12);
    frame_->addRecordButtons(buttons);
    buttons->addStretch(1);
    buttons->addWidget(makeHelpButton());
    auto* context = new QToolButton(this);
    context->setText(QStringLiteral("?"));
    context->setToolTip(QStringLiteral("Click here, then on a control, to learn what it does"));
    connect(context, &QToolButton::clicked, this, [] { QWhatsThis::enterWhatsThisMode(); });
    buttons->addWidget(context);
    layout->addLayout(buttons);

    // ---- the logic behind it
    DesignSurface& s = panel_->surface();
    prepareSurface(s, dialogs_, this);
    editor_ = new LabelDesignEditor(s, dialogs_, stock, this);
    startEditor(editor_, description_, save_, description, settingsPath_);

    connect(editor_, &LabelDesignEditor::stockChanged, this, &TLabelDesignScreen::showCaptions);
    connect(save_, &QPushButton::clicked, this, &TLabelDesignScreen::saveButtonClick);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    connect(tools_, &QButtonGroup::idClicked, this, [this](int id) {
        const auto chosen = editor_->chooseTool(DesignSurface::PanelState(id));
        if (chosen != DesignSurface::PanelState(id)) toolButton(chosen)->setChecked(true);
    });
    connect(&s, &DesignSurface::panelStateChanged, this, [this](int state) {
        if (QAbstractButton* b = tools_->button(state)) b->setChecked(true);
    });
    // After each new object the selection tool returns.
    connect(&s, &DesignSurface::droppedObject, this, [this] { editor_->chooseTool(DesignSurface::psPointing); });
    connect(&s, &DesignSurface::sizeChanged, frame_, &DesignScreenFrame::fit);
    connectViewToggles(grid_, snap_, names_, surface(), panel_);
    connect(art_, &QToolButton::toggled, this, [this](bool on) {
        editor_->setArtShown(on);
        panel_->update();
    });
    connect(editor_, &LabelDesignEditor::artChanged, this, &TLabelDesignScreen::showArtButton);
    showArtButton();
    art_->setWhatsThis(QStringLiteral("Shows the label stock's printed artwork behind your design, where the stock has any."));
    tools_->button(DesignSurface::psPointing)->setChecked(true);
    showCaptions();
    frame_->showZoom();
    panel_->setFocus();
}

TLabelDesignScreen::~TLabelDesignScreen() = default;

DesignSurface& TLabelDesignScreen::surface() { return panel_->surface(); }

QToolButton* TLabelDesignScreen::zoomDownButton() const { return frame_->zoomDownButton(); }

QToolButton* TLabelDesignScreen::zoomUpButton() const { return frame_->zoomUpButton(); }

QLabel* TLabelDesignScreen::zoomLabel() const { return frame_->zoomLabel(); }

QPushButton* TLabelDesignScreen::recordButton(int i) const { return frame_->recordButton(i); }

QToolButton* TLabelDesignScreen::toolButton(DesignSurface::PanelState s) const {
    return qobject_cast<QToolButton*>(tools_->button(int(s)));
}

void TLabelDesignScreen::setRecordSource(AddressRecordSource* records) {
    recordSource_ = records;
    surface().setRecordSource(records);
    frame_->enableRecordButtons(records && records->isOpen());
    surface().refreshData();
}

void TLabelDesignScreen::openDesign(bool newLabel) { openDesign(newLabel, true); }

void TLabelDesignScreen::openDesign(bool newLabel, bool tellUser) {
    newLabel_ = newLabel;
    if (editor_->opened()) return;
    surface().refreshData();
    editor_->open(newLabel, tellUser);
    connect(editor_->history(), &DesignHistory::restored, this, [this] {
        showCaptions();
        panel_->update();
    });
    showArtButton();
    frame_->fit();
}

void TLabelDesignScreen::setVisible(bool visible) {
    // The stored position and size are given before the window first shows:
    // set from inside its show they could be lost when the new label's
    // message opens before the window is on the screen.
    if (visible && !shown_) {
        shown_ = true;
        // Centring needs the size the layout gives the window.
        if (!testAttribute(Qt::WA_Resized)) adjustSize();
        restoreDesignerPlacement(this, kClassName, settingsPath_, dialogs_);
    }
    HelpDialog::setVisible(visible);
    // A new label's message once the window is on the screen: a message
    // opened while it is still being shown would leave it unsized.
    if (visible && messagePending_) {
        messagePending_ = false;
        dialogs_.showInfo(LabelDesignEditor::newLabelMessage());
    }
}

void TLabelDesignScreen::showEvent(QShowEvent* e) {
    HelpDialog::showEvent(e);
    if (editor_->opened()) return;
    openDesign(newLabel_, false);
    messagePending_ = newLabel_;
}

void TLabelDesignScreen::done(int r) {
    if (shown_) saveDesignerPlacement(this, kClassName, settingsPath_, dialogs_);
    HelpDialog::done(r);
}

void TLabelDesignScreen::closeEvent(QCloseEvent* e) {
    // The close box with unsaved changes asks first; Cancel still discards.
    if (!saveInsteadOfClosing(this, e, QStringLiteral("label"), dialogs_)) HelpDialog::closeEvent(e);
}

void TLabelDesignScreen::saveButtonClick() { saveAndClose(this, description_, saveAction_); }

void TLabelDesignScreen::showArtButton() {
    const QSignalBlocker block(art_);
    art_->setEnabled(editor_->artAvailable());
    art_->setChecked(editor_->artShown());
}

void TLabelDesignScreen::showCaptions() {
    fontAction_->setText(editor_->defaultFontCaption());
    layoutAction_->setText(editor_->layoutCaption());
    frame_->fit();
}

void TLabelDesignScreen::moveRecord(int which) {
    if (!recordSource_) return;
    const bool moved = recordSource_->move(which);
    if (which == 0) editor_->afterFirstRecord();
    else if (moved) editor_->afterOtherRecord();
}

void TLabelDesignScreen::layoutClick() {
    if (!chooseLayout_) return;
    const std::optional<LabelStock> chosen = chooseLayout_(this);
    if (!chosen) return;
    editor_->changeLayout(*chosen);
    showCaptions();
}

void TLabelDesignScreen::defaultFontClick() {
    const std::optional<designobjects::DesignFont> f = askDefaultFont(this, surface().font(), dialogs_);
    if (!f) return;
    common::ProfileFile settings(settingsPath_);
    editor_->setDefaultFont(*f, settings);
    showCaptions();
}

QVector<QPair<QString, QString>> TLabelDesignScreen::quickTips() { return designerQuickTips(QStringLiteral("label")); }

void TLabelDesignScreen::quickTipsClick() { showQuickTips(this, quickTips()); }

void TLabelDesignScreen::keyPressEvent(QKeyEvent* e) {
    // Enter in the description does not save; Escape still cancels.
    if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && !save_->isVisible()) return;
    HelpDialog::keyPressEvent(e);
}

}  // namespace brindle::designer::ui
