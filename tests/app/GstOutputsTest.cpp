// The outputs on offer, from a sound server of the test's own with null sinks for devices.
#include "app/playback/GstOutputs.h"

#include "EventLoopWait.h"
#include "PulseDaemon.h"
#include "QtPrinters.h"

#include <QTemporaryDir>
#include <gst/gst.h>
#include <gtest/gtest.h>
#include <memory>

using namespace tunewalk;

namespace {

// "id=name" for each output, in order.
QStringList shown(const GstOutputs& outputs) {
    QStringList out;
    for (const MediaPlayer::Output& o : outputs.list())
        out << o.id + QLatin1Char('=') + o.name;
    return out;
}

QString deviceOf(GstElement* sink) {
    gchar* device = nullptr;
    g_object_get(sink, "device", &device, nullptr);
    const QString out = QString::fromUtf8(device ? device : "");
    g_free(device);
    return out;
}

TEST(GstOutputs, ListsTheServersSinksByStableIdsAndFollowsThemComingAndGoing) {
    PulseDaemon pulse;
    if (!pulse.ready()) GTEST_SKIP() << "no PulseAudio (scripts/setup installs it)";
    ASSERT_GE(pulse.addNullSink("tw_alpha", "Alpha"), 0);
    const int beta = pulse.addNullSink("tw_beta", "Beta");
    ASSERT_GE(beta, 0);

    const QStringList both{"pulse:tw_alpha=Alpha", "pulse:tw_beta=Beta"};
    {
        // Another run of the program finds the same ids.
        GstOutputs earlier;
        ASSERT_TRUE(waitUntil([&] { return earlier.ready(); }));
        EXPECT_EQ(shown(earlier), both);
    }
    auto outputs = std::make_unique<GstOutputs>();
    QStringList removed;
    int changes = 0;
    QObject::connect(outputs.get(), &GstOutputs::removed,
                     [&](const QString& id, const QString& name) { removed << id + "=" + name; });
    QObject::connect(outputs.get(), &GstOutputs::changed, [&] { ++changes; });
    ASSERT_TRUE(waitUntil([&] { return outputs->ready(); }));
    EXPECT_EQ(shown(*outputs), both);
    EXPECT_EQ(changes, 1) << "the first filling is told once";

    // A sink for the device plays into that device; an id not offered gives none.
    GstElement* sink = outputs->createSink("pulse:tw_beta");
    ASSERT_NE(sink, nullptr);
    gst_object_ref_sink(sink);
    EXPECT_EQ(deviceOf(sink), "tw_beta");
    gst_object_unref(sink);
    EXPECT_EQ(outputs->createSink("pulse:tw_gone"), nullptr);

    // Unplugged: told once, by id and name.
    ASSERT_TRUE(pulse.unload(beta));
    ASSERT_TRUE(waitUntil([&] { return !removed.isEmpty(); }));
    EXPECT_EQ(removed, QStringList{"pulse:tw_beta=Beta"});
    EXPECT_EQ(shown(*outputs), QStringList{"pulse:tw_alpha=Alpha"});
    EXPECT_EQ(outputs->createSink("pulse:tw_beta"), nullptr);

    // Plugged in again: back under the same id.
    ASSERT_GE(pulse.addNullSink("tw_beta", "Beta"), 0);
    ASSERT_TRUE(waitUntil([&] { return shown(*outputs).size() == 2; }));
    EXPECT_EQ(shown(*outputs), both);
    EXPECT_EQ(removed.size(), 1);
    // Gone with the monitor still running: nothing is posted to the destroyed object.
    outputs.reset();
}

TEST(GstOutputs, WithoutASoundServerTheListIsEmpty) {
    QTemporaryDir nowhere;
    const QByteArray server = qgetenv("PULSE_SERVER");
    qputenv("PULSE_SERVER", "unix:" + QFile::encodeName(nowhere.filePath("native")));
    {
        GstOutputs outputs;
        EXPECT_TRUE(waitUntil([&] { return outputs.ready(); }));
        EXPECT_EQ(shown(outputs), QStringList{});
    }
    server.isNull() ? qunsetenv("PULSE_SERVER") : qputenv("PULSE_SERVER", server);
}

} // namespace
