#include "metadata/codec/WAVInfo.h"
#include "AudioFixtures.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace tunewalk;
namespace fx = tunewalk::fixtures;

namespace {

constexpr std::size_t kFormatFields = 22; // first of the 14 format bytes in a canonical file

bool yes(const std::string&) {
    return true;
}

} // namespace

TEST(WAVLoad, CanonicalFile) {
    TempDir dir;
    const auto path = dir.file("a.wav");
    fx::writeFile(path, fx::wavFile({2, 44100, 16, 0, 0, 44100 * 4 * 10}));
    WAVInfo w;
    ASSERT_TRUE(w.LoadWAV(path));
    EXPECT_EQ(w.Channels(), 2);
    EXPECT_EQ(w.SampleRate(), 44100);
    EXPECT_EQ(w.BytesPerSecond(), 44100 * 4);
    EXPECT_EQ(w.BlockAlign(), 4);
    EXPECT_EQ(w.SampleBits(), 16);
    EXPECT_EQ(w.DataLength(), 44100 * 4 * 10);
    EXPECT_EQ(w.Length().seconds(), 10);
    EXPECT_EQ(w.Filename(), path);
}

TEST(WAVLoad, ChunksAreFoundByWalkingTheirHeaders) {
    TempDir dir;
    const auto path = dir.file("a.wav");
    WAVInfo w;

    // Other chunks between format and data, and far before the format; odd ones are padded.
    fx::WavShape shape{1, 8000, 8, 0, 0, 16000};
    shape.extraChunkBeforeData = fx::riffChunk("LIST", "INFO" + fx::riffChunk("ICMT", "odd"));
    std::string moved = fx::wavFile(shape);
    moved.insert(12, fx::riffChunk("JUNK", std::string(10001, 'x')));
    fx::writeFile(path, moved);
    ASSERT_TRUE(w.LoadWAV(path));
    EXPECT_EQ(w.SampleRate(), 8000);
    EXPECT_EQ(w.DataLength(), 16000);
    EXPECT_EQ(w.Length().seconds(), 2);
    // An odd chunk whose writer left out the pad byte.
    std::string unpadded = fx::wavFile(shape);
    unpadded.insert(12, std::string("odd \x03\0\0\0abc", 11));
    fx::writeFile(path, unpadded);
    ASSERT_TRUE(w.LoadWAV(path));
    EXPECT_EQ(w.SampleRate(), 8000);
    EXPECT_EQ(w.DataLength(), 16000);
    shape.extraChunkBeforeData.clear();

    // No data chunk: the format is read, the length is 0.
    shape.withData = false;
    fx::writeFile(path, fx::wavFile(shape));
    ASSERT_TRUE(w.LoadWAV(path));
    EXPECT_EQ(w.SampleRate(), 8000);
    EXPECT_EQ(w.DataLength(), 0);
    EXPECT_TRUE(w.Length().isZero());

    // "WAVE" not at byte 8, lower-case identifiers, or no identifiers at all: no format, and
    // nothing of the previous file shows through.
    std::string early = fx::wavFile({});
    early.replace(8, 4, "WAVX");
    early += "WAVE1234";
    std::string lower = fx::wavFile({});
    lower.replace(8, 4, "wave");
    const std::string good = fx::wavFile({});
    for (const std::string& bytes : {early, lower, std::string("RIFF"), std::string()}) {
        fx::writeFile(path, good);
        ASSERT_TRUE(w.LoadWAV(path));
        fx::writeFile(path, bytes);
        ASSERT_TRUE(w.LoadWAV(path));
        EXPECT_EQ(w.Channels(), 0);
        EXPECT_EQ(w.SampleRate(), 0);
        EXPECT_EQ(w.BlockAlign(), 0);
        EXPECT_EQ(w.DataLength(), 0);
        EXPECT_TRUE(w.Length().isZero());
    }
}

