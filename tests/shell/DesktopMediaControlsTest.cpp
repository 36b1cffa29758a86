#include "shell/DesktopMediaControls.h"

#include "EventLoopWait.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <utility>

using tunewalk::NowPlaying;

namespace {

const QString kPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString kRoot = QStringLiteral("org.mpris.MediaPlayer2");
const QString kPlayer = QStringLiteral("org.mpris.MediaPlayer2.Player");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
const QString kNoTrack = QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack");

// Collects PropertiesChanged from this process's own bus connection, whatever else is on the bus.
class ChangeRecorder : public QObject {
    Q_OBJECT
public:
    QList<QVariantMap> changes;
public slots:
    void propertiesChanged(const QString& interface, const QVariantMap& changed,
                           const QStringList& invalidated, const QDBusMessage& message) {
        if (message.service() != QDBusConnection::sessionBus().baseService()) return;
        EXPECT_EQ(interface, kPlayer);
        EXPECT_TRUE(invalidated.isEmpty());
        changes.append(changed);
    }
};

NowPlaying song(const QString& path, NowPlaying::Status status = NowPlaying::Status::Playing) {
    NowPlaying now{.status = status,
                   .path = path,
                   .title = "Walking Tune",
                   .artist = "The Walkers",
                   .album = "Walks",
                   .albumArtist = "Various",
                   .trackNumber = 4,
                   .artUrl = "file:///cache/covers/c%201.jpg"};
    now.lengthMicroseconds = 10'000'000;
    now.canPlay = now.canPause = now.canGoNext = now.canSeek = true;
    return now;
}

// Maps arriving as QDBusArgument are checked for their wire type before they are read.
QVariantMap asMap(const QVariant& value) {
    const auto argument = value.value<QDBusArgument>();
    EXPECT_EQ(argument.currentSignature(), QStringLiteral("a{sv}"));
    return qdbus_cast<QVariantMap>(argument);
}

class DesktopMediaControlsOnBus : public ::testing::Test {
protected:
    void SetUp() override {
        if (!QDBusConnection::sessionBus().isConnected()) GTEST_SKIP() << "no session bus";
        ASSERT_TRUE(client.isConnected());
        using Controls = tunewalk::DesktopMediaControls;
        const std::pair<const char*, void (Controls::*)()> requests[] = {
            {"raise", &Controls::raiseRequested}, {"quit", &Controls::quitRequested},
            {"next", &Controls::nextRequested},   {"previous", &Controls::previousRequested},
            {"pause", &Controls::pauseRequested}, {"playpause", &Controls::playPauseRequested},
            {"stop", &Controls::stopRequested},   {"play", &Controls::playRequested}};
        for (const auto& request : requests)
            QObject::connect(controls.get(), request.second,
                             [this, name = request.first] { log << name; });
        const auto logged = [this](const char* what) {
            return
                [this, what](auto value) { log << QStringLiteral("%1 %2").arg(what).arg(value); };
        };
        QObject::connect(controls.get(), &Controls::seekRequested, logged("seek"));
        QObject::connect(controls.get(), &Controls::setPositionRequested, logged("position"));
        QObject::connect(controls.get(), &Controls::volumeRequested, logged("volume"));
    }

    QDBusMessage call(const QString& interface, const QString& method,
                      const QVariantList& arguments = {}) {
        auto message =
            QDBusMessage::createMethodCall(controls->serviceName(), kPath, interface, method);
        message.setArguments(arguments);
        // Asynchronous: the service answers from this very thread's event loop.
        QDBusPendingCall pending = client.asyncCall(message);
        EXPECT_TRUE(waitUntil([&] { return pending.isFinished(); }));
        EXPECT_EQ(pending.reply().type(), QDBusMessage::ReplyMessage)
            << method.toStdString() << ": " << pending.reply().errorMessage().toStdString();
        return pending.reply();
    }
    QVariantMap properties(const QString& interface) {
        return asMap(call(kProperties, QStringLiteral("GetAll"), {interface}).arguments().value(0));
    }
    QString trackId() {
        const QVariant id = asMap(properties(kPlayer).value("Metadata")).value("mpris:trackid");
        return id.value<QDBusObjectPath>().path();
    }

    QDBusConnection client = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "client");
    std::unique_ptr<tunewalk::DesktopMediaControls> controls =
        std::make_unique<tunewalk::DesktopMediaControls>();
    QStringList log;
};

