// The desktop's file manager over the session bus: its properties sheet, and an item shown
// selected in its folder.
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

// Calls `method` with the item's URI; false when there is no file manager to call.
bool askFileManager(const QString& method, const QString& path, std::function<void()> otherwise) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface() || !fileManagerOnBus(bus.interface())) return false;
    QDBusMessage call = QDBusMessage::createMethodCall(
        FileManager, QStringLiteral("/org/freedesktop/FileManager1"), FileManager, method);
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

} // namespace

bool showPropertiesOnDesktop(const QString& path, std::function<void()> otherwise) {
    return askFileManager(QStringLiteral("ShowItemProperties"), path, std::move(otherwise));
}

bool showItemOnDesktop(const QString& path, std::function<void()> otherwise) {
    return askFileManager(QStringLiteral("ShowItems"), path, std::move(otherwise));
}

} // namespace tunewalk
