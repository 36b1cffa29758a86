// Platforms without a desktop media-player service: the controls stay silent.
#include "shell/DesktopMediaControls.h"

namespace tunewalk {

struct DesktopMediaControls::Private {};

DesktopMediaControls::DesktopMediaControls(QObject* parent) : QObject(parent), d(nullptr) {}
DesktopMediaControls::~DesktopMediaControls() = default;
bool DesktopMediaControls::start() {
    return false;
}
bool DesktopMediaControls::isRegistered() const {
    return false;
}
QString DesktopMediaControls::serviceName() const {
    return {};
}
void DesktopMediaControls::publish(const NowPlaying&) {}
void DesktopMediaControls::setPositionSource(std::function<qint64()>) {}

} // namespace tunewalk
