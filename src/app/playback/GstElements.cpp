#include "app/playback/GstElements.h"

#include "common/NativePath.h"

#include <QtGlobal>
#include <gst/gst.h>

namespace tunewalk {

void startGstreamer() {
    static const bool started = [] {
        gst_init(nullptr, nullptr);
        return true;
    }();
    Q_UNUSED(started);
}

QByteArray uriOf(const QString& path) {
    const QByteArray native = toNativePath(path);
    GError* error = nullptr;
    gchar* uri = gst_filename_to_uri(native.constData(), &error);
    if (!uri) {
        g_clear_error(&error);
        return QByteArrayLiteral("file://") + native;
    }
    QByteArray result(uri);
    g_free(uri);
    return result;
}

GstElement* makeElement(const char* factory) {
    GstElement* element = gst_element_factory_make(factory, nullptr);
    if (!element) qWarning("GStreamer element %s is not installed", factory);
    return element;
}

GstElement* chain(std::initializer_list<GstElement*> elements) {
    for (GstElement* e : elements)
        if (!e) {
            for (GstElement* other : elements)
                if (other) gst_object_unref(other);
            return nullptr;
        }
    GstElement* bin = gst_bin_new(nullptr);
    GstElement* previous = nullptr;
    for (GstElement* e : elements) {
        gst_bin_add(GST_BIN(bin), e);
        if (previous) gst_element_link(previous, e);
        previous = e;
    }
    GstPad* sink = gst_element_get_static_pad(*elements.begin(), "sink");
    gst_element_add_pad(bin, gst_ghost_pad_new("sink", sink));
    gst_object_unref(sink);
    if (GstPad* source = gst_element_get_static_pad(previous, "src")) {
        gst_element_add_pad(bin, gst_ghost_pad_new("src", source));
        gst_object_unref(source);
    }
    return bin;
}

} // namespace tunewalk
