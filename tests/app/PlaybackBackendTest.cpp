// Playback through the real player on generated half-second files.
#include "Form1Fixture.h"
#include "app/playback/Playback.h"
#include "app/playback/SystemPlayer.h"
#include "common/NativePath.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStatusBar>
#include <algorithm>

namespace tunewalk {
namespace {

class PlaybackBackendTest : public Form1Test {
protected:
    void SetUp() override {
        Form1Test::SetUp();
        realPlayer = &engine;
        // Every file that starts, in the order it started.
        QObject::connect(&engine, &MediaPlayer::stateChanged, &engine, [this](int, int state) {
            if (state == MediaPlayer::Playing) started << QFileInfo(engine.fileName()).fileName();
        });
        // A file that follows without a gap starts without a state change.
        QObject::connect(&engine, &MediaPlayer::switched, &engine,
                         [this](const QString& path) { started << QFileInfo(path).fileName(); });
    }
    // Half a second of silence, as WAV or MP3 by the name.
    void writeHalfSeconds(const QStringList& names) {
        for (const QString& name : names)
            writeBytes(name, name.endsWith(".wav") ? fixtures::wavFile({.dataBytes = 44100 * 4 / 2})
                                                   : fixtures::silentMpegFrames({}, 19));
    }
    bool waitIdle() {
        return waitUntil([&] { return idle(); });
    }

