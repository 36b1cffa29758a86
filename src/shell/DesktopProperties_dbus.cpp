// The properties sheet of the desktop's file manager, over the session bus.
#include "shell/DesktopProperties.h"

#include "common/NativePath.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusReply>
#include <QUrl>

namespace tunewalk {

namespace {

const QString FileManager = QStringLiteral("org.freedesktop.FileManager1");

// Running now, or one the bus starts on the first call.
bool fileManagerOnBus(QDBusConnectionInterface* bus) {
    const QDBusReply<bool> running = bus->isServiceRegistered(FileManager);
    if (running.isValid() && running.value()) return true;
    const QDBusReply<QStringList> startable = bus->activatableServiceNames();
    return startable.isValid() && startable.value().contains(FileManager);
}

} // namespace

bool showPropertiesOnDesktop(const QString& path, std::function<void()> otherwise) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface() || !fileManagerOnBus(bus.interface())) return false;
    QDBusMessage call =
        QDBusMessage::createMethodCall(FileManager, QStringLiteral("/org/freedesktop/FileManager1"),
                                       FileManager, QStringLiteral("ShowItemProperties"));
    // An empty startup id: the program does not use startup notification.
    call << QStringList{fileUrl(path).toString(QUrl::FullyEncoded)} << QString();
    // Asynchronous: a file manager that is still starting must not hold up the window.
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [watcher, otherwise = std::move(otherwise)] {
                         if (watcher->isError() && otherwise) otherwise();
                         watcher->deleteLater();
                     });
    return true;
}

} // namespace tunewalk
