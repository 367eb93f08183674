#include "designer/ui/TLabelDesignScreen.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QFontDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWhatsThis>

#include "common/ProfileFile.h"
#include "common/UserDialogs.h"
#include "common/ui/Placement.h"
#include "designer/AddressRecordSource.h"
#include "designer/DesignHistory.h"
#include "designer/DesignerDefaults.h"
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

    // ---- menu
    auto* bar = new QMenuBar(this);
    QMenu* settings = bar->addMenu(QStringLiteral("&Settings"));
    fontAction_ = settings->addAction(QStringLiteral("Default Font"), this, &TLabelDesignScreen::defaultFontClick);
    layoutAction_ = settings->addAction(QStringLiteral("Layout"), this, &TLabelDesignScreen::layoutClick);
    layout->setMenuBar(bar);

    // ---- description bar
    auto* descRow = new QHBoxLayout;
    descRow->addWidget(new QLabel(QStringLiteral("Description:"), this));
    description_ = new QLineEdit(this);
    description_->setObjectName(QStringLiteral("description"));
    description_->setMaxLength(kDescriptionEditLength);
    description_->setWhatsThis(QStringLiteral("The name of this label setup in the Print Labels list."));
    descRow->addWidget(description_, 1);
    auto* tips = new QPushButton(QStringLiteral("Quick Tips"), this);
    descRow->addWidget(tips);
    layout->addLayout(descRow);

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
    zoomDown_ = new QToolButton(this);
    zoomDown_->setArrowType(Qt::DownArrow);
    zoomUp_ = new QToolButton(this);
    zoomUp_->setArrowType(Qt::UpArrow);
    const QString zoomHint =
        QStringLiteral("Press plus (+) or minus (-) to \rincrease or decrease the zoom percentage").replace('\r', '\n');
    for (QToolButton* b : {zoomDown_, zoomUp_}) {
        b->setToolTip(zoomHint);
        b->setFocusPolicy(Qt::NoFocus);
    }
    zoomLabel_ = new QLabel(QStringLiteral("100%"), this);
    zoomLabel_->setMinimumWidth(40);
    zoomLabel_->setToolTip(zoomHint);
    toolRow->addWidget(zoomDown_);
    toolRow->addWidget(zoomUp_);
    toolRow->addWidget(zoomLabel_);
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
    scroll_ = new QScrollArea(this);
    scroll_->setObjectName(QStringLiteral("labelArea"));
    scroll_->setBackgroundRole(QPalette::Base);
    QPalette pal = scroll_->palette();
    pal.setColor(QPalette::Base, Qt::white);
    pal.setColor(QPalette::Window, Qt::white);
    scroll_->setPalette(pal);
    sheet_ = new QWidget;
    sheet_->setAutoFillBackground(true);
    sheet_->setPalette(pal);
    panel_ = new designobjects::TKLabelPanel(sheet_);
    panel_->move(5, 5);
    scroll_->setWidget(sheet_);
    scroll_->setMinimumSize(420, 200);
    layout->addWidget(scroll_, 1);

    // ---- buttons
    auto* buttons = new QHBoxLayout;
    save_ = new QPushButton(QStringLiteral("Save"), this);
    save_->setDefault(true);
    save_->setVisible(false);
    cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    buttons->addWidget(save_);
    buttons->addWidget(cancel_);
    buttons->addSpacing(12);
    const QStyle::StandardPixmap icons[] = {QStyle::SP_MediaSkipBackward, QStyle::SP_MediaSeekBackward,
                                            QStyle::SP_MediaSeekForward, QStyle::SP_MediaSkipForward};
    const char* recordHints[] = {"First record", "Previous record", "Next record", "Last record"};
    for (int i = 0; i < 4; ++i) {
        records_[i] = new QPushButton(style()->standardIcon(icons[i]), QString(), this);
        records_[i]->setToolTip(QString::fromLatin1(recordHints[i]));
        records_[i]->setObjectName(QString::fromLatin1(recordHints[i]));
        records_[i]->setEnabled(false);
        records_[i]->setFocusPolicy(Qt::NoFocus);
        connect(records_[i], &QPushButton::clicked, this, [this, i] { moveRecord(i); });
        buttons->addWidget(records_[i]);
    }
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
    s.setDialogs(&dialogs_);
    s.setOwner(this);
    // The label's edge is drawn so the user sees where it ends.
    s.setDrawOutline(true);
    editor_ = new LabelDesignEditor(s, dialogs_, stock, this);
    {
        const common::ProfileFile settingsFile(settingsPath_);
        editor_->readDefaultFont(settingsFile);
    }
    description_->setText(description);
    editor_->setDescription(description);

    connect(tips, &QPushButton::clicked, this, &TLabelDesignScreen::quickTipsClick);
    connect(description_, &QLineEdit::textEdited, this, [this](const QString& t) { editor_->setDescription(t); });
    connect(editor_, &LabelDesignEditor::saveShown, this, [this] { save_->setVisible(true); });
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
    connect(&s, &DesignSurface::sizeChanged, this, &TLabelDesignScreen::fitScrollArea);
    connect(zoomDown_, &QToolButton::clicked, this, [this] {
        editor_->zoomOut();
        showZoom();
    });
    connect(zoomUp_, &QToolButton::clicked, this, [this] {
        editor_->zoomIn();
        showZoom();
    });
    connect(grid_, &QToolButton::toggled, this, [this](bool on) { surface().setShowGrid(on); });
    connect(snap_, &QToolButton::toggled, this, [this](bool on) { surface().setSnapToGrid(on); });
    connect(names_, &QToolButton::toggled, this, [this](bool on) {
        surface().setDisplayDataValues(!on);
        surface().refreshData();
        panel_->update();
    });
    connect(art_, &QToolButton::toggled, this, [this](bool on) {
        editor_->setArtShown(on);
        panel_->update();
    });
    connect(editor_, &LabelDesignEditor::artChanged, this, &TLabelDesignScreen::showArtButton);
    connect(editor_, &LabelDesignEditor::descriptionRestored, this, [this](const QString& t) {
        if (description_->text() != t) description_->setText(t);
    });
    showArtButton();
    art_->setWhatsThis(QStringLiteral("Shows the label stock's printed artwork behind your design, where the stock has any."));
    panel_->installEventFilter(this);
    tools_->button(DesignSurface::psPointing)->setChecked(true);
    showCaptions();
    showZoom();
    fitScrollArea();
    panel_->setFocus();
}