    std::unique_ptr<MediaPlayer> systemPlayer = makeSystemPlayer();
    MediaPlayer& engine = *systemPlayer;
    QStringList started;
};

TEST_F(PlaybackBackendTest, PlayAllWalksTheFolderInDisplayOrder) {
    mkdir("sub");
    writeHalfSeconds({"a.wav", "b.mp3", "c.wav", "d.mp3"});
    // A Latin-1 name, which is not valid UTF-8: the player gets its exact bytes.
    fixtures::writeFile(QFile::encodeName(music()).toStdString() + "/\xe9t\xe9.wav",
                        fixtures::wavFile({.dataBytes = 44100 * 4 / 2}));
    start(music());
    setToggles(true, false);

    // A custom order: d first.
    form->clickRow(rowNamed("d.mp3"));
    for (int i = 0; i < 3; ++i)
        form->moveUp();
    ASSERT_EQ(names(),
              (QStringList{"sub", "d.mp3", "a.wav", "b.mp3", "c.wav", "\uFFFDt\uFFFD.wav"}));

    play("d.mp3");
    ASSERT_TRUE(waitUntil([&] { return started.size() == 5 && idle(); }));
    EXPECT_EQ(started,
              (QStringList{"d.mp3", "a.wav", "b.mp3", "c.wav", fromNativePath("\xe9t\xe9.wav")}));
    // It stops with the first audio row selected and every icon back.
    EXPECT_EQ(form->currentRow(), rowNamed("d.mp3"));
    EXPECT_EQ(form->getSelCount(), 1);
    for (int i = 1; i < 6; ++i)
        EXPECT_NE(row(i)->iconKey(), "Playing");
    EXPECT_EQ(tray.toolTip(), "Stopped");
    EXPECT_TRUE(prompter.shown.empty());
}

// Every further format plays through the same player, in the folder's order, with its title
// in the tray's tip while it plays.
TEST_F(PlaybackBackendTest, PlayAllPlaysEveryFormat) {
    if (QProcess::execute("sh", {"-c", "command -v ffmpeg >/dev/null"}) != 0)
        GTEST_SKIP() << "no ffmpeg";
    const QStringList files{"a.flac", "b.ogg", "c.opus", "d.m4a", "e.aiff"};
    for (const QString& name : files) {
        QStringList args{"-v", "error",      "-f",        "lavfi",
                         "-i", "sine=d=0.5", "-metadata", "title=Song " + name};
        if (name.endsWith(".aiff"))
            args << "-write_id3v2"
                 << "1";
        ASSERT_EQ(QProcess::execute("ffmpeg", args << path(name)), 0);
    }
    start(music());
    setToggles(true, false);
    QStringList tips;
    QObject::connect(&engine, &MediaPlayer::stateChanged, &engine, [&](int, int state) {
        if (state == MediaPlayer::Playing) tips << tray.toolTip();
    });
    QObject::connect(&form->playback(), &Playback::switched, &engine,
                     [&] { tips << tray.toolTip(); });
    play("a.flac");
    ASSERT_TRUE(waitUntil([&] { return started.contains("e.aiff") && idle(); }, 60000))
        << started.join(" ").toStdString() << " / " << prompter.texts().join(" ").toStdString()
        << " / " << engine.fileName().toStdString() << " " << engine.playState() << " "
        << engine.position() << " / " << form->playingFile().toStdString();
    // A player under load may report a start twice; each file counts once, in order.
    const auto once = [](QStringList list) {
        list.erase(std::unique(list.begin(), list.end()), list.end());
        return list;
    };
    EXPECT_EQ(once(started), files);
    EXPECT_TRUE(prompter.shown.empty()) << prompter.texts().join('\n').toStdString();
    QStringList expectedTips;
    for (const QString& name : files)
        expectedTips << "Playing: Song " + name;
    EXPECT_EQ(once(tips), expectedTips);
}

TEST_F(PlaybackBackendTest, BadFilesShowTheErrorAndEndInIdle) {
    writeHalfSeconds({"a.mp3", "c.mp3", "e.mp3"});
    writeBytes("b.mp3", std::string(4000, 'x')); // not audio at all
    // Cut in the middle of its eleventh frame.
    writeBytes("d.mp3", fixtures::silentMpegFrames({}, 19).substr(0, 4000));
    start(music());
    setToggles(true, false);
    // The player's code and words, and the file they are about.
    const QRegularExpression errorText(
        "^[0-9A-F]+: .+\n\nFile: " + QRegularExpression::escape(path("b.mp3")) + "$");

    // Under Play All the bad file is named and passed over.
    play("a.mp3");
    ASSERT_TRUE(waitUntil([&] { return started.contains("e.mp3") && idle(); }))
        << started.join(' ').toStdString();
    // The bad file may have been switched to before it failed: it counts as not played.
    started.removeAll("b.mp3");
    EXPECT_EQ(started, (QStringList{"a.mp3", "c.mp3", "d.mp3", "e.mp3"}));
    EXPECT_TRUE(prompter.shown.empty()) << prompter.texts().join('\n').toStdString();
    EXPECT_TRUE(form->statusBar()->currentMessage().startsWith("Skipped b.mp3: "))
        << form->statusBar()->currentMessage().toStdString();

    // Without the playing list, the bad file stops the walk with its message.
    form->command("mnuPlayingList")->trigger();
    started.clear();
    play("a.mp3");
    ASSERT_TRUE(waitUntil([&] { return !prompter.shown.empty(); }));
    ASSERT_TRUE(waitIdle());
    started.removeAll("b.mp3");
    EXPECT_EQ(started, (QStringList{"a.mp3"}));
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_TRUE(errorText.match(prompter.shown[0].text).hasMatch())
        << prompter.shown[0].text.toStdString();
    EXPECT_EQ(prompter.shown[0].icon, Prompter::Icon::Critical);
    EXPECT_EQ(rowNamed("b.mp3")->iconKey(), "MP3");

    // A truncated file plays what it has, and the walk goes on to the end.
    started.clear();
    play("c.mp3");
    ASSERT_TRUE(waitUntil([&] { return started.size() == 3 && idle(); }));
    EXPECT_EQ(started, (QStringList{"c.mp3", "d.mp3", "e.mp3"}));
    EXPECT_EQ(prompter.shown.size(), 1u);

    // A file another program removes leaves the list, and the walk goes on without it.
    started.clear();
    QFile::remove(path("d.mp3"));
    ASSERT_TRUE(waitUntil([&] { return rowNamed("d.mp3") == nullptr; }));
    play("c.mp3");
    ASSERT_TRUE(waitUntil([&] { return started.size() == 2 && idle(); }));
    EXPECT_EQ(started, (QStringList{"c.mp3", "e.mp3"}));
    EXPECT_EQ(prompter.shown.size(), 1u);

    // And the window keeps working.
    started.clear();
    play("e.mp3");
    ASSERT_TRUE(waitUntil([&] { return started.size() == 1; }));
}

} // namespace
} // namespace tunewalk
