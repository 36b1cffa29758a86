#pragma once

#include <QObject>
#include <QPoint>
#include <QString>

namespace tunewalk {

// The program's icon in the desktop's notification area. A double-click asks for the window
// back; a context click asks for the tray menu at the pointer. A single left click does nothing.
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

signals:
    void restoreRequested();
    void menuRequested(QPoint globalPos);
};

} // namespace tunewalk