TEST_F(DesktopMediaControlsOnBus, RegistersUnderTheMprisNameOrItsInstanceName) {
    const QString plain = "org.mpris.MediaPlayer2.tunewalk",
                  instance =
                      plain + ".instance" + QString::number(QCoreApplication::applicationPid());
    ASSERT_TRUE(controls->start());
    EXPECT_TRUE(controls->start() && controls->isRegistered()) << "starting twice changes nothing";
    // Another copy on the same desktop may hold the plain name already.
    EXPECT_TRUE(controls->serviceName() == plain || controls->serviceName() == instance)
        << controls->serviceName().toStdString();
    EXPECT_TRUE(client.interface()->isServiceRegistered(controls->serviceName()));
    // Desktops find the player's icon and name by the installed entry's file name.
    EXPECT_EQ(properties(kRoot).value("DesktopEntry").toString(), "org.tunewalk.Tunewalk");

    const QString first = controls->serviceName();
    {
        tunewalk::DesktopMediaControls second;
        EXPECT_FALSE(second.start()) << "one player per connection";
    }
    controls = std::make_unique<tunewalk::DesktopMediaControls>();
    EXPECT_FALSE(client.interface()->isServiceRegistered(first)) << "the name is given back";

    const bool clientHoldsPlain = client.registerService(plain);
    ASSERT_TRUE(controls->start());
    EXPECT_EQ(controls->serviceName(), instance) << "the plain name is taken";
    if (clientHoldsPlain) client.unregisterService(plain);
}

TEST_F(DesktopMediaControlsOnBus, MethodsBecomeRequests) {
    ASSERT_TRUE(controls->start());
    const auto volume = [](double v) { return QVariant::fromValue(QDBusVariant(v)); };
    const std::tuple<QString, QString, QVariantList, QString> cases[] = {
        {kRoot, "Raise", {}, "raise"},
        {kRoot, "Quit", {}, "quit"},
        {kPlayer, "Next", {}, "next"},
        {kPlayer, "Previous", {}, "previous"},
        {kPlayer, "Pause", {}, "pause"},
        {kPlayer, "PlayPause", {}, "playpause"},
        {kPlayer, "Stop", {}, "stop"},
        {kPlayer, "Play", {}, "play"},
        {kPlayer, "Seek", {qlonglong(-5'000'000)}, "seek -5000000"},
        {kProperties, "Set", {kPlayer, "Volume", volume(0.25)}, "volume 0.25"},
        {kProperties, "Set", {kPlayer, "Volume", volume(-1.0)}, "volume 0"},
        {kPlayer, "OpenUri", {QStringLiteral("file:///tmp/elsewhere.mp3")}, ""},
    };
    for (const auto& [interface, method, arguments, request] : cases) {
        log.clear();
        call(interface, method, arguments);
        EXPECT_EQ(log.join(','), request) << method.toStdString();
    }
}

TEST_F(DesktopMediaControlsOnBus, PropertiesShowWhatWasPublishedAndSignalsCarryOnlyChanges) {
    ASSERT_TRUE(controls->start());
    ChangeRecorder recorder;
    ASSERT_TRUE(
        client.connect({}, kPath, kProperties, "PropertiesChanged", &recorder,
                       SLOT(propertiesChanged(QString, QVariantMap, QStringList, QDBusMessage))));
    // A round trip through the bus makes sure the match rule is in place.
    client.interface()->isServiceRegistered(controls->serviceName());
    const auto next = [&] {
        const qsizetype seen = recorder.changes.size();
        EXPECT_TRUE(waitUntil([&] { return recorder.changes.size() > seen; }));
        return recorder.changes.value(seen);
    };
    controls->setPositionSource([] { return qint64(1'234'567); });
    auto now = song("/music/My Songs/Walk.mp3");
    now.canSeek = false;
    now.canGoPrevious = true;
    controls->publish(now);
    EXPECT_EQ(next().keys(), (QStringList{"CanGoNext", "CanGoPrevious", "CanPause", "CanPlay",
                                          "Metadata", "PlaybackStatus"}));
    QVariantMap player = properties(kPlayer);
    QVariantList shown;
    for (const char* key :
         {"PlaybackStatus", "CanGoNext", "CanGoPrevious", "CanPlay", "CanPause", "CanSeek"})
        shown << player.value(key);
    EXPECT_EQ(shown, (QVariantList{"Playing", true, true, true, true, false}));
    EXPECT_EQ(player.value("Position").metaType(), QMetaType::fromType<qlonglong>());
    EXPECT_EQ(player.value("Position"), qlonglong(1'234'567));
    QVariantMap metadata = asMap(player.value("Metadata"));
    EXPECT_EQ(metadata.value("mpris:trackid").metaType(), QMetaType::fromType<QDBusObjectPath>());
    EXPECT_NE(metadata.value("mpris:trackid").value<QDBusObjectPath>().path(), kNoTrack);
    EXPECT_EQ(metadata.value("mpris:length").metaType(), QMetaType::fromType<qlonglong>());
    EXPECT_EQ(metadata.value("mpris:length"), qlonglong(10'000'000));
    EXPECT_EQ(metadata.value("xesam:title"), QStringLiteral("Walking Tune"));
    EXPECT_EQ(metadata.value("xesam:artist"), QStringList{"The Walkers"});
    EXPECT_EQ(metadata.value("xesam:url"), QStringLiteral("file:///music/My%20Songs/Walk.mp3"));
    EXPECT_EQ(metadata.value("xesam:album"), QStringLiteral("Walks"));
    EXPECT_EQ(metadata.value("xesam:albumArtist"), QStringList{"Various"});
    EXPECT_EQ(metadata.value("xesam:trackNumber").metaType(), QMetaType::fromType<int>());
    EXPECT_EQ(metadata.value("xesam:trackNumber"), 4);
    EXPECT_EQ(metadata.value("mpris:artUrl"), QStringLiteral("file:///cache/covers/c%201.jpg"));

    controls->publish(now); // unchanged: nothing is sent, so the next signal is the pause
    now.status = NowPlaying::Status::Paused;
    controls->publish(now);
    EXPECT_EQ(next(), (QVariantMap{{"PlaybackStatus", "Paused"}}));
    now.volume = 0.25;
    now.canGoNext = false;
    controls->publish(now);
    EXPECT_EQ(next(), (QVariantMap{{"CanGoNext", false}, {"Volume", 0.25}}));
    now.path = "/music/b.mp3";
    now.artist.clear();
    now.lengthMicroseconds = 0;
    now.album.clear();
    now.albumArtist.clear();
    now.trackNumber = 0;
    now.artUrl.clear();
    controls->publish(now);
    const QVariantMap moved = next();
    EXPECT_EQ(moved.keys(), QStringList{"Metadata"});
    EXPECT_EQ(asMap(moved.value("Metadata")).keys(),
              (QStringList{"mpris:trackid", "xesam:title", "xesam:url"}));

    controls->publish(NowPlaying{});
    player = properties(kPlayer);
    EXPECT_EQ(player.value("PlaybackStatus"), QStringLiteral("Stopped"));
    metadata = asMap(player.value("Metadata"));
    EXPECT_EQ(metadata.keys(), QStringList{"mpris:trackid"}) << "nothing loaded";
    EXPECT_EQ(metadata.value("mpris:trackid").value<QDBusObjectPath>().path(), kNoTrack);
    controls->setPositionSource({});
    EXPECT_EQ(properties(kPlayer).value("Position"), qlonglong(0));
    client.disconnect({}, kPath, kProperties, "PropertiesChanged", &recorder,
                      SLOT(propertiesChanged(QString, QVariantMap, QStringList, QDBusMessage)));
}

