#include "designer/ui/DesignScreenFrame.h"

#include <QBoxLayout>
#include <QFontDialog>
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
#include <exception>

#include "common/ProfileFile.h"
#include "common/UserDialogs.h"
#include "common/ui/Placement.h"
#include "designer/DesignHistory.h"
#include "designer/DesignerDefaults.h"
#include "designobjects/DesignSurface.h"

namespace brindle::designer::ui {

DesignScreenFrame::DesignScreenFrame(QWidget* window, const QString& areaName, const QSize& minimum, Hooks hooks)
    : QObject(window), window_(window), hooks_(std::move(hooks)) {
    scroll_ = new QScrollArea(window);
    scroll_->setObjectName(areaName);
    QPalette pal = scroll_->palette();
    pal.setColor(QPalette::Base, Qt::white);
    pal.setColor(QPalette::Window, Qt::white);
    scroll_->setPalette(pal);
    scroll_->setBackgroundRole(QPalette::Base);
    sheet_ = new QWidget;
    sheet_->setAutoFillBackground(true);
    sheet_->setPalette(pal);
    scroll_->setMinimumSize(minimum);

    zoomDown_ = new QToolButton(window);
    zoomDown_->setArrowType(Qt::DownArrow);
    zoomUp_ = new QToolButton(window);
    zoomUp_->setArrowType(Qt::UpArrow);
    const QString zoomHint =
        QStringLiteral("Press plus (+) or minus (-) to \rincrease or decrease the zoom percentage").replace('\r', '\n');
    for (QToolButton* b : {zoomDown_, zoomUp_}) {
        b->setToolTip(zoomHint);
        b->setFocusPolicy(Qt::NoFocus);
    }
    zoomLabel_ = new QLabel(QStringLiteral("100%"), window);
    zoomLabel_->setMinimumWidth(40);
    zoomLabel_->setToolTip(zoomHint);
    connect(zoomDown_, &QToolButton::clicked, this, [this] { zoom(false); });
    connect(zoomUp_, &QToolButton::clicked, this, [this] { zoom(true); });

    const QStyle::StandardPixmap icons[] = {QStyle::SP_MediaSkipBackward, QStyle::SP_MediaSeekBackward,
                                            QStyle::SP_MediaSeekForward, QStyle::SP_MediaSkipForward};
    const char* hints[] = {"First record", "Previous record", "Next record", "Last record"};
    for (int i = 0; i < 4; ++i) {
        records_[i] = new QPushButton(window->style()->standardIcon(icons[i]), QString(), window);
        records_[i]->setToolTip(QString::fromLatin1(hints[i]));
        records_[i]->setObjectName(QString::fromLatin1(hints[i]));
        records_[i]->setEnabled(false);
        records_[i]->setFocusPolicy(Qt::NoFocus);
        connect(records_[i], &QPushButton::clicked, this, [this, i] {
            if (hooks_.moveRecord) hooks_.moveRecord(i);
            if (panel_) panel_->update();
        });
    }
}

void DesignScreenFrame::setPanel(QWidget* panel) {
    panel_ = panel;
    panel_->move(5, 5);
    scroll_->setWidget(sheet_);
    panel_->installEventFilter(this);
}

void DesignScreenFrame::addRecordButtons(QBoxLayout* row) {
    for (QPushButton* b : records_) row->addWidget(b);
}

void DesignScreenFrame::enableRecordButtons(bool on) {
    for (QPushButton* b : records_) b->setEnabled(on);
}

void DesignScreenFrame::zoom(bool in) {
    if (in) hooks_.zoomIn();
    else hooks_.zoomOut();
    showZoom();
}

void DesignScreenFrame::showZoom() {
    zoomLabel_->setText(hooks_.zoomCaption());
    fit();
}

void DesignScreenFrame::fit() {
    if (!panel_) return;
    const QSize surfaceSize = hooks_.surfaceSize();
    panel_->resize(surfaceSize);
    sheet_->resize(surfaceSize.width() + 10, surfaceSize.height() + 10);
    panel_->update();
}

bool DesignScreenFrame::eventFilter(QObject* watched, QEvent* e) {
    if (watched != panel_) return QObject::eventFilter(watched, e);
    if (e->type() == QEvent::KeyRelease) {
        // Keypad plus and minus zoom; the main keyboard's keep their meaning.
        auto* k = static_cast<QKeyEvent*>(e);
        if ((k->modifiers() & Qt::KeypadModifier) && (k->key() == Qt::Key_Plus || k->key() == Qt::Key_Minus)) {
            zoom(k->key() == Qt::Key_Plus);
            return true;
        }
    }
    if (e->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(e);
        // Only while the design has the focus: a text field keeps its own undo.
        if (DesignHistory* h = hooks_.history ? hooks_.history() : nullptr; h && k->modifiers() == Qt::ControlModifier) {
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
    return QObject::eventFilter(watched, e);
}

DesignerHeader addDesignerHeaderWidgets(QWidget* window, QBoxLayout* layout, int descriptionLength,
                                        const QString& descriptionHelp) {
    DesignerHeader h{};
    auto* bar = new QMenuBar(window);
    QMenu* settings = bar->addMenu(QStringLiteral("&Settings"));
    h.defaultFont = settings->addAction(QStringLiteral("Default Font"));
    h.layout = settings->addAction(QStringLiteral("Layout"));
    layout->setMenuBar(bar);

    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("Description:"), window));
    h.description = new QLineEdit(window);
    h.description->setObjectName(QStringLiteral("description"));
    h.description->setMaxLength(descriptionLength);
    h.description->setWhatsThis(descriptionHelp);
    row->addWidget(h.description, 1);
    h.quickTips = new QPushButton(QStringLiteral("Quick Tips"), window);
    row->addWidget(h.quickTips);
    layout->addLayout(row);
    return h;
}

void prepareSurface(designobjects::DesignSurface& surface, common::UserDialogs& dialogs, QWidget* window) {
    surface.setDialogs(&dialogs);
    surface.setOwner(window);
    surface.setDrawOutline(true);
}

bool saveBeforeClosing(QWidget* window, bool unsaved, const QString& what, common::UserDialogs& dialogs) {
    return unsaved && dialogs.askYesNo(QStringLiteral("Save the changes to this %1?").arg(what), window->windowTitle());
}

void connectViewToggles(QToolButton* grid, QToolButton* snap, QToolButton* names, designobjects::DesignSurface& surface,
                        QWidget* panel) {
    designobjects::DesignSurface* s = &surface;
    QObject::connect(grid, &QToolButton::toggled, panel, [s](bool on) { s->setShowGrid(on); });
    QObject::connect(snap, &QToolButton::toggled, panel, [s](bool on) { s->setSnapToGrid(on); });
    QObject::connect(names, &QToolButton::toggled, panel, [s, panel](bool on) {
        s->setDisplayDataValues(!on);
        s->refreshData();
        panel->update();
    });
}

void restoreDesignerPlacement(QWidget* window, const QString& className, const QString& settingsPath,
                              common::UserDialogs& dialogs) {
    try {
        common::ProfileFile settings(settingsPath);
        common::restorePlacement(window, className, settings, window->parentWidget());
    } catch (const std::exception& ex) {
        dialogs.showError(QString::fromUtf8(ex.what()));
    }
}

void saveDesignerPlacement(QWidget* window, const QString& className, const QString& settingsPath,
                           common::UserDialogs& dialogs) {
    try {
        common::ProfileFile settings(settingsPath);
        common::savePlacement(window, className, settings);
    } catch (const std::exception& ex) {
        dialogs.showError(QString::fromUtf8(ex.what()));
    }
}

std::optional<designobjects::DesignFont> askDefaultFont(QWidget* parent, const designobjects::DesignFont& current,
                                                        common::UserDialogs& dialogs) {
    dialogs.showInfo(noteBeforeDefaultFont());
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, current.toQFont(), parent, QStringLiteral("Default Font"));
    if (!ok) return std::nullopt;
    return designobjects::DesignFont::fromQFont(chosen, current.color);
}

}  // namespace brindle::designer::ui
