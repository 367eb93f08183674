#include "common/ui/Placement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

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
    if (mainWindow && mainWindow != window && !mainWindow->isMaximized()) over = mainWindow->frameGeometry();
    else over = screenRect(mainWindow && mainWindow != window ? mainWindow : window);
    window->move(centredTopLeft(over, size));
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
