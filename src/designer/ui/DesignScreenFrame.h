#pragma once
// What the label and envelope designer windows share around their design
// panel: the panel on a white sheet inside a scrolling area, the zoom
// buttons with their caption, the four record buttons, the panel's keys
// (keypad plus and minus zoom, Ctrl+Z and Ctrl+Y undo and redo, Page Up,
// Page Down, Home and End scroll), the window's stored placement and the
// Default Font step. What each step does to the design stays with the
// window's editor, reached through the hooks.
#include <QAction>
#include <QCloseEvent>
#include <QDialog>
#include <QLineEdit>
#include <QObject>
#include <QPushButton>
#include <QString>
#include <functional>
#include <optional>

#include "common/ProfileFile.h"
#include "designobjects/DesignTypes.h"

class QBoxLayout;
class QLabel;
class QScrollArea;
class QToolButton;
class QWidget;

namespace brindle::common {
class UserDialogs;
}

namespace brindle::designer {
class DesignHistory;
}
namespace brindle::designobjects {
class DesignSurface;
}

namespace brindle::designer::ui {

class DesignScreenFrame : public QObject {
    Q_OBJECT
public:
    struct Hooks {
        std::function<void()> zoomIn;
        std::function<void()> zoomOut;
        std::function<QString()> zoomCaption;
        // The design's size on the screen at the current zoom.
        std::function<QSize()> surfaceSize;
        // Undo and redo of the design; null until the design is open.
        std::function<DesignHistory*()> history;
        // 0 first, 1 previous, 2 next, 3 last.
        std::function<void(int which)> moveRecord;
    };

    // Hooks onto a window's editor (zoomIn, zoomOut, zoomCaption, history),
    // which may be created after the frame: `editor` is the window's member.
    template <class Editor>
    static Hooks editorHooks(Editor* const& editor, std::function<QSize()> surfaceSize,
                             std::function<void(int which)> moveRecord) {
        return {.zoomIn = [&editor] { editor->zoomIn(); },
                .zoomOut = [&editor] { editor->zoomOut(); },
                .zoomCaption = [&editor] { return editor->zoomCaption(); },
                .surfaceSize = std::move(surfaceSize),
                .history = [&editor] { return editor->history(); },
                .moveRecord = std::move(moveRecord)};
    }

    // The scrolling area is named `areaName` and is at least `minimum`
    // large; the panel is created by the window on sheet() and handed to
    // setPanel().
    DesignScreenFrame(QWidget* window, const QString& areaName, const QSize& minimum, Hooks hooks);

    QScrollArea* scrollArea() const { return scroll_; }
    QWidget* sheet() const { return sheet_; }
    void setPanel(QWidget* panel);

    QToolButton* zoomDownButton() const { return zoomDown_; }
    QToolButton* zoomUpButton() const { return zoomUp_; }
    QLabel* zoomLabel() const { return zoomLabel_; }
    QPushButton* recordButton(int i) const { return records_[i]; }
    void addRecordButtons(QBoxLayout* row);
    void enableRecordButtons(bool on);

    // The zoom caption from the editor, then fit().
    void showZoom();
    // The panel and its sheet to the surface's size at the current zoom.
    void fit();

    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void zoom(bool in);

