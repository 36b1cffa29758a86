#pragma once

#include "app/playback/MediaPlayer.h"

#include <QList>
#include <QObject>
#include <QString>
#include <thread>

typedef struct _GstBus GstBus;
typedef struct _GstDevice GstDevice;
typedef struct _GstDeviceMonitor GstDeviceMonitor;
typedef struct _GstElement GstElement;
typedef struct _GstMessage GstMessage;

namespace tunewalk {

// The audio outputs the desktop offers, as GStreamer's device monitor sees them, kept up to
// date while the program runs (a USB headset plugged in or pulled out).
//
// The list fills a moment after construction: the monitor is started on a thread of its own,
// because connecting to a sound server that does not answer must not hold up the window. With
// no sound server at all the list stays empty.
class GstOutputs : public QObject {
    Q_OBJECT
public:
    explicit GstOutputs(QObject* parent = nullptr);
    ~GstOutputs() override;

    // In the order the monitor found them. An id names the same device in every run of the
    // program: the sound server's name for it, never a pointer or a place in the list.
    QList<MediaPlayer::Output> list() const;
    // The device's display name; empty when it is not offered.
    QString nameOf(const QString& id) const;
    // A new sink element that plays into the device (a floating reference, for the caller to
    // own); nullptr when the device is not offered now.
    GstElement* createSink(const QString& id) const;
    // The monitor has been started (or found nothing to start): list() is what is offered.
    bool ready() const { return m_ready; }

signals:
    // The list changed: its first filling, a device added or removed.
    void changed();
    void removed(const QString& id, const QString& name);

private:
    struct Device {
        QString id, name;
        GstDevice* device = nullptr; // owned reference
    };
    static int onBusMessage(GstBus* bus, GstMessage* message, void* self);
    void add(GstDevice* device);
    void remove(GstDevice* device);
    void takeStartedList();

    GstDeviceMonitor* m_monitor = nullptr;
    std::thread m_starter;
    QList<Device> m_devices;
    bool m_ready = false;
};

} // namespace tunewalk
