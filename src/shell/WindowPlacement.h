#pragma once

class QWidget;

namespace tunewalk {

// Keeps `window` above other programs' windows, or lets it go back among them; its place and
// size stay as they are.
void setTopmost(QWidget* window, bool on);
bool isTopmost(const QWidget* window);

// Restores a minimized window, shows it and makes it the active one.
void bringToFront(QWidget* window);

} // namespace tunewalk
