#pragma once

// The pieces of GStreamer the player and its outputs share.

#include <QByteArray>
#include <QString>
#include <initializer_list>

typedef struct _GstElement GstElement;

namespace tunewalk {

// Starts GStreamer once, on first use.
void startGstreamer();
// The file's name as a URI of its exact bytes, a name that is not valid text included.
QByteArray uriOf(const QString& path);
// The element, or null (with a warning naming it) when its plugin is not installed.
GstElement* makeElement(const char* factory);
// A bin of elements in a row, with the first one's sink and the last one's source as its pads;
// null (and the elements freed) when one of them is null.
GstElement* chain(std::initializer_list<GstElement*> elements);

} // namespace tunewalk
