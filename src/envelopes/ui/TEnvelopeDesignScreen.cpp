#include "envelopes/ui/TEnvelopeDesignScreen.h"

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
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include "common/ProfileFile.h"
#include "common/UserDialogs.h"
#include "common/ui/Placement.h"
#include "designer/AddressRecordSource.h"
#include "designer/DesignHistory.h"
#include "designer/DesignerDefaults.h"
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

    auto* bar = new QMenuBar(this);
    QMenu* settings = bar->addMenu(QStringLiteral("&Settings"));
    fontAction_ = settings->addAction(QStringLiteral("Default Font"), this, &TEnvelopeDesignScreen::defaultFontClick);
    layoutAction_ = settings->addAction(QStringLiteral("Layout"), this, &TEnvelopeDesignScreen::layoutClick);
    layout->setMenuBar(bar);

    auto* descRow = new QHBoxLayout;
    descRow->addWidget(new QLabel(QStringLiteral("Description:"), this));
    description_ = new QLineEdit(this);
    description_->setObjectName(QStringLiteral("description"));
    description_->setMaxLength(kDescriptionEditLength);
    description_->setWhatsThis(QStringLiteral("The name of this envelope setup in the Print Envelope list."));
    descRow->addWidget(description_, 1);
    auto* tips = new QPushButton(QStringLiteral("Quick Tips"), this);
    descRow->addWidget(tips);
    layout->addLayout(descRow);

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
    toolRow->addWidget(zoomLabel_);
    toolRow->addWidget(zoomDown_);
    toolRow->addWidget(zoomUp_);
    toolRow->addStretch(1);
    layout->addLayout(toolRow);

    scroll_ = new QScrollArea(this);
    scroll_->setObjectName(QStringLiteral("envelopeArea"));
    QPalette pal = scroll_->palette();
    pal.setColor(QPalette::Base, Qt::white);
    pal.setColor(QPalette::Window, Qt::white);
    scroll_->setPalette(pal);
    scroll_->setBackgroundRole(QPalette::Base);
    sheet_ = new QWidget;
    sheet_->setAutoFillBackground(true);
    sheet_->setPalette(pal);
    panel_ = new TEnvelopePanel(sheet_);
    panel_->move(5, 5);
    scroll_->setWidget(sheet_);
    scroll_->setMinimumSize(640, 300);
    layout->addWidget(scroll_, 1);

    auto* buttons = new QHBoxLayout;
    cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    save_ = new QPushButton(QStringLiteral("Save"), this);
    save_->setDefault(true);
    save_->setVisible(false);
    buttons->addWidget(cancel_);
    buttons->addWidget(save_);
    buttons->addWidget(makeHelpButton());
    buttons->addSpacing(12);
    const QStyle::StandardPixmap icons[] = {QStyle::SP_MediaSkipBackward, QStyle::SP_MediaSeekBackward,
                                            QStyle::SP_MediaSeekForward, QStyle::SP_MediaSkipForward};
    const char* hints[] = {"First record", "Previous record", "Next record", "Last record"};
    for (int i = 0; i < 4; ++i) {
        recordButtons_[i] = new QPushButton(style()->standardIcon(icons[i]), QString(), this);
        recordButtons_[i]->setToolTip(QString::fromLatin1(hints[i]));
        recordButtons_[i]->setObjectName(QString::fromLatin1(hints[i]));
        recordButtons_[i]->setEnabled(false);
        recordButtons_[i]->setFocusPolicy(Qt::NoFocus);
        connect(recordButtons_[i], &QPushButton::clicked, this, [this, i] { moveRecord(i); });
        buttons->addWidget(recordButtons_[i]);
    }
    buttons->addStretch(1);
    layout->addLayout(buttons);

    DesignSurface& s = panel_->surface();
    s.setDialogs(&dialogs_);
    s.setOwner(this);
    s.setDrawOutline(true);
    editor_ = new EnvelopeDesignEditor(s, dialogs_, code, this);
    {
        const common::ProfileFile settingsFile(settingsPath_);
        editor_->readDefaultFont(settingsFile);
    }
    description_->setText(description);
    editor_->setDescription(description);

    connect(tips, &QPushButton::clicked, this, &TEnvelopeDesignScreen::quickTipsClick);
    connect(description_, &QLineEdit::textEdited, this, [this](const QString& t) { editor_->setDescription(t); });
    connect(editor_, &EnvelopeDesignEditor::saveShown, this, [this] { save_->setVisible(true); });
    connect(editor_, &EnvelopeDesignEditor::layoutChanged, this, &TEnvelopeDesignScreen::showCaptions);
    connect(editor_, &EnvelopeDesignEditor::descriptionRestored, this, [this](const QString& t) {
        if (description_->text() != t) description_->setText(t);
    });
    connect(editor_, &EnvelopeDesignEditor::toolChanged, this, [this](EnvelopeTool t) {
        tools_.at(t)->setChecked(true);
        panel_->showTool(t);
    });
    connect(group, &QButtonGroup::idClicked, this, [this](int id) { editor_->chooseTool(EnvelopeTool(id)); });
    connect(save_, &QPushButton::clicked, this, &TEnvelopeDesignScreen::saveButtonClick);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    connect(&s, &DesignSurface::sizeChanged, this, &TEnvelopeDesignScreen::fitScrollArea);
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
    connect(margins_, &QToolButton::toggled, this, [this](bool on) { editor_->setMarginsShown(on); });
    connect(usps_, &QToolButton::toggled, this, [this](bool on) { editor_->setTemplateShown(on); });
    panel_->installEventFilter(this);
    tools_.at(EnvelopeTool::Pointing)->setChecked(true);
    showCaptions();
    showZoom();
    panel_->setFocus();
}

