#pragma once

#include "shell/TrayIcon.h"

#include <QIcon>

class QSystemTrayIcon;

namespace tunewalk {

// TrayIcon on QSystemTrayIcon.
class QtTrayIcon : public TrayIcon {
    Q_OBJECT
public:
    explicit QtTrayIcon(const QIcon& icon, QObject* parent = nullptr);

    bool isAvailable() const override;
    void show() override;
    void hide() override;
    bool isVisible() const override;
    void setToolTip(const QString& tip) override;
    QString toolTip() const override;
    void setMenu(QMenu* menu) override;

private:
    QSystemTrayIcon* m_icon;
};

} // namespace tunewalk
