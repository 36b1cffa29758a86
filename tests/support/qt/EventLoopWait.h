#pragma once

#include <QEventLoop>
#include <QTimer>
#include <functional>

// Runs the event loop until `done` holds or `limitMs` has passed; returns whether it holds.
// The limit is only a guard against a hang, never a measurement.
inline bool waitUntil(const std::function<bool()>& done, int limitMs = 20000) {
    if (done()) return true;
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done()) loop.quit();
    });
    poll.start(5);
    QTimer::singleShot(limitMs, &loop, &QEventLoop::quit);
    loop.exec();
    return done();
}
