#pragma once

#include "shell/TrayIcon.h"

namespace tunewalk {

// A notification-area icon that only remembers what it was told; tests emit its signals.
class FakeTrayIcon : public TrayIcon {
    Q_OBJECT
public:
    using TrayIcon::TrayIcon;

    bool isAvailable() const override { return available; }
    void show() override { visible = true; }
    void hide() override { visible = false; }
    bool isVisible() const override { return visible; }
    void setToolTip(const QString& tip) override { tipText = tip; }
    QString toolTip() const override { return tipText; }
    void setMenu(QMenu* m) override { menu = m; }

    bool available = true;
    bool visible = false;
    QString tipText;
    QMenu* menu = nullptr;
};

} // namespace tunewalk