TEST(WAVLoad, LargeFieldsLoadAsUnsigned) {
    TempDir dir;
    const auto path = dir.file("a.wav");
    fx::WavShape shape{40000, 3'000'000'000u, 64, 4'000'000'000u, 8, 16};
    shape.statedDataBytes = 4'000'000'000u;
    fx::writeFile(path, fx::wavFile(shape));
    WAVInfo w;
    ASSERT_TRUE(w.LoadWAV(path));
    EXPECT_EQ(w.Channels(), 40000); // kept as read
    EXPECT_EQ(w.SampleRate(), 3'000'000'000);
    EXPECT_EQ(w.BytesPerSecond(), 4'000'000'000);
    EXPECT_EQ(w.SampleBits(), 32); // never above 32
    EXPECT_EQ(w.DataLength(), 4'000'000'000);
    EXPECT_EQ(w.Length().seconds(), 1);
}

TEST(WAVLoad, BadFilesFail) {
    TempDir dir;
    WAVInfo w;
    EXPECT_FALSE(w.LoadWAV(dir.file("missing.wav")));
    std::filesystem::create_directory(dir.path() / "d.wav");
    EXPECT_FALSE(w.LoadWAV(dir.file("d.wav")));

    // Zero bytes per second with a data chunk gives no length to divide by.
    fx::writeFile(dir.file("z.wav"), fx::wavFile({2, 0, 16, 0, 0, 100}));
    EXPECT_FALSE(w.LoadWAV(dir.file("z.wav")));

    // A format chunk cut short by the end of the file reads what is there.
    std::string cut = fx::wavFile({});
    cut.resize(24);
    fx::writeFile(dir.file("cut.wav"), cut);
    EXPECT_TRUE(w.LoadWAV(dir.file("cut.wav")));
    EXPECT_EQ(w.Channels(), 2);
    EXPECT_EQ(w.SampleRate(), 0);
}

TEST(WAVAssign, DerivedFieldsFollowEveryAssignment) {
    TempDir dir;
    const auto path = dir.file("a.wav");
    fx::writeFile(path, fx::wavFile({2, 44100, 16, 0, 0, 44100 * 4 * 10}));
    WAVInfo w;
    std::vector<std::string> errors;
    w.setErrorReporter([&](const std::string& e) { errors.push_back(e); });
    ASSERT_TRUE(w.LoadWAV(path));

    w.setSampleBits(12);
    EXPECT_EQ(w.BlockAlign(), 4);
    w.setSampleBits(8);
    EXPECT_EQ(w.BlockAlign(), 2);
    EXPECT_EQ(w.BytesPerSecond(), 88200);
    EXPECT_EQ(w.Length().seconds(), 20);
    w.setSampleBits(40);
    EXPECT_EQ(w.SampleBits(), 32);
    w.setChannels(5);
    EXPECT_EQ(w.Channels(), 2);
    EXPECT_EQ(w.BlockAlign(), 8);
    EXPECT_TRUE(errors.empty());

    // A rate of 0 leaves nothing to divide by: reported, and the length keeps its value.
    const auto before = w.Length();
    w.setSampleRate(0);
    EXPECT_EQ(w.BytesPerSecond(), 0);
    EXPECT_EQ(w.Length(), before);
    EXPECT_EQ(errors, std::vector<std::string>{"Division by zero"});

    // Nonsense values are held (the save refuses them) but never overflow the arithmetic.
    w.setSampleRate(2147483647);
    w.setChannels(-2147483647 - 1);
    w.setSampleBits(24);
    EXPECT_EQ(errors.back(), "Overflow");
    EXPECT_EQ(w.BlockAlign(), (-2147483647LL - 1) * 3);

    const auto& list = w.ChannelList();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list.keyAt(0), "Mono");
    EXPECT_EQ(list.at(0).ID(), 1);
    EXPECT_EQ(list.at(1).Name(), "Stereo");
}

TEST(WAVSave, WritesOnlyTheFormatFieldsAfterConfirmation) {
    TempDir dir;
    const auto path = dir.file("a.wav");
    const std::string original = fx::wavFile({2, 44100, 16, 0, 0, 4000});
    fx::writeFile(path, original);
    int asked = 0;
    auto count = [&](bool answer) {
        return [&asked, answer](const std::string& q) {
            EXPECT_EQ(q, WAVInfo::HeaderQuestion);
            ++asked;
            return answer;
        };
    };

    WAVInfo readOnly;
    readOnly.setConfirmHeaderChange(count(true));
    ASSERT_TRUE(readOnly.LoadWAV(path));
    readOnly.setSampleBits(16); // the same value: no change
    EXPECT_TRUE(readOnly.SaveWAV());
    EXPECT_EQ(asked, 0);

    WAVInfo declined;
    declined.setConfirmHeaderChange(count(false));
    ASSERT_TRUE(declined.LoadWAV(path));
    declined.setSampleRate(22050);
    EXPECT_TRUE(declined.SaveWAV());
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(fx::readFile(path), original);

    WAVInfo w;
    w.setConfirmHeaderChange(count(true));
    ASSERT_TRUE(w.LoadWAV(path));
    w.setSampleBits(8);
    w.setChannels(1);
    ASSERT_TRUE(w.SaveWAV());
    EXPECT_EQ(asked, 2);
    std::string after = fx::readFile(path);
    ASSERT_EQ(after.size(), original.size());
    EXPECT_EQ(after.substr(0, kFormatFields), original.substr(0, kFormatFields));
    EXPECT_EQ(after.substr(kFormatFields + 14), original.substr(kFormatFields + 14));
    WAVInfo reread;
    ASSERT_TRUE(reread.LoadWAV(path));
    EXPECT_EQ(reread.Channels(), 1);
    EXPECT_EQ(reread.SampleBits(), 8);
    EXPECT_EQ(reread.BlockAlign(), 1);
    EXPECT_EQ(reread.BytesPerSecond(), 44100);
    EXPECT_EQ(reread.DataLength(), 4000);

    // The change stays marked: saving again asks again, until the object loads a file anew.
    ASSERT_TRUE(w.SaveWAV());
    EXPECT_EQ(asked, 3);
    ASSERT_TRUE(w.LoadWAV(path));
    ASSERT_TRUE(w.SaveWAV());
    EXPECT_EQ(asked, 3);
}

TEST(WAVSave, RefusesWhatCannotBeWrittenSafely) {
    TempDir dir;
    const auto path = dir.file("a.wav");
    const std::string original = fx::wavFile({});
    fx::writeFile(path, original);

    WAVInfo negative;
    negative.setConfirmHeaderChange(yes);
    ASSERT_TRUE(negative.LoadWAV(path));
    negative.setSampleRate(-5);
    EXPECT_FALSE(negative.SaveWAV());
    EXPECT_EQ(fx::readFile(path), original);

    // A format chunk cut short is not extended with our bytes.
    std::string cut = original.substr(0, 30);
    fx::writeFile(path, cut);
    WAVInfo shortFmt;
    shortFmt.setConfirmHeaderChange(yes);
    ASSERT_TRUE(shortFmt.LoadWAV(path));
    shortFmt.setChannels(1);
    EXPECT_FALSE(shortFmt.SaveWAV());
    EXPECT_EQ(fx::readFile(path), cut);

    // Gone or replaced by a folder since loading.
    fx::writeFile(path, original);
    WAVInfo gone;
    gone.setConfirmHeaderChange(yes);
    ASSERT_TRUE(gone.LoadWAV(path));
    gone.setChannels(1);
    std::filesystem::remove(path);
    EXPECT_FALSE(gone.SaveWAV());
    EXPECT_FALSE(std::filesystem::exists(path));
    std::filesystem::create_directory(path);
    EXPECT_FALSE(gone.SaveWAV());
}

TEST(WAVSave, WritesOnlyInsideTheFormatChunkFoundByWalkingTheChunks) {
    TempDir dir;
    const auto path = dir.file("a.wav");
    const std::string wav = fx::wavFile({2, 44100, 16, 0, 0, 64});
    const std::string format = wav.substr(12, 24), data = wav.substr(36);
    // "fmt " as the text of a LIST chunk before the format, and as sample data.
    const std::string list = fx::riffChunk("LIST", "INFO" + fx::riffChunk("ICMT", "fmt is PCM"));
    const std::string samples = fx::riffChunk("data", "fmt " + std::string(60, '\0'));
    const auto riff = [](const std::string& chunks) {
        return fx::riffChunk("RIFF", "WAVE" + chunks);
    };
    constexpr std::size_t kNoFormat = 0;
    const std::pair<std::string, std::size_t> files[] = {
        {riff(list + format + data), 12 + list.size() + 10},
        {riff(samples + format), 12 + samples.size() + 10},
        {riff(samples), kNoFormat},
    };
    for (const auto& [before, fieldsAt] : files) {
        fx::writeFile(path, before);
        WAVInfo w;
        int asked = 0;
        w.setConfirmHeaderChange([&](const std::string&) { return ++asked > 0; });
        ASSERT_TRUE(w.LoadWAV(path));
        EXPECT_EQ(w.SampleRate(), fieldsAt == kNoFormat ? 0 : 44100);
        w.setSampleBits(8);
        EXPECT_EQ(w.SaveWAV(), fieldsAt != kNoFormat);
        const std::string after = fx::readFile(path);
        if (fieldsAt == kNoFormat) {
            EXPECT_EQ(after, before);
            EXPECT_EQ(asked, 0); // refused before anyone is asked
            continue;
        }
        ASSERT_EQ(after.size(), before.size());
        EXPECT_EQ(after.substr(0, fieldsAt), before.substr(0, fieldsAt));
        EXPECT_EQ(after.substr(fieldsAt + 14), before.substr(fieldsAt + 14));
        EXPECT_EQ(after.substr(fieldsAt + 12, 2), std::string("\x08\x00", 2));
    }
}
