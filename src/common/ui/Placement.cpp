#include "common/ui/Placement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>

#include "common/Common.h"
#include "common/ProfileFile.h"

namespace brindle::common {

namespace {

QScreen* screenOf(QWidget* w) {
    if (w && w->screen()) return w->screen();
    return QGuiApplication::primaryScreen();
}

QRect screenRect(QWidget* w) {
    QScreen* s = screenOf(w);
    return s ? s->geometry() : QRect(0, 0, 1024, 768);
}

QString sectionFor(QWidget* w, const QString& className) {
    return placementSection(className, w->logicalDpiY());
}

QRect normalRect(QWidget* w) {
    if (w->isMaximized() || w->isMinimized() || w->isFullScreen()) {
        const QRect normal = w->normalGeometry();
        if (normal.isValid()) return normal;
    }
    return w->geometry();
}

}  // namespace

void centreWindow(QWidget* window, QWidget* mainWindow) {
    if (!window) return;
    if (window->windowFlags() & Qt::WindowMaximizeButtonHint) window->setWindowFlag(Qt::WindowSystemMenuHint, true);
    const QSize size = window->frameGeometry().size();
    QRect over;
    QWidget* reference = mainWindow && mainWindow != window ? mainWindow : window;
    if (mainWindow && mainWindow != window && !mainWindow->isMaximized()) over = mainWindow->frameGeometry();
    else over = screenRect(reference);
    QRect frame(centredTopLeft(over, size), size);
    // Kept on the screen, the title bar first: a main window near an edge
    // must not push its dialog out of reach.
    if (QScreen* s = screenOf(reference)) {
        const QRect area = s->availableGeometry();
        frame.moveLeft(std::max(area.left(), std::min(frame.left(), area.right() - frame.width() + 1)));
        frame.moveTop(std::max(area.top(), std::min(frame.top(), area.bottom() - frame.height() + 1)));
    }
    window->move(frame.topLeft());
}

void restorePlacement(QWidget* window, const QString& className, ProfileFile& settings, QWidget* mainWindow) {
    if (!window) return;
    const Placement stored = readPlacement(settings, sectionFor(window, className), window->isMaximized());
    if (stored.stored()) {
        const QRect screen = screenRect(window);
        const Placement fitted = restorePlacementRect(stored, screen.width(), screen.height());
        if (fitted.right > fitted.left && fitted.bottom > fitted.top) window->setGeometry(fitted.rect());
    } else {
        centreWindow(window, mainWindow);
    }
    if (stored.maximized) window->setWindowState(window->windowState() | Qt::WindowMaximized);
    savePlacement(window, className, settings);
}

void savePlacement(QWidget* window, const QString& className, ProfileFile& settings) {
    if (!window) return;
    writePlacement(settings, sectionFor(window, className),
                   Placement::fromRect(normalRect(window), window->isMaximized()));
}

}  // namespace brindle::common