    QWidget* window_;
    Hooks hooks_;
    QWidget* panel_ = nullptr;
    QScrollArea* scroll_;
    QWidget* sheet_;
    QToolButton* zoomDown_;
    QToolButton* zoomUp_;
    QLabel* zoomLabel_;
    QPushButton* records_[4];
};

// The "Settings" menu (Default Font, Layout) as the layout's menu bar and
// the "Description:" row with its Quick Tips button below it; the window
// connects them.
struct DesignerHeader {
    QAction* defaultFont;
    QAction* layout;
    QLineEdit* description;
    QPushButton* quickTips;
};
DesignerHeader addDesignerHeaderWidgets(QWidget* window, QBoxLayout* layout, int descriptionLength,
                                        const QString& descriptionHelp);
// The same, connected to the window's defaultFontClick, layoutClick and quickTipsClick.
template <class Screen>
DesignerHeader addDesignerHeader(Screen* window, QBoxLayout* layout, int descriptionLength,
                                 const QString& descriptionHelp) {
    const DesignerHeader h = addDesignerHeaderWidgets(window, layout, descriptionLength, descriptionHelp);
    QObject::connect(h.defaultFont, &QAction::triggered, window, [window] { window->defaultFontClick(); });
    QObject::connect(h.layout, &QAction::triggered, window, [window] { window->layoutClick(); });
    QObject::connect(h.quickTips, &QPushButton::clicked, window, [window] { window->quickTipsClick(); });
    return h;
}

// The design surface working for a designer window: its messages through
// `dialogs`, the window as owner of its dialogs, the design's edge drawn so
// the user sees where it ends.
void prepareSurface(designobjects::DesignSurface& surface, common::UserDialogs& dialogs, QWidget* window);

// The editor started from the settings file's default font and the
// description, and tied to the header: typing changes the description, the
// first change shows Save, undo puts the description text back.
template <class Editor>
void startEditor(Editor* editor, QLineEdit* description, QPushButton* save, const QString& text,
                 const QString& settingsPath) {
    {
        const common::ProfileFile settings(settingsPath);
        editor->readDefaultFont(settings);
    }
    description->setText(text);
    editor->setDescription(text);
    QObject::connect(description, &QLineEdit::textEdited, editor, [editor](const QString& t) { editor->setDescription(t); });
    QObject::connect(editor, &Editor::saveShown, save, [save] { save->setVisible(true); });
    QObject::connect(editor, &Editor::descriptionRestored, description, [description](const QString& t) {
        if (description->text() != t) description->setText(t);
    });
}

// The close box with unsaved changes asks first ("Save the changes to this
// label?" and the like, the window's title as caption): true when the user
// wants the design saved rather than the window closed.
bool saveBeforeClosing(QWidget* window, bool unsaved, const QString& what, common::UserDialogs& dialogs);

// The close box of a designer window: with unsaved changes (and the window
// not already accepted) it asks first, and Yes saves instead of closing.
// True when the close was taken over.
template <class Screen>
bool saveInsteadOfClosing(Screen* screen, QCloseEvent* e, const QString& what, common::UserDialogs& dialogs) {
    if (!saveBeforeClosing(screen, screen->editor().saveVisible() && screen->result() != QDialog::Accepted, what,
                           dialogs))
        return false;
    e->ignore();
    screen->saveButtonClick();
    return true;
}

// Save: the typed description and the design made ready, then the caller's
// save action; the window closes only when that succeeds.
template <class Screen, class Action>
void saveAndClose(Screen* screen, const QLineEdit* description, const Action& saveAction) {
    screen->editor().setDescription(description->text());
    screen->editor().prepareSave();
    if (saveAction && !saveAction(*screen)) return;
    screen->accept();
}

// The grid, snap and names-or-values toggles acting on the surface.
void connectViewToggles(QToolButton* grid, QToolButton* snap, QToolButton* names, designobjects::DesignSurface& surface,
                        QWidget* panel);

// The window's position and size from the settings file (class name as
// the key), and back; a settings file that cannot be read or written is
// reported, not thrown.
void restoreDesignerPlacement(QWidget* window, const QString& className, const QString& settingsPath,
                              common::UserDialogs& dialogs);
void saveDesignerPlacement(QWidget* window, const QString& className, const QString& settingsPath,
                           common::UserDialogs& dialogs);

// "Default Font": the note first, then the font dialog on `current`; the
// chosen font keeps the current colour. None when cancelled.
std::optional<designobjects::DesignFont> askDefaultFont(QWidget* parent, const designobjects::DesignFont& current,
                                                        common::UserDialogs& dialogs);

}  // namespace brindle::designer::ui
