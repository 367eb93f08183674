#include "help/ui/ShowHelp.h"

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QShortcut>

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

void present(HelpWindow* w) {
    w->show();
    if (w->isMinimized()) w->showNormal();
    w->raise();
    w->activateWindow();
}

}  // namespace

void showHelpTopic(int topic, QWidget* parent) {
    Q_UNUSED(parent);
    HelpWindow* w = prepare();
    w->showTopic(topic);
    present(w);
}

void showHelpContents(QWidget* parent) {
    Q_UNUSED(parent);
    HelpWindow* w = prepare();
    w->showContents();
    present(w);
}

void showHelpSearch(QWidget* parent) {
    Q_UNUSED(parent);
    HelpWindow* w = prepare();
    w->showSearch();
    present(w);
}

void installHelpKey(QWidget* window, int topic) {
    auto* key = new QShortcut(QKeySequence::HelpContents, window);
    key->setContext(Qt::WindowShortcut);
    QObject::connect(key, &QShortcut::activated, window, [window, topic] { showHelpTopic(topic, window); });
}

HelpWindow* currentHelpWindow() { return shared(); }

}  // namespace brindle::help
