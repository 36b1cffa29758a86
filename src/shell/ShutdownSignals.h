#pragma once

#include <QObject>

namespace tunewalk {

// Turns SIGTERM and SIGINT into a Qt signal delivered through the event loop, so `kill` or
// Ctrl+C closes the window the normal way (and its layout is saved) instead of ending the
// process in the middle of whatever it was doing.
class ShutdownSignals : public QObject {
    Q_OBJECT
public:
    explicit ShutdownSignals(QObject* parent = nullptr);
    ~ShutdownSignals() override;

signals:
    void shutdownRequested();
};

} // namespace tunewalk
