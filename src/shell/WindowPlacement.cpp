#include "shell/WindowPlacement.h"

#include <QWidget>

namespace tunewalk {

void setTopmost(QWidget* window, bool on) {
    if (!window || isTopmost(window) == on) return;
    // Changing a window's flags re-creates its native window, which hides it (on X11 it may also
    // land somewhere else): put it back where it was, as it was.
    const bool wasVisible = window->isVisible();
    const QRect geometry = window->geometry();
    const Qt::WindowStates state = window->windowState();
    window->setWindowFlag(Qt::WindowStaysOnTopHint, on);
    window->setGeometry(geometry);
    window->setWindowState(state);
    if (wasVisible) window->show();
}

bool isTopmost(const QWidget* window) {
    return window && window->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
}

void bringToFront(QWidget* window) {
    if (!window) return;
    // Clearing only the minimized bit brings a maximized window back maximized.
    if (window->isMinimized()) window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace tunewalk
