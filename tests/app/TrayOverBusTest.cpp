// The tray icon as a StatusNotifier host sees it: the menu read over com.canonical.dbusmenu and
// "Activate" (the host's single click) bringing the window back.
#include "Form1Fixture.h"

#include "app/window/Icons.h"
#include "shell/QtTrayIcon.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QThread>

namespace tunewalk {
namespace {

const QString Watcher = "org.kde.StatusNotifierWatcher";
const QString Item = "org.kde.StatusNotifierItem";

// The desktop's side: Qt publishes a StatusNotifierItem only while a watcher with a registered
// host is on the bus. It answers Qt's blocking questions, so it runs on a thread of its own.
class StatusNotifierWatcher : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)
public:
    bool hostRegistered() const { return true; }
    int protocolVersion() const { return 0; }
public slots:
    void RegisterStatusNotifierItem(const QString& service) { emit itemRegistered(service); }
    void RegisterStatusNotifierHost(const QString&) {}
signals:
    void itemRegistered(const QString& service);
};

// Reads a dbusmenu layout node, (ia{sv}av), collecting the labels of its items in order.
void collectLabels(const QDBusArgument& node, QStringList* labels) {
    int id = 0;
    QVariantMap properties;
    node.beginStructure();
    node >> id >> properties;
    if (properties.contains("label")) *labels << properties.value("label").toString();
    node.beginArray();
    while (!node.atEnd()) {
        QDBusVariant child;
        node >> child;
        collectLabels(child.variant().value<QDBusArgument>(), labels);
    }
    node.endArray();
    node.endStructure();
}

class TrayOverBus : public Form1Test {
protected:
    void SetUp() override {
        if (!QDBusConnection::sessionBus().isConnected()) GTEST_SKIP() << "no session bus";
        const QString platform = QGuiApplication::platformName();
        if (platform != QLatin1String("xcb") && platform != QLatin1String("wayland"))
            GTEST_SKIP() << "no StatusNotifier tray icons on the " << platform.toStdString()
                         << " platform";
        ASSERT_TRUE(watcherBus.registerObject("/StatusNotifierWatcher", &watcher,
                                              QDBusConnection::ExportAllSlots |
                                                  QDBusConnection::ExportAllProperties));
        if (!watcherBus.registerService(Watcher)) GTEST_SKIP() << "a desktop's watcher runs";
        QObject::connect(&watcher, &StatusNotifierWatcher::itemRegistered, &thread,
                         [this](const QString& service) { itemService = service; });
        watcher.moveToThread(&thread);
        thread.start();
        Form1Test::SetUp();
        writeMp3("a.mp3");
        // Made after the watcher is up: Qt looks for one when the icon is created.
        qtTray = std::make_unique<QtTrayIcon>(Icons::program());
        realTray = qtTray.get();
    }
    void TearDown() override {
        Form1Test::TearDown();
        qtTray.reset();
        watcherBus.unregisterService(Watcher);
        watcherBus.unregisterObject("/StatusNotifierWatcher");
        thread.quit();
        thread.wait();
    }

    QDBusMessage call(const QString& path, const QString& interface, const QString& method,
                      const QVariantList& arguments) {
        auto message = QDBusMessage::createMethodCall(itemService, path, interface, method);
        message.setArguments(arguments);
        QDBusPendingCall pending = QDBusConnection::sessionBus().asyncCall(message);
        EXPECT_TRUE(waitUntil([&] { return pending.isFinished(); })) << method.toStdString();
        return pending.reply();
    }

    QThread thread;
    StatusNotifierWatcher watcher;
    QDBusConnection watcherBus =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, "watcher");
    QString itemService;
    std::unique_ptr<QtTrayIcon> qtTray;
};

TEST_F(TrayOverBus, TheHostReadsTheTrayMenuAndActivateRestoresTheWindow) {
    setSetting("SystemTray", "True");
    start(music());
    form->zoom();
    ASSERT_FALSE(form->isVisible());
    ASSERT_TRUE(waitUntil([&] { return !itemService.isEmpty(); }));

    const QDBusMessage menu =
        call("/StatusNotifierItem", "org.freedesktop.DBus.Properties", "Get", {Item, "Menu"});
    ASSERT_EQ(menu.type(), QDBusMessage::ReplyMessage) << menu.errorMessage().toStdString();
    const QString menuPath =
        menu.arguments().value(0).value<QDBusVariant>().variant().value<QDBusObjectPath>().path();
    ASSERT_NE(menuPath, "/NO_DBUSMENU");

    const QDBusMessage layout =
        call(menuPath, "com.canonical.dbusmenu", "GetLayout", {0, -1, QStringList()});
    ASSERT_EQ(layout.type(), QDBusMessage::ReplyMessage) << layout.errorMessage().toStdString();
    QStringList labels;
    collectLabels(layout.arguments().value(1).value<QDBusArgument>(), &labels);
    // dbusmenu marks the access key with "_" where the menu has "&".
    QStringList expected;
    for (const QAction* action : form->menu("mnuSysTrayPopup")->actions())
        if (!action->isSeparator()) expected << QString(action->text()).replace('&', '_');
    EXPECT_EQ(labels, expected);
    EXPECT_TRUE(expected.contains("Show _Window"));

    const QDBusMessage activate = call("/StatusNotifierItem", Item, "Activate", {0, 0});
    ASSERT_EQ(activate.type(), QDBusMessage::ReplyMessage);
    EXPECT_TRUE(waitUntil([&] { return form->isVisible(); }));
    EXPECT_FALSE(qtTray->isVisible());
}

} // namespace
} // namespace tunewalk

#include "TrayOverBusTest.moc"
