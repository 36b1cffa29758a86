#include "app/playback/GstOutputs.h"
#include "app/playback/GstElements.h"

#include <QMetaObject>
#include <gst/gst.h>
#include <memory>

namespace tunewalk {

namespace {

QString takeText(gchar* text) {
    const QString out = QString::fromUtf8(text ? text : "");
    g_free(text);
    return out;
}

QString textProperty(GstStructure* properties, const char* key) {
    const gchar* value = properties ? gst_structure_get_string(properties, key) : nullptr;
    return QString::fromUtf8(value ? value : "");
}

// "pulse", "pipewire", "alsa": the device's kind by its type, so that two sound servers'
// devices of the same name stay apart.
QString kindOf(GstDevice* device) {
    QString kind = QString::fromLatin1(G_OBJECT_TYPE_NAME(device));
    if (kind.startsWith(QLatin1String("Gst"))) kind.remove(0, 3);
    if (kind.endsWith(QLatin1String("Device"))) kind.chop(6);
    return kind.toLower();
}

// The sound server's own name for the device, which it keeps across restarts; the display
// name only as the last resort (it is stable too, but a user may rename a device).
QString stableId(GstDevice* device) {
    QString name;
    if (g_object_class_find_property(G_OBJECT_GET_CLASS(device), "internal-name")) {
        gchar* internal = nullptr;
        g_object_get(device, "internal-name", &internal, nullptr);
        name = takeText(internal);
    }
    GstStructure* properties = gst_device_get_properties(device);
    for (const char* key : {"node.name", "device.string", "api.alsa.path", "object.path"})
        if (name.isEmpty()) name = textProperty(properties, key);
    if (properties) gst_structure_free(properties);
    if (name.isEmpty()) name = takeText(gst_device_get_display_name(device));
    return kindOf(device) + QLatin1Char(':') + name;
}

} // namespace

GstOutputs::GstOutputs(QObject* parent) : QObject(parent) {
    startGstreamer();
    m_monitor = gst_device_monitor_new();
    gst_device_monitor_add_filter(m_monitor, "Audio/Sink", nullptr);
    // The monitor's messages come on the providers' threads, and this program runs no GLib
    // main loop: each is taken as it is posted and handed to this object's thread.
    GstBus* bus = gst_device_monitor_get_bus(m_monitor);
    gst_bus_set_sync_handler(
        bus,
        [](GstBus* b, GstMessage* m, gpointer self) {
            return static_cast<GstBusSyncReply>(onBusMessage(b, m, self));
        },
        this, nullptr);
    gst_object_unref(bus);
    m_starter = std::thread([this] {
        // False with no provider that could start (no sound server): the list stays empty.
        gst_device_monitor_start(m_monitor);
        QMetaObject::invokeMethod(this, &GstOutputs::takeStartedList, Qt::QueuedConnection);
    });
}

GstOutputs::~GstOutputs() {
    m_starter.join();
    // Stopped first: the providers' threads end, and no message is posted to a dead object.
    gst_device_monitor_stop(m_monitor);
    GstBus* bus = gst_device_monitor_get_bus(m_monitor);
    gst_bus_set_sync_handler(bus, nullptr, nullptr, nullptr);
    gst_object_unref(bus);
    gst_object_unref(m_monitor);
    for (const Device& d : m_devices)
        gst_object_unref(d.device);
}

int GstOutputs::onBusMessage(GstBus*, GstMessage* message, void* self) {
    auto* outputs = static_cast<GstOutputs*>(self);
    const bool added = GST_MESSAGE_TYPE(message) == GST_MESSAGE_DEVICE_ADDED;
    if (added || GST_MESSAGE_TYPE(message) == GST_MESSAGE_DEVICE_REMOVED) {
        GstDevice* device = nullptr;
        if (added)
            gst_message_parse_device_added(message, &device);
        else
            gst_message_parse_device_removed(message, &device);
        // Let go of whether or not it arrives: a message still queued when the list goes is
        // dropped with it.
        const std::shared_ptr<GstDevice> held(device, [](GstDevice* d) { gst_object_unref(d); });
        QMetaObject::invokeMethod(
            outputs,
            [outputs, held, added] {
                if (added)
                    outputs->add(held.get());
                else
                    outputs->remove(held.get());
            },
            Qt::QueuedConnection);
    }
    gst_message_unref(message);
    return GST_BUS_DROP;
}

void GstOutputs::takeStartedList() {
    m_ready = true;
    GList* devices = gst_device_monitor_get_devices(m_monitor);
    for (GList* d = devices; d; d = d->next) {
        const QString id = stableId(GST_DEVICE(d->data));
        if (nameOf(id).isEmpty())
            m_devices.append({id, takeText(gst_device_get_display_name(GST_DEVICE(d->data))),
                              GST_DEVICE(gst_object_ref(d->data))});
    }
    g_list_free_full(devices, gst_object_unref);
    emit changed();
}

void GstOutputs::add(GstDevice* device) {
    const QString id = stableId(device);
    // A device the started list already has (its message was on its way meanwhile).
    if (!m_ready || !nameOf(id).isEmpty()) return;
    m_devices.append(
        {id, takeText(gst_device_get_display_name(device)), GST_DEVICE(gst_object_ref(device))});
    emit changed();
}

void GstOutputs::remove(GstDevice* device) {
    const QString id = stableId(device);
    for (qsizetype i = 0; i < m_devices.size(); ++i) {
        if (m_devices[i].id != id) continue;
        const Device gone = m_devices.takeAt(i);
        gst_object_unref(gone.device);
        emit removed(gone.id, gone.name);
        emit changed();
        return;
    }
}

QList<MediaPlayer::Output> GstOutputs::list() const {
    QList<MediaPlayer::Output> out;
    for (const Device& d : m_devices)
        out.append({d.id, d.name});
    return out;
}

QString GstOutputs::nameOf(const QString& id) const {
    for (const Device& d : m_devices)
        if (d.id == id) return d.name;
    return {};
}

GstElement* GstOutputs::createSink(const QString& id) const {
    for (const Device& d : m_devices)
        if (d.id == id) return gst_device_create_element(d.device, nullptr);
    return nullptr;
}

} // namespace tunewalk
