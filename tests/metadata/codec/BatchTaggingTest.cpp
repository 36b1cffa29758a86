#include "metadata/codec/BatchTagging.h"
#include "AudioFixtures.h"
#include "TempDir.h"
#include "metadata/codec/MP3TagEditor.h"

#include <gtest/gtest.h>

using namespace tunewalk;
namespace fx = tunewalk::fixtures;

namespace {

const std::string kAudio = fx::mpegFrames({}, 6);

// Applies `options` to `name`.mp3 (audio followed by `tag`) as a batch does, saves it and reads
// it back; every byte before the tag must survive.
MP3TagEditor batchOne(const std::string& name, const std::string& tag,
                      const BatchTagOptions& options, std::string* bytes = nullptr) {
    TempDir dir;
    const auto path = dir.file(name + ".mp3");
    fx::writeFile(path, kAudio + tag);
    MP3TagEditor editor;
    EXPECT_TRUE(editor.LoadMP3(path));
    applyBatchTags(editor, options, name);
    EXPECT_TRUE(editor.SaveMP3(false));
    const std::string after = fx::readFile(path);
    EXPECT_EQ(fx::audioPart(after), kAudio) << name;
    EXPECT_EQ(after.size(), kAudio.size() + 128) << name;
    if (bytes) *bytes = after.substr(after.size() - 128);
    MP3TagEditor reread;
    EXPECT_TRUE(reread.LoadMP3(path));
    return reread;
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
    std::string tag;
    const MP3TagEditor intro = batchOne("07 - Intro", "", fromName(), &tag);
    EXPECT_EQ(intro.Title(), "07 - Intro");
    EXPECT_EQ(intro.Comment(), "Track 07");
    EXPECT_EQ(tag.substr(97, 30), "Track 07" + std::string(22, ' '));
    // The file had no tag and no genre was asked for: "None".
    EXPECT_EQ(intro.Genra(), 255);
    EXPECT_EQ(batchOne("Disc 2 Track 11", "", fromName()).Comment(), "Track 2");

    const std::string name40 = "0123456789abcdefghijKLMNOPQRSTuvwxyz!!!!";
    batchOne(name40, "", fromName(), &tag);
    EXPECT_EQ(tag.substr(3, 30), name40.substr(0, 30));
}

TEST(BatchTagging, ExistingTitleAndCommentAreReplacedOnlyWhenAsked) {
    const std::string tag = fx::id3v1Tag("Live", "Band", "Album", "1999", "Old note", 17);
    const MP3TagEditor kept = batchOne("05 Encore", tag, fromName());
    EXPECT_EQ(kept.Title(), "Live");
    EXPECT_EQ(kept.Comment(), "Old note");
    // Fields the batch does not set are written back as they were read.
    EXPECT_EQ(kept.Artist(), "Band");
    EXPECT_EQ(kept.Year(), "1999");
    EXPECT_EQ(kept.Genra(), 17);

    const MP3TagEditor title = batchOne("05 Encore", tag, fromName(true, false));
    EXPECT_EQ(title.Title(), "05 Encore");
    EXPECT_EQ(title.Comment(), "Old note");
    const MP3TagEditor comment = batchOne("05 Encore", tag, fromName(false, true));
    EXPECT_EQ(comment.Title(), "Live");
    EXPECT_EQ(comment.Comment(), "Track 05");
    // A name without digits keeps the comment even when overwriting.
    EXPECT_EQ(batchOne("Intro", tag, fromName(true, true)).Comment(), "Old note");
    // Blanks read as empty.
    EXPECT_EQ(batchOne("Blank", fx::id3v1Tag("   "), fromName()).Title(), "Blank");
}

TEST(BatchTagging, FixedValuesAreWrittenAsGivenAndTheNameWinsOverThem) {
    BatchTagOptions o;
    o.title = " Lead";
    o.year = "2024x";
    o.comment = "Caf\xE9";
    o.genre = 0;
    std::string tag;
    const MP3TagEditor e =
        batchOne("07 Track", fx::id3v1Tag("Old", "Artist", "", "", "", 9), o, &tag);
    EXPECT_EQ(tag.substr(3, 30), " Lead" + std::string(25, ' '));
    EXPECT_EQ(tag.substr(93, 4), "2024");
    EXPECT_EQ(static_cast<unsigned char>(tag[127]), 0);
    EXPECT_EQ(e.Comment(), "Caf\xE9");
    EXPECT_EQ(e.Artist(), "Artist");

    BatchTagOptions both = fromName(true, true);
    both.title = "Fixed";
    both.comment = "Fixed";
    const MP3TagEditor named = batchOne("12 Song", fx::id3v1Tag("Old", "", "", "", "Old"), both);
    EXPECT_EQ(named.Title(), "12 Song");
    EXPECT_EQ(named.Comment(), "Track 12");
    // Without digits the fixed comment is no fallback.
    EXPECT_EQ(batchOne("Song", fx::id3v1Tag("", "", "", "", "Old"), both).Comment(), "Old");
}
