// The cover of the file that plays: in the player panel, and as a copy in the cache folder for
// the desktop's media controls.
#include "FifoGuard.h"
#include "Form1Fixture.h"
#include "TestFiles.h"

#include "app/playback/CoverArt.h"
#include "app/playback/MediaControlsBridge.h"
#include "app/window/PlayerPanel.h"
#include "shell/DesktopMediaControls.h"

#include <QPainter>
#include <QProcess>

namespace tunewalk {
namespace {

// Roughly the colour: the pictures pass through JPEG.
bool near(QColor seen, QColor wanted) {
    return std::abs(seen.red() - wanted.red()) < 40 &&
           std::abs(seen.green() - wanted.green()) < 40 &&
           std::abs(seen.blue() - wanted.blue()) < 40;
}
// The colour a share of the way across a picture, halfway down.
QColor at(const QImage& image, double share) {
    return image.pixelColor(static_cast<int>(image.width() * share), image.height() / 2);
}
// 800 by 600: red on the left, blue on the right.
QImage redBlue() {
    QImage image(800, 600, QImage::Format_RGB32);
    image.fill(Qt::red);
    QPainter(&image).fillRect(400, 0, 400, 600, Qt::blue);
    return image;
}

class CoverArtTest : public Form1Test {
protected:
    void SetUp() override {
        Form1Test::SetUp();
        if (QProcess::execute("sh", {"-c", "command -v ffmpeg >/dev/null"}) != 0)
            GTEST_SKIP() << "no ffmpeg";
        mkdir("album");
        mkdir("folder");
        mkdir("plain");
        const QString png = root.filePath("cover.png");
        ASSERT_TRUE(redBlue().save(png));
        encode("album/a.mp3", {"-i", png, "-map", "0", "-map", "1", "-c:v", "mjpeg",
                               "-disposition:v", "attached_pic", "-metadata", "album=Walks",
                               "-metadata", "album_artist=The Walkers", "-metadata", "track=4/9"});
        encode("folder/b.mp3");
        QImage green(300, 300, QImage::Format_RGB32);
        green.fill(Qt::green);
        ASSERT_TRUE(green.save(path("folder/Folder.JPG"), "JPG"));
        encode("plain/c.mp3");
        writeBytes("plain/cover.jpg", "no picture"); // what does not decode is no cover
        ASSERT_TRUE(makeFifo(toFsPath(path("plain/Front.png")))); // nor what is no file
        start(music());
    }
    void encode(const QString& relative, const QStringList& extra = {}) {
        ASSERT_EQ(QProcess::execute(
                      "ffmpeg",
                      QStringList{"-loglevel", "error", "-y", "-f", "lavfi", "-i", "sine=d=1"} +
                          extra +
                          QStringList{"-c:a", "libmp3lame", "-id3v2_version", "3", path(relative)}),
                  0);
    }
    void playIn(const QString& folder, const QString& name) {
        list(path(folder));
        play(name);
    }
    QLabel* cover() const { return form->playerPanel()->coverLabel(); }
    QImage shown() const { return cover()->pixmap().toImage(); }
    NowPlaying now() const { return nowPlaying(form->playback()); }
    // The copy the desktop is shown, once it is there.
    QImage copy() const {
        const QString file = localPath(QUrl(now().artUrl));
        EXPECT_TRUE(file.startsWith(root.filePath("cache/Tunewalk/covers/"))) << file.toStdString();
        return QImage(file);
    }
};

TEST_F(CoverArtTest, TheEmbeddedPictureTheFoldersOrNoneShowsInThePanelAndOnTheDesktop) {
    playIn("album", "a.mp3");
    ASSERT_TRUE(waitUntil([&] { return cover()->isVisible(); }));
    PlayerPanel* panel = form->playerPanel();
    EXPECT_EQ(cover()->accessibleName(), "Cover picture");
    // At the panel's left end, as tall as its inside, the picture's aspect kept.
    EXPECT_LT(cover()->geometry().right(), panel->slider()->geometry().left());
    EXPECT_GE(cover()->height(), panel->height() - 10);
    EXPECT_NEAR(cover()->width(), cover()->height() * 4 / 3, 2);
    EXPECT_TRUE(near(at(shown(), 0.25), Qt::red));
    EXPECT_TRUE(near(at(shown(), 0.75), Qt::blue));
    NowPlaying playing = now();
    EXPECT_EQ(playing.album, "Walks");
    EXPECT_EQ(playing.albumArtist, "The Walkers");
    EXPECT_EQ(playing.trackNumber, 4);
    EXPECT_EQ(copy().size(), QSize(512, 384));
    EXPECT_TRUE(near(at(copy(), 0.25), Qt::red));
    const QString firstCopy = playing.artUrl;

    // No picture of its own: the folder's, named in any letter case.
    playIn("folder", "b.mp3");
    ASSERT_TRUE(waitUntil([&] { return near(at(shown(), 0.5), Qt::green); }));
    EXPECT_EQ(copy().size(), QSize(300, 300));
    EXPECT_TRUE(near(at(copy(), 0.5), Qt::green));
    EXPECT_TRUE(now().album.isEmpty());

    // None, or one that does not decode: no picture and no empty frame.
    playIn("plain", "c.mp3");
    const auto* loader = form->findChild<CoverLoader*>();
    ASSERT_TRUE(waitUntil([&] { return !loader->isReading(); }));
    EXPECT_FALSE(cover()->isVisible());
    EXPECT_TRUE(now().artUrl.isEmpty());

    // The same cover again is the same copy; stopping takes the picture away at once.
    playIn("album", "a.mp3");
    ASSERT_TRUE(waitUntil([&] { return !now().artUrl.isEmpty(); }));
    EXPECT_EQ(now().artUrl, firstCopy);
    EXPECT_TRUE(cover()->isVisible());
    form->stopCommand();
    EXPECT_FALSE(cover()->isVisible());
    EXPECT_TRUE(now().artUrl.isEmpty());
}

TEST_F(CoverArtTest, TheSmallWindowShowsThePictureOnlyWhereTheControlsKeepTheirRoom) {
    playIn("album", "a.mp3");
    ASSERT_TRUE(waitUntil([&] { return cover()->isVisible(); }));
    form->zoom();
    ASSERT_TRUE(form->inSmallWindow());
    EXPECT_FALSE(cover()->isVisible()) << form->width();
    form->resize(form->width() + 300, form->height());
    ASSERT_TRUE(waitUntil([&] { return cover()->isVisible(); }));
    PlayerPanel* panel = form->playerPanel();
    EXPECT_TRUE(panel->rect().contains(cover()->geometry()));
    EXPECT_LT(cover()->geometry().right(), panel->slider()->geometry().left());
    form->zoom();
    EXPECT_TRUE(cover()->isVisible());
}

// The loader on its own: an answer for a file no longer wanted is dropped, and the cache folder
// keeps only the copies used last.
TEST_F(CoverArtTest, ALateAnswerIsDroppedAndTheCopiesAreBounded) {
    const QString folder = root.filePath("copies");
    QDir().mkpath(folder);
    // Copies as the program names them, the oldest first; and a file the program did not make.
    const auto copyName = [](int i) {
        return QStringLiteral("%1.jpg").arg(i, 40, 10, QLatin1Char('0'));
    };
    writeTestFile(folder + "/mine.jpg");
    for (int i = 0; i < 60; ++i) {
        const QString old = writeTestFile(folder + "/" + copyName(i));
        QFile file(old);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        file.setFileTime(QDateTime::currentDateTime().addDays(-1).addSecs(i),
                         QFileDevice::FileModificationTime);
    }
    CoverLoader loader(nullptr, folder);
    int changes = 0;
    QObject::connect(&loader, &CoverLoader::changed, [&] { ++changes; });
    loader.follow(path("album/a.mp3"));
    loader.follow(path("plain/c.mp3"));
    ASSERT_TRUE(waitUntil([&] { return !loader.isReading(); }));
    EXPECT_EQ(loader.file(), path("plain/c.mp3"));
    EXPECT_TRUE(loader.image().isNull());
    EXPECT_EQ(changes, 1);

    loader.follow(path("album/a.mp3"));
    ASSERT_TRUE(waitUntil([&] { return !loader.image().isNull(); }));
    const QStringList left = QDir(folder).entryList(QDir::Files);
    EXPECT_EQ(left.size(), 51);
    EXPECT_TRUE(left.contains(QFileInfo(loader.copy()).fileName()));
    EXPECT_FALSE(left.contains(copyName(0))); // the oldest went first
    EXPECT_TRUE(left.contains(copyName(59)));
    EXPECT_TRUE(left.contains("mine.jpg")) << "only the program's own copies go";
    loader.follow({});
    EXPECT_TRUE(loader.image().isNull());
    EXPECT_TRUE(loader.file().isEmpty());
}

} // namespace
} // namespace tunewalk