TLabelDesignScreen::~TLabelDesignScreen() = default;

DesignSurface& TLabelDesignScreen::surface() { return panel_->surface(); }

QToolButton* TLabelDesignScreen::toolButton(DesignSurface::PanelState s) const {
    return qobject_cast<QToolButton*>(tools_->button(int(s)));
}

void TLabelDesignScreen::setRecordSource(AddressRecordSource* records) {
    recordSource_ = records;
    surface().setRecordSource(records);
    for (QPushButton* b : records_) b->setEnabled(records && records->isOpen());
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
    fitScrollArea();
    panel_->update();
}

void TLabelDesignScreen::setVisible(bool visible) {
    // The stored position and size are given before the window first shows:
    // set from inside its show they could be lost when the new label's
    // message opens before the window is on the screen.
    if (visible && !shown_) {
        shown_ = true;
        // Centring needs the size the layout gives the window.
        if (!testAttribute(Qt::WA_Resized)) adjustSize();
        try {
            common::ProfileFile settings(settingsPath_);
            common::restorePlacement(this, kClassName, settings, parentWidget());
        } catch (const std::exception& ex) {
            dialogs_.showError(QString::fromUtf8(ex.what()));
        }
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
    if (shown_) {
        try {
            common::ProfileFile settings(settingsPath_);
            common::savePlacement(this, kClassName, settings);
        } catch (const std::exception& ex) {
            dialogs_.showError(QString::fromUtf8(ex.what()));
        }
    }
    HelpDialog::done(r);
}

void TLabelDesignScreen::closeEvent(QCloseEvent* e) {
    // The close box with unsaved changes asks first; Cancel still discards.
    if (editor_->saveVisible() && result() != QDialog::Accepted) {
        if (dialogs_.askYesNo(QStringLiteral("Save the changes to this label?"),
                              QStringLiteral("Label Design Screen"))) {
            e->ignore();
            saveButtonClick();
            return;
        }
    }
    HelpDialog::closeEvent(e);
}

void TLabelDesignScreen::saveButtonClick() {
    editor_->setDescription(description_->text());
    editor_->prepareSave();
    if (saveAction_ && !saveAction_(*this)) return;
    accept();
}

void TLabelDesignScreen::showArtButton() {
    const QSignalBlocker block(art_);
    art_->setEnabled(editor_->artAvailable());
    art_->setChecked(editor_->artShown());
}

void TLabelDesignScreen::showZoom() {
    zoomLabel_->setText(editor_->zoomCaption());
    fitScrollArea();
}

void TLabelDesignScreen::showCaptions() {
    fontAction_->setText(editor_->defaultFontCaption());
    layoutAction_->setText(editor_->layoutCaption());
    fitScrollArea();
}

void TLabelDesignScreen::fitScrollArea() {
    const QSize s = surface().size();
    panel_->resize(s);
    sheet_->resize(s.width() + 10, s.height() + 10);
    panel_->update();
}

void TLabelDesignScreen::moveRecord(int which) {
    if (!recordSource_) return;
    bool moved = false;
    switch (which) {
        case 0: moved = recordSource_->first(); break;
        case 1: moved = recordSource_->prior(); break;
        case 2: moved = recordSource_->next(); break;
        default: moved = recordSource_->last(); break;
    }
    if (which == 0) editor_->afterFirstRecord();
    else if (moved) editor_->afterOtherRecord();
    panel_->update();
}

void TLabelDesignScreen::layoutClick() {
    if (!chooseLayout_) return;
    const std::optional<LabelStock> chosen = chooseLayout_(this);
    if (!chosen) return;
    editor_->changeLayout(*chosen);
    showCaptions();
}

void TLabelDesignScreen::defaultFontClick() {
    dialogs_.showInfo(LabelDesignEditor::noteBeforeDefaultFont());
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, surface().font().toQFont(), this, QStringLiteral("Default Font"));
    if (!ok) return;
    designobjects::DesignFont f = designobjects::DesignFont::fromQFont(chosen, surface().font().color);
    common::ProfileFile settings(settingsPath_);
    editor_->setDefaultFont(f, settings);
    showCaptions();
}

