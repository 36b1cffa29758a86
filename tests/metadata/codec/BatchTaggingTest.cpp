#include "metadata/codec/BatchTagging.h"
#include "AudioFixtures.h"
#include "TempDir.h"
#include "metadata/codec/MP3TagEditor.h"

#include <gtest/gtest.h>

using namespace tunewalk;
namespace fx = tunewalk::fixtures;

namespace {

const std::string kAudio = fx::mpegFrames({}, 6);

// Applies `options` to `name`.mp3 (audio followed by `tag`) as a batch does, saves it and
// returns the tag the file ends with; every byte before the tag must survive.
std::string batchOne(const std::string& name, const std::string& tag,
                     const BatchTagOptions& options) {
    TempDir dir;
    const auto path = dir.file(name + ".mp3");
    fx::writeFile(path, kAudio + tag);
    MP3TagEditor editor;
    EXPECT_TRUE(editor.LoadMP3(path));
    applyBatchTags(editor, options, name);
    EXPECT_TRUE(editor.SaveMP3(false));
    const std::string after = fx::readFile(path);
    EXPECT_EQ(after.substr(0, kAudio.size()), kAudio) << name;
    return after.substr(kAudio.size());
}

BatchTagOptions fromName(bool overwriteTitle = false, bool overwriteComment = false) {
    BatchTagOptions o;
    o.titleFromFileName = o.guessTrack = true;
    o.overwriteTitle = overwriteTitle;
    o.overwriteComment = overwriteComment;
    return o;
}

} // namespace

TEST(BatchTagging, FirstDigitRunIsTheFirstRunOfAsciiDigitsAsItStands) {
    EXPECT_EQ(firstDigitRun("Disc 2 Track 11"), "2");
    EXPECT_EQ(firstDigitRun("Song0042"), "0042");
    EXPECT_EQ(firstDigitRun("Intro"), "");
    // Superscript two and three are ISO 8859-1 letters here, not digits.
    EXPECT_EQ(firstDigitRun("Mix \xB2\xB3 5b"), "5");
}

TEST(BatchTagging, TitleAndTrackComeFromTheName) {
    // The files had no tag and no genre was asked for: "None".
    EXPECT_EQ(batchOne("07 - Intro", "", fromName()),
              fx::id3v1Tag("07 - Intro", "", "", "", "Track 07", 255));
    EXPECT_EQ(batchOne("Disc 2 Track 11", "", fromName()),
              fx::id3v1Tag("Disc 2 Track 11", "", "", "", "Track 2"));
    const std::string name40 = "0123456789abcdefghijKLMNOPQRSTuvwxyz!!!!";
    EXPECT_EQ(batchOne(name40, "", fromName()),
              fx::id3v1Tag(name40.substr(0, 30), "", "", "", "Track 0123456789"));
}

TEST(BatchTagging, ExistingTitleAndCommentAreReplacedOnlyWhenAsked) {
    const auto tag = [](const char* title, const char* comment) {
        return fx::id3v1Tag(title, "Band", "Album", "1999", comment, 17);
    };
    // Fields the batch does not set are written back as they were read.
    EXPECT_EQ(batchOne("05 Encore", tag("Live", "Old note"), fromName()), tag("Live", "Old note"));
    EXPECT_EQ(batchOne("05 Encore", tag("Live", "Old note"), fromName(true, false)),
              tag("05 Encore", "Old note"));
    EXPECT_EQ(batchOne("05 Encore", tag("Live", "Old note"), fromName(false, true)),
              tag("Live", "Track 05"));
    // A name without digits keeps the comment even when overwriting.
    EXPECT_EQ(batchOne("Intro", tag("Live", "Old note"), fromName(true, true)),
              tag("Intro", "Old note"));
    // Blanks read as empty.
    EXPECT_EQ(batchOne("Blank", fx::id3v1Tag("   "), fromName()), fx::id3v1Tag("Blank"));
}

TEST(BatchTagging, FixedValuesAreWrittenAsGivenAndTheNameWinsOverThem) {
    BatchTagOptions o;
    o.title = " Lead";
    o.year = "2024x";
    o.comment = "Caf\xE9";
    o.genre = 0;
    EXPECT_EQ(batchOne("07 Track", fx::id3v1Tag("Old", "Artist", "", "", "", 9), o),
              fx::id3v1Tag(" Lead", "Artist", "", "2024", "Caf\xE9", 0));

    BatchTagOptions both = fromName(true, true);
    both.title = "Fixed";
    both.comment = "Fixed";
    EXPECT_EQ(batchOne("12 Song", fx::id3v1Tag("Old", "", "", "", "Old"), both),
              fx::id3v1Tag("12 Song", "", "", "", "Track 12"));
    // Without digits the fixed comment is no fallback.
    EXPECT_EQ(batchOne("Song", fx::id3v1Tag("", "", "", "", "Old"), both),
              fx::id3v1Tag("Song", "", "", "", "Old"));
}
