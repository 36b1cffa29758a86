// The desktop's media controls on Linux: an MPRIS player on the session bus.
#include "shell/DesktopMediaControls.h"

#include "common/NativePath.h"
#include "shell/MprisAdaptors.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QFileInfo>
#include <QUrl>
#include <algorithm>
#include <cmath>
#include <utility>

namespace tunewalk {

namespace mpris {

QString playbackStatusOf(const PlayerState& state) {
    switch (state.now.status) {
    case NowPlaying::Status::Playing:
        return QStringLiteral("Playing");
    case NowPlaying::Status::Paused:
        return QStringLiteral("Paused");
    case NowPlaying::Status::Stopped:
        break;
    }
    return QStringLiteral("Stopped");
}

QVariantMap metadataOf(const PlayerState& state) {
    QVariantMap metadata;
    metadata.insert(QStringLiteral("mpris:trackid"), QVariant::fromValue(state.trackId));
    const NowPlaying& now = state.now;
    if (now.path.isEmpty()) return metadata;
    if (now.lengthMicroseconds > 0)
        metadata.insert(QStringLiteral("mpris:length"), qlonglong(now.lengthMicroseconds));
    // A panel with an empty line is no use; the file name is what the list shows anyway.
    metadata.insert(QStringLiteral("xesam:title"),
                    now.title.isEmpty() ? displayPath(QFileInfo(now.path).completeBaseName())
                                        : now.title);
    if (!now.artist.isEmpty())
        metadata.insert(QStringLiteral("xesam:artist"), QStringList{now.artist});
    if (!now.album.isEmpty()) metadata.insert(QStringLiteral("xesam:album"), now.album);
    if (!now.albumArtist.isEmpty())
        metadata.insert(QStringLiteral("xesam:albumArtist"), QStringList{now.albumArtist});
    if (now.trackNumber > 0) metadata.insert(QStringLiteral("xesam:trackNumber"), now.trackNumber);
    if (!now.artUrl.isEmpty()) metadata.insert(QStringLiteral("mpris:artUrl"), now.artUrl);
    metadata.insert(QStringLiteral("xesam:url"), fileUrl(now.path).toString(QUrl::FullyEncoded));
    return metadata;
}

QVariantMap announcedPropertiesOf(const PlayerState& state) {
    const NowPlaying& now = state.now;
    return {
        {QStringLiteral("PlaybackStatus"), playbackStatusOf(state)},
        {QStringLiteral("Metadata"), metadataOf(state)},
        {QStringLiteral("Volume"), now.volume},
        {QStringLiteral("CanGoNext"), now.canGoNext},
        {QStringLiteral("CanGoPrevious"), now.canGoPrevious},
        {QStringLiteral("CanPlay"), now.canPlay},
        {QStringLiteral("CanPause"), now.canPause},
        {QStringLiteral("CanSeek"), now.canSeek},
    };
}

RootAdaptor::RootAdaptor(DesktopMediaControls* controls)
    : QDBusAbstractAdaptor(controls), controls_(controls) {}

QString RootAdaptor::identity() const {
    return QStringLiteral("Tunewalk");
}
QString RootAdaptor::desktopEntry() const {
    // The installed desktop entry's name, without ".desktop".
    return QStringLiteral("org.tunewalk.Tunewalk");
}
QStringList RootAdaptor::supportedUriSchemes() const {
    return {QStringLiteral("file")};
}
QStringList RootAdaptor::supportedMimeTypes() const {
    return {QStringLiteral("audio/mpeg"), QStringLiteral("audio/x-wav"),
            QStringLiteral("audio/wav")};
}
void RootAdaptor::Raise() {
    emit controls_->raiseRequested();
}
void RootAdaptor::Quit() {
    emit controls_->quitRequested();
}

PlayerAdaptor::PlayerAdaptor(DesktopMediaControls* controls, const PlayerState* state)
    : QDBusAbstractAdaptor(controls), controls_(controls), state_(state) {}

QString PlayerAdaptor::loopStatus() const {
    return QStringLiteral("None");
}
void PlayerAdaptor::setVolume(double volume) {
    if (!std::isfinite(volume)) return;
    // Negative means silent; the player has no gain above full.
    emit controls_->volumeRequested(std::clamp(volume, 0.0, 1.0));
}
qlonglong PlayerAdaptor::position() const {
    return state_->position ? state_->position() : 0;
}
void PlayerAdaptor::Next() {
    emit controls_->nextRequested();
}
void PlayerAdaptor::Previous() {
    emit controls_->previousRequested();
}
void PlayerAdaptor::Pause() {
    emit controls_->pauseRequested();
}
void PlayerAdaptor::PlayPause() {
    emit controls_->playPauseRequested();
}
void PlayerAdaptor::Stop() {
    emit controls_->stopRequested();
}
void PlayerAdaptor::Play() {
    emit controls_->playRequested();
}
void PlayerAdaptor::Seek(qlonglong Offset) {
    emit controls_->seekRequested(Offset);
}
void PlayerAdaptor::SetPosition(const QDBusObjectPath& TrackId, qlonglong Position) {
    // A request about a track that has since been replaced would jump in the wrong file.
    if (TrackId != state_->trackId || TrackId.path() == QLatin1String(kNoTrack)) return;
    if (Position < 0) return;
    const qint64 length = state_->now.lengthMicroseconds;
    if (length > 0 && Position > length) return;
    emit controls_->setPositionRequested(Position);
}
void PlayerAdaptor::OpenUri(const QString&) {
    // The program plays folders, not single addresses handed in from outside.
}

} // namespace mpris

struct DesktopMediaControls::Private {
    mpris::PlayerState state;
    quint64 tracksLoaded = 0;
    QString serviceName; // empty while not registered
    bool adaptorsMade = false;
};

DesktopMediaControls::DesktopMediaControls(QObject* parent) : QObject(parent), d(new Private) {}

DesktopMediaControls::~DesktopMediaControls() {
    if (isRegistered()) {
        QDBusConnection bus = QDBusConnection::sessionBus();
        bus.unregisterService(d->serviceName);
        bus.unregisterObject(QString::fromLatin1(mpris::kObjectPath));
    }
    delete d;
}

bool DesktopMediaControls::start() {
    if (isRegistered()) return true;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return false;
    if (!d->adaptorsMade) {
        new mpris::RootAdaptor(this);
        new mpris::PlayerAdaptor(this, &d->state);
        d->adaptorsMade = true;
    }
    const QString path = QString::fromLatin1(mpris::kObjectPath);
    if (!bus.registerObject(path, this, QDBusConnection::ExportAdaptors)) return false;
    // A second copy of the program (or another user of the name) gets the instance name.
    const QString name = QStringLiteral("org.mpris.MediaPlayer2.tunewalk");
    for (const QString& candidate :
         {name, name + QStringLiteral(".instance") +
                    QString::number(QCoreApplication::applicationPid())}) {
        if (bus.registerService(candidate)) {
            d->serviceName = candidate;
            return true;
        }
    }
    bus.unregisterObject(path);
    return false;
}

bool DesktopMediaControls::isRegistered() const {
    return !d->serviceName.isEmpty();
}

QString DesktopMediaControls::serviceName() const {
    return d->serviceName;
}

void DesktopMediaControls::publish(const NowPlaying& now) {
    const QVariantMap before = mpris::announcedPropertiesOf(d->state);
    if (now.path != d->state.now.path) {
        d->state.trackId = QDBusObjectPath(
            now.path.isEmpty() ? QString::fromLatin1(mpris::kNoTrack)
                               : QStringLiteral("/org/tunewalk/Track/%1").arg(++d->tracksLoaded));
    }
    d->state.now = now;
    if (!isRegistered()) return;

    const QVariantMap after = mpris::announcedPropertiesOf(d->state);
    QVariantMap changed;
    for (auto it = after.cbegin(); it != after.cend(); ++it) {
        if (before.value(it.key()) != it.value()) changed.insert(it.key(), it.value());
    }
    if (changed.isEmpty()) return;
    QDBusMessage signal = QDBusMessage::createSignal(
        QString::fromLatin1(mpris::kObjectPath), QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("PropertiesChanged"));
    signal << QString::fromLatin1(mpris::kPlayerInterface) << changed << QStringList();
    QDBusConnection::sessionBus().send(signal);
}

void DesktopMediaControls::setPositionSource(std::function<qint64()> source) {
    d->state.position = std::move(source);
}

} // namespace tunewalk
