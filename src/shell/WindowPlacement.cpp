#include "shell/WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>

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

QRect availableArea(const QWidget* window, QPoint point) {
    QScreen* screen = QGuiApplication::screenAt(point);
    if (!screen && window) screen = window->screen();
    if (!screen) screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

QRect fitToArea(QRect frame, const QRect& area) {
    if (area.isEmpty()) return frame;
    frame.setSize(frame.size().boundedTo(area.size()).expandedTo(QSize(1, 1)));
    frame.moveTo(std::clamp(frame.left(), area.left(), area.right() + 1 - frame.width()),
                 std::clamp(frame.top(), area.top(), area.bottom() + 1 - frame.height()));
    return frame;
}

} // namespace tunewalk
