#pragma once

#include <QPoint>
#include <QRect>

class QWidget;

namespace tunewalk {

// Keeps `window` above other programs' windows, or lets it go back among them; its place and
// size stay as they are.
void setTopmost(QWidget* window, bool on);
bool isTopmost(const QWidget* window);

// Restores a minimized window, shows it and makes it the active one.
void bringToFront(QWidget* window);

// The available area (the screen less the desktop's panels) of the screen under `point`, or of
// `window`'s own screen when no screen is there.
QRect availableArea(const QWidget* window, QPoint point);

// A saved window frame made safe to apply: no larger than `area`, and moved wholly into it, so
// that neither its title bar nor its controls at the edges are off the screen.
QRect fitToArea(QRect frame, const QRect& area);

} // namespace tunewalk
