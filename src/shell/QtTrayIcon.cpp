#include "shell/QtTrayIcon.h"

#include <QCursor>
#include <QSystemTrayIcon>

namespace tunewalk {

QtTrayIcon::QtTrayIcon(const QIcon& icon, QObject* parent)
    : TrayIcon(parent), m_icon(new QSystemTrayIcon(icon, this)) {
    // No setContextMenu: the window pops its own tray menu on menuRequested, so the menu is the
    // same one whichever way the desktop reports the click.
    connect(m_icon, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                switch (reason) {
                case QSystemTrayIcon::DoubleClick:
                    emit restoreRequested();
                    break;
                case QSystemTrayIcon::Context:
                    emit menuRequested(QCursor::pos());
                    break;
                default:
                    break; // a single click does nothing
                }
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

} // namespace tunewalk
