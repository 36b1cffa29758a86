// The audio details the list fills in after a listing.
#include "Form1Fixture.h"

#include "app/listing/AudioDetails.h"
#include "app/listing/ListText.h"
#include "metadata/codec/MP3TagEditor.h"

#include <filesystem>

namespace tunewalk {
namespace {

using fixtures::id3v1Tag;

TEST_F(Form1Test, DetailTextsOfMp3AndWavRows) {
    start();
    writeMp3("tagged.mp3", 200, id3v1Tag("Song", "Band"));
    writeMp3("untagged.mp3", 200);
    writeMp3("blank title.mp3", 200, id3v1Tag("   ", "Band"));
    writeBytes("noise.mp3", std::string(1000000, '\0'));
    writeBytes("tone.wav", fixtures::wavFile({.dataBytes = 44100 * 4 * 3}));
    const std::string huge = path("huge.mp3").toStdString(); // 300 MiB, sparse
    fixtures::writeFile(huge, "not audio");
    std::filesystem::resize_file(huge, 300LL * 1024 * 1024);
    list(music());

    // Title, artist, bitrate and length; 200 frames of 1152 samples at 44.1 kHz last 5 s, and
    // a file that is not audio gets a length estimated from its size at 128 kbit/s (without an
    // overflow for the 314,572,800 bytes: 19,660 seconds).
    auto details = [&](const char* name) {
        const Row r = rowNamed(name);
        return QStringList{r->cell(Col::Track), r->cell(Col::Artist), r->cell(Col::Bitrate),
                           r->cell(Col::Length)};
    };
    EXPECT_EQ(details("tagged.mp3"), (QStringList{"Song", "Band", "128kbps", "00:00:05"}));
    EXPECT_EQ(details("untagged.mp3"),
              (QStringList{"(unknown)", "(unknown)", "128kbps", "00:00:05"}));
    EXPECT_EQ(details("blank title.mp3"),
              (QStringList{"(unknown)", "Band", "128kbps", "00:00:05"}));
    EXPECT_EQ(details("noise.mp3"),
              (QStringList{"(unknown)", "(unknown)", "(unknown)", "00:01:02"}));
    EXPECT_EQ(details("huge.mp3").last(), "05:27:40");
    EXPECT_EQ(details("tone.wav"), (QStringList{"", "", "", "00:00:03"}));
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(Form1Test, BitrateSortAndVariableBitrateAverage) {
    start();
    fixtures::FrameShape at96{.bitrateIndex = 7};
    writeMp3("a.mp3", 100, {}, at96);
    writeMp3("b.mp3", 100); // 128
    list(music());
    form->handleColumnClick(Col::Bitrate);
    EXPECT_EQ(names(), (QStringList{"a.mp3", "b.mp3"})); // 96kbps before 128kbps

    // A Xing file of 1000 frames (26 s) in about 21 kB: the list shows that average, not the
    // first frame's 128 kbit/s.
    writeBytes("vbr.mp3", fixtures::vbrHeaderFrame({}, fixtures::VbrKind::Xing, 1000, 4000000) +
                              fixtures::mpegFrames({}, 50));
    list(music());
    EXPECT_EQ(rowNamed("vbr.mp3")->cell(Col::Bitrate), "7kbps");
}

TEST_F(Form1Test, VanishedFileKeepsUnknownAndTheFillingGoesOn) {
    start();
    writeMp3("a.mp3", 100, id3v1Tag("A"));
    writeMp3("b.mp3", 100, id3v1Tag("B"));
    writeMp3("c.mp3", 100, id3v1Tag("C"));
    // Replace b.mp3 with a folder once the listing has seen it, before its details are read.
    QObject::connect(form.get(), &Form1::statsFilled, form.get(), [this] {
        QFile::remove(path("b.mp3"));
        mkdir("b.mp3");
    });
    list(music());
    EXPECT_EQ(rowNamed("a.mp3")->cell(Col::Track), "A");
    EXPECT_EQ(rowNamed("b.mp3")->cell(Col::Track), "(unknown)");
    EXPECT_EQ(rowNamed("c.mp3")->cell(Col::Track), "C");
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(Form1Test, NewListingStopsTheOldFilling) {
    start();
    mkdir("big");
    for (int i = 0; i < 300; ++i)
        writeMp3(QStringLiteral("big/%1.mp3").arg(i), 20, id3v1Tag("x"));
    mkdir("small");
    writeMp3("small/only.mp3", 20, id3v1Tag("Only"));
    form->PopulateList(path("big"));
    form->PopulateList(path("small"));
    waitForDetails();
    EXPECT_EQ(names(), QStringList{"only.mp3"});
    EXPECT_EQ(row(0)->cell(Col::Track), "Only");
}

TEST_F(Form1Test, UpdateFileItemRefreshesTheRowAndTheCurrentPanel) {
    start();
    writeMp3("song.mp3", 100, id3v1Tag("Before"));
    list(music());
    play("song.mp3");
    Row r = rowNamed("song.mp3");
    MP3TagEditor editor;
    ASSERT_TRUE(editor.LoadMP3(r->key.toStdString()));
    editor.setTitle("After");
    ASSERT_TRUE(editor.SaveMP3());
    form->updateFileItem(r->key);
    EXPECT_EQ(r->cell(Col::Track), "After");
    EXPECT_EQ(form->currentLabel()->text(), "After");
}

TEST_F(Form1Test, FolderSizesArriveWithTheDetails) {
    setSetting("FolderSizes", "True");
    start();
    mkdir("f/inner");
    writeBytes("f/one.bin", std::string(1500, 'x'));
    writeBytes("f/inner/two.bin", std::string(600, 'x'));
    list(music());
    const Row f = rowNamed("f");
    EXPECT_EQ(f->entry()->size, 2100);
    EXPECT_EQ(f->cell(Col::Size), formatSize(2100));
}

// The worker may finish while the window is applying an earlier batch; the filling must still
// end with every row filled.
TEST_F(Form1Test, EveryRowIsFilledWhenTheFillingEnds) {
    start();
    mkdir("many");
    const std::string frames = fixtures::mpegFrames({}, 3);
    for (int i = 0; i < 2000; ++i)
        writeBytes(QStringLiteral("many/%1.mp3").arg(i), frames + fixtures::id3v1Tag("t"));
    for (int round = 0; round < 4; ++round) {
        bool filled = false;
        const auto c = QObject::connect(form.get(), &Form1::detailsFilled, [&] { filled = true; });
        form->PopulateList(path("many"));
        ASSERT_TRUE(waitUntil([&] { return filled; }));
        QObject::disconnect(c);
        int empty = 0;
        for (int i = 0; i < rowCount(); ++i)
            if (row(i)->cell(Col::Track).isEmpty()) ++empty;
        EXPECT_EQ(empty, 0) << "round " << round;
    }
}

} // namespace
} // namespace tunewalk