QVector<QPair<QString, QString>> TLabelDesignScreen::quickTips() { return designerQuickTips(QStringLiteral("label")); }

void TLabelDesignScreen::quickTipsClick() { showQuickTips(this, quickTips()); }

bool TLabelDesignScreen::eventFilter(QObject* watched, QEvent* e) {
    if (watched == panel_ && e->type() == QEvent::KeyRelease) {
        auto* k = static_cast<QKeyEvent*>(e);
        if (k->modifiers() & Qt::KeypadModifier) {
            if (k->key() == Qt::Key_Plus) {
                editor_->zoomIn();
                showZoom();
                return true;
            }
            if (k->key() == Qt::Key_Minus) {
                editor_->zoomOut();
                showZoom();
                return true;
            }
        }
    }
    if (watched == panel_ && e->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(e);
        // Only while the label has the focus: a text field keeps its own undo.
        if (DesignHistory* h = editor_->history(); h && k->modifiers() == Qt::ControlModifier) {
            if (k->key() == Qt::Key_Z) {
                h->undo();
                return true;
            }
            if (k->key() == Qt::Key_Y) {
                h->redo();
                return true;
            }
        }
        QScrollBar* v = scroll_->verticalScrollBar();
        switch (k->key()) {
            case Qt::Key_PageUp: v->triggerAction(QAbstractSlider::SliderSingleStepSub); return true;
            case Qt::Key_PageDown: v->triggerAction(QAbstractSlider::SliderSingleStepAdd); return true;
            case Qt::Key_Home: v->setValue(v->minimum()); return true;
            case Qt::Key_End: v->setValue(v->maximum()); return true;
            default: break;
        }
    }
    return HelpDialog::eventFilter(watched, e);
}

void TLabelDesignScreen::keyPressEvent(QKeyEvent* e) {
    // Enter in the description does not save; Escape still cancels.
    if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && !save_->isVisible()) return;
    HelpDialog::keyPressEvent(e);
}

}  // namespace brindle::designer::ui
