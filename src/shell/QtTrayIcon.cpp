#include "shell/QtTrayIcon.h"

#include <QSystemTrayIcon>

namespace tunewalk {

QtTrayIcon::QtTrayIcon(const QIcon& icon, QObject* parent)
    : TrayIcon(parent), m_icon(new QSystemTrayIcon(icon, this)) {
    connect(m_icon, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                // Trigger is a left click, or a StatusNotifier host's "Activate".
                if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
                    emit restoreRequested();
            });
}

bool QtTrayIcon::isAvailable() const {
    return QSystemTrayIcon::isSystemTrayAvailable();
}
void QtTrayIcon::show() {
    m_icon->show();
}
void QtTrayIcon::hide() {
    m_icon->hide();
}
bool QtTrayIcon::isVisible() const {
    return m_icon->isVisible();
}
void QtTrayIcon::setToolTip(const QString& tip) {
    m_icon->setToolTip(tip);
}
QString QtTrayIcon::toolTip() const {
    return m_icon->toolTip();
}
void QtTrayIcon::setMenu(QMenu* menu) {
    // As the context menu Qt shows it on a right click itself and publishes it to
    // StatusNotifier hosts, which show no other menu.
    m_icon->setContextMenu(menu);
}

} // namespace tunewalk