TEnvelopeDesignScreen::~TEnvelopeDesignScreen() = default;

void TEnvelopeDesignScreen::setRecordSource(designer::AddressRecordSource* records) {
    records_ = records;
    surface().setRecordSource(records);
    for (QPushButton* b : recordButtons_) b->setEnabled(records && records->isOpen());
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
        try {
            common::ProfileFile settings(settingsPath_);
            common::restorePlacement(this, kClassName, settings, parentWidget());
        } catch (const std::exception& ex) {
            dialogs_.showError(QString::fromUtf8(ex.what()));
        }
    }
    HelpDialog::setVisible(visible);
}

void TEnvelopeDesignScreen::done(int r) {
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

void TEnvelopeDesignScreen::closeEvent(QCloseEvent* e) {
    // The close box with unsaved changes asks first; Cancel still discards.
    if (editor_->saveVisible() && result() != QDialog::Accepted &&
        dialogs_.askYesNo(QStringLiteral("Save the changes to this envelope?"),
                          QStringLiteral("Envelope Design Screen"))) {
        e->ignore();
        saveButtonClick();
        return;
    }
    HelpDialog::closeEvent(e);
}

void TEnvelopeDesignScreen::saveButtonClick() {
    editor_->setDescription(description_->text());
    editor_->prepareSave();
    if (saveAction_ && !saveAction_(*this)) return;
    accept();
}

void TEnvelopeDesignScreen::layoutClick() {
    if (chooseSize_)
        if (const std::optional<int> chosen = chooseSize_(editor_->code(), this)) editor_->changeLayout(*chosen);
    showCaptions();
}

void TEnvelopeDesignScreen::defaultFontClick() {
    dialogs_.showInfo(designer::noteBeforeDefaultFont());
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, surface().font().toQFont(), this, QStringLiteral("Default Font"));
    if (!ok) return;
    common::ProfileFile settings(settingsPath_);
    editor_->setDefaultFont(designobjects::DesignFont::fromQFont(chosen, surface().font().color), settings);
    showCaptions();
}

void TEnvelopeDesignScreen::quickTipsClick() {
    designer::ui::showQuickTips(this, designer::designerQuickTips(QStringLiteral("envelope")));
}

void TEnvelopeDesignScreen::showZoom() {
    zoomLabel_->setText(editor_->zoomCaption());
    fitScrollArea();
}

void TEnvelopeDesignScreen::showCaptions() {
    fontAction_->setText(editor_->defaultFontCaption());
    layoutAction_->setText(editor_->layoutCaption());
    fitScrollArea();
}

void TEnvelopeDesignScreen::fitScrollArea() {
    const QSize s = surface().size();
    panel_->resize(s);
    sheet_->resize(s.width() + 10, s.height() + 10);
    panel_->update();
}

void TEnvelopeDesignScreen::moveRecord(int which) {
    if (!records_) return;
    switch (which) {
    case 0: records_->first(); break;
    case 1: records_->prior(); break;
    case 2: records_->next(); break;
    default: records_->last(); break;
    }
    surface().refreshData();
    panel_->update();
}

bool TEnvelopeDesignScreen::eventFilter(QObject* watched, QEvent* e) {
    if (watched == panel_ && e->type() == QEvent::KeyRelease) {
        auto* k = static_cast<QKeyEvent*>(e);
        if ((k->modifiers() & Qt::KeypadModifier) && (k->key() == Qt::Key_Plus || k->key() == Qt::Key_Minus)) {
            if (k->key() == Qt::Key_Plus) editor_->zoomIn();
            else editor_->zoomOut();
            showZoom();
            return true;
        }
    }
    if (watched == panel_ && e->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(e);
        if (designer::DesignHistory* h = editor_->history(); h && k->modifiers() == Qt::ControlModifier) {
            if (k->key() == Qt::Key_Z) return h->undo(), true;
            if (k->key() == Qt::Key_Y) return h->redo(), true;
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

void TEnvelopeDesignScreen::keyPressEvent(QKeyEvent* e) {
    // Enter does not save while there is nothing to save; Escape still cancels.
    if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && !save_->isVisible()) return;
    HelpDialog::keyPressEvent(e);
}

}  // namespace brindle::envelopes::ui
