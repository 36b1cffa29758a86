#pragma once

#include <QObject>
#include <QString>

class QMenu;

namespace tunewalk {

// The program's icon in the desktop's notification area. A click or a double-click asks for the
// window back (StatusNotifier hosts only ever send the single click, as "Activate"); the
// context click shows the tray menu, which the desktop handles itself.
class TrayIcon : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~TrayIcon() override = default;

    // False when the desktop has no notification area: the icon could never be clicked.
    virtual bool isAvailable() const = 0;
    virtual void show() = 0;
    virtual void hide() = 0;
    virtual bool isVisible() const = 0;
    virtual void setToolTip(const QString& tip) = 0;
    virtual QString toolTip() const = 0;
    // The menu the desktop shows for the icon; StatusNotifier hosts read it over D-Bus.
    virtual void setMenu(QMenu* menu) = 0;

signals:
    void restoreRequested();
};

} // namespace tunewalk