TEST_F(DesktopMediaControlsOnBus, SetPositionOnlyForTheCurrentTrack) {
    ASSERT_TRUE(controls->start());
    controls->publish(song("/music/a.mp3"));
    const QString first = trackId();
    controls->publish(song("/music/a.mp3", NowPlaying::Status::Paused));
    EXPECT_EQ(trackId(), first) << "same file, same id";
    const auto setPosition = [&](const QString& id, qlonglong us) {
        call(kPlayer, "SetPosition", {QVariant::fromValue(QDBusObjectPath(id)), us});
    };
    setPosition(first, 2'000'000);
    controls->publish(song("/music/b.mp3"));
    const QString second = trackId();
    EXPECT_NE(second, first);
    setPosition(first, 3'000'000);
    setPosition(second, -1);
    setPosition(second, 10'000'001);
    setPosition(kNoTrack, 1);
    setPosition(second, 4'000'000);
    EXPECT_EQ(log, (QStringList{"position 2000000", "position 4000000"}));
    controls->publish(song("/music/a.mp3"));
    EXPECT_NE(trackId(), first) << "a file loaded again is a new track";
}

// Without a bus the controls give up quietly: checked in a child process whose bus address
// leads nowhere.
TEST(DesktopMediaControls, WithoutASessionBusStaysQuiet) {
    if (qEnvironmentVariableIsSet("TUNEWALK_DEAD_BUS_CHILD")) {
        tunewalk::DesktopMediaControls controls;
        controls.publish(song("/music/a.mp3"));
        EXPECT_FALSE(controls.start());
        EXPECT_TRUE(controls.serviceName().isEmpty());
        controls.setPositionSource([] { return qint64(5); });
        controls.publish(NowPlaying{});
        return;
    }
    QTemporaryDir dir;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + dir.filePath("no-bus"));
    environment.insert("TUNEWALK_DEAD_BUS_CHILD", "1");
    QProcess child;
    child.setProcessEnvironment(environment);
    child.start(QCoreApplication::applicationFilePath(),
                {"--gtest_filter=DesktopMediaControls.WithoutASessionBusStaysQuiet"});
    ASSERT_TRUE(waitUntil([&] { return child.state() == QProcess::NotRunning; }));
    const QString out = child.readAllStandardOutput(), err = child.readAllStandardError();
    EXPECT_EQ(child.exitCode(), 0) << out.toStdString() << err.toStdString();
    EXPECT_TRUE(out.contains("[  PASSED  ] 1 test.")) << out.toStdString();
    EXPECT_FALSE(err.contains("dbus", Qt::CaseInsensitive)) << err.toStdString();
}

} // namespace

#include "DesktopMediaControlsTest.moc"
