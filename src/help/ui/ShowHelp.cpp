#include "help/ui/ShowHelp.h"

#include <QApplication>
#include <QEvent>
#include <QMainWindow>
#include <QPointer>
#include <QScreen>
#include <QShortcut>

#include <algorithm>

#include "help/ui/HelpWindow.h"

namespace brindle::help {
namespace {

QPointer<HelpWindow>& shared() {
    static QPointer<HelpWindow> window;
    return window;
}

// Sets the help window free (a top-level window of its own) when the modal
// dialog it was attached to is hidden, so that closing the dialog does not
// take the help window with it.
class ModalWatcher : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Hide || event->type() == QEvent::Close) {
            HelpWindow* w = shared();
            if (w && w->parentWidget() == watched) {
                const bool visible = w->isVisible();
                const QRect geometry = w->geometry();
                w->setParent(nullptr, Qt::Window);
                w->setGeometry(geometry);
                if (visible) w->show();
            }
            watched->removeEventFilter(this);
        }
        return false;
    }
};

ModalWatcher* watcher() {
    static ModalWatcher* instance = new ModalWatcher(qApp);
    return instance;
}

HelpWindow* prepare() {
    QPointer<HelpWindow>& w = shared();
    if (!w) w = new HelpWindow(helpFolder());
    // A window outside the open modal dialog would be blocked; attach to it.
    QWidget* modal = QApplication::activeModalWidget();
    if (modal && modal != w && w->parentWidget() != modal) {
        const bool visible = w->isVisible();
        w->setParent(modal, Qt::Window);
        if (visible) w->show();
        modal->installEventFilter(watcher());
    }
    return w;
}

// The program's main window, reached from the window that asked for help:
// up through the windows' owners, else any visible main window.
QWidget* mainWindowOf(QWidget* asking, const HelpWindow* help) {
    QWidget* w = asking ? asking->window() : QApplication::activeWindow();
    while (w && w->parentWidget()) w = w->parentWidget()->window();
    if (w && w != help && w->isVisible()) return w;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (qobject_cast<QMainWindow*>(top) && top->isVisible()) return top;
    return nullptr;
}

// Centres a window that is about to open over the main window, kept inside
// the screen (and shrunk to it when larger).
void placeOver(HelpWindow* w, QWidget* mainWindow) {
    QScreen* screen = mainWindow ? mainWindow->screen() : w->screen();
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    // Frames are known for windows already shown; the main window's stands in.
    const QSize frame = mainWindow ? mainWindow->frameGeometry().size() - mainWindow->geometry().size() : QSize();
    const QSize size = w->size().boundedTo(area.size() - frame);
    w->resize(size);
    QRect outer(QPoint(0, 0), size + frame);
    outer.moveCenter(mainWindow ? mainWindow->frameGeometry().center() : area.center());
    outer.moveLeft(std::clamp(outer.left(), area.left(), area.right() + 1 - outer.width()));
    outer.moveTop(std::clamp(outer.top(), area.top(), area.bottom() + 1 - outer.height()));
    w->move(outer.topLeft());
}

void present(HelpWindow* w, QWidget* asking) {
    // A window that opens is placed; one already open stays where the user put it.
    if (!w->isVisible()) placeOver(w, mainWindowOf(asking, w));
    w->show();
    if (w->isMinimized()) w->showNormal();
    w->raise();
    w->activateWindow();
}

}  // namespace

void showHelpTopic(int topic, QWidget* parent) {
    HelpWindow* w = prepare();
    w->showTopic(topic);
    present(w, parent);
}

void showHelpContents(QWidget* parent) {
    HelpWindow* w = prepare();
    w->showContents();
    present(w, parent);
}

void showHelpSearch(QWidget* parent) {
    HelpWindow* w = prepare();
    w->showSearch();
    present(w, parent);
}

void installHelpKey(QWidget* window, int topic) {
    auto* key = new QShortcut(QKeySequence::HelpContents, window);
    key->setContext(Qt::WindowShortcut);
    QObject::connect(key, &QShortcut::activated, window, [window, topic] { showHelpTopic(topic, window); });
}

HelpWindow* currentHelpWindow() { return shared(); }

}  // namespace brindle::help
