#include "metadata/codec/WAVInfo.h"
#include "AudioFixtures.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace tunewalk;
namespace fx = tunewalk::fixtures;

namespace {

// What a load found: channels, rate, bytes per second, block align, bits, data length, seconds.
std::vector<std::int64_t> fields(const WAVInfo& w) {
    return {w.Channels(),   w.SampleRate(), w.BytesPerSecond(),  w.BlockAlign(),
            w.SampleBits(), w.DataLength(), w.Length().seconds()};
}

// A WAVInfo that loaded `path` and answers the header question with `answer`, counting.
struct Editor {
    Editor(const std::string& path, bool answer = true, bool loads = true) {
        w.setConfirmHeaderChange([this, answer](const std::string& q) {
            EXPECT_EQ(q, WAVInfo::HeaderQuestion);
            ++asked;
            return answer;
        });
        EXPECT_EQ(w.LoadWAV(path), loads);
    }
    WAVInfo w;
    int asked = 0;
};

} // namespace

TEST(WAVLoad, FieldsAreReadAsStoredAndUnsigned) {
    TempDir dir;
    const auto path = dir.file("a.wav");
    fx::WavShape large{40000, 3'000'000'000u, 64, 4'000'000'000u, 8, 16};
    large.statedDataBytes = 4'000'000'000u;
    const struct {
        fx::WavShape shape;
        std::uintmax_t size; // 0: as built; else grown (sparse, costing no disk) to this
        std::vector<std::int64_t> expected;
    } cases[] = {
        {{2, 44100, 16, 0, 0, 44100 * 4 * 10}, 0, {2, 44100, 44100 * 4, 4, 16, 44100 * 4 * 10, 10}},
        // Channels kept as read, bits never above 32.
        {large,
         44 + 4'000'000'000ull,
         {40000, 3'000'000'000, 4'000'000'000, 8, 32, 4'000'000'000, 1}},
    };
    for (const auto& [shape, size, expected] : cases) {
        fx::writeFile(path, fx::wavFile(shape));
        if (size) std::filesystem::resize_file(path, size);
        WAVInfo w;
        ASSERT_TRUE(w.LoadWAV(path));
        EXPECT_EQ(fields(w), expected);
        EXPECT_EQ(w.Filename(), path);
    }
}

// What real-world writers put in the sizes: a data size beyond the end of the file is cut to
// the bytes present, RF64 states its sizes in a ds64 chunk, and a big-endian RIFX file is refused.
TEST(WAVLoad, DataSizesAsWrittenByStreamingAndLargeFileWriters) {
    TempDir dir;
    const auto path = dir.file("a.wav");
    const fx::WavShape twoSeconds{2, 44100, 16, 0, 0, 44100 * 4 * 2 + 1000};
    fx::WavShape streaming = twoSeconds, cutShort = twoSeconds;
    streaming.statedDataBytes = 0xFFFFFFFF;
    cutShort.statedDataBytes = 44100 * 4 * 60;
    const std::vector<std::int64_t> expected = {2, 44100, 176400, 4, 16, 44100 * 4 * 2 + 1000, 2};
    const std::pair<const char*, std::string> files[] = {
        {"streamingWavDataSize", fx::wavFile(streaming)},
        {"downloadCutShort", fx::wavFile(cutShort)},
        {"rf64", fx::rf64File(twoSeconds)},
        {"rf64CutShort", fx::rf64File(twoSeconds, 1ull << 40)},
        {"bw64", "BW64" + fx::rf64File(twoSeconds).substr(4)},
    };
    for (const auto& [name, bytes] : files) {
        fx::writeFile(path, bytes);
        WAVInfo w;
        EXPECT_TRUE(w.LoadWAV(path)) << name;
        EXPECT_EQ(fields(w), expected) << name;
        EXPECT_FALSE(w.BigEndian()) << name;
    }

    // RIFX: every field would read as nonsense (512 channels), so the file is refused, and never
    // written little-endian.
    const std::string rifx = fx::rifxFile(twoSeconds);
    fx::writeFile(path, rifx);
    Editor e(path, true, false);
    EXPECT_TRUE(e.w.BigEndian());
    EXPECT_EQ(fields(e.w), std::vector<std::int64_t>(7, 0));
    e.w.setSampleBits(8);
    EXPECT_EQ(e.w.SaveWAV().reason(), "it is a big-endian WAV file, which cannot be written");
    EXPECT_EQ(e.asked, 0);
    EXPECT_EQ(fx::readFile(path), rifx);
    // The same object goes on to read a little-endian file.
    fx::writeFile(path, fx::wavFile(twoSeconds));
    ASSERT_TRUE(e.w.LoadWAV(path));
    EXPECT_FALSE(e.w.BigEndian());
    EXPECT_EQ(fields(e.w), expected);
}

TEST(WAVLoad, ChunksAreFoundByWalkingTheirHeaders) {
    TempDir dir;
    const auto path = dir.file("a.wav");
    WAVInfo w;
    const auto load = [&](const std::string& bytes) {
        fx::writeFile(path, bytes);
        EXPECT_TRUE(w.LoadWAV(path));
        return fields(w);
    };
    const std::vector<std::int64_t> mono8k = {1, 8000, 8000, 1, 8, 16000, 2};

    // Other chunks between format and data, and far before the format; odd ones are padded.
    fx::WavShape shape{1, 8000, 8, 0, 0, 16000};
    shape.extraChunkBeforeData = fx::riffChunk("LIST", "INFO" + fx::riffChunk("ICMT", "odd"));
    std::string moved = fx::wavFile(shape);
    moved.insert(12, fx::riffChunk("JUNK", std::string(10001, 'x')));
    EXPECT_EQ(load(moved), mono8k);
    // An odd chunk whose writer left out the pad byte.
    std::string unpadded = fx::wavFile(shape);
    unpadded.insert(12, std::string("odd \x03\0\0\0abc", 11));
    EXPECT_EQ(load(unpadded), mono8k);

    // No data chunk: the format is read, the length is 0.
    shape.extraChunkBeforeData.clear();
    shape.withData = false;
    EXPECT_EQ(load(fx::wavFile(shape)), (std::vector<std::int64_t>{1, 8000, 8000, 1, 8, 0, 0}));

    // "WAVE" not at byte 8, lower-case identifiers, or no identifiers at all: no format, and
    // nothing of the previous file shows through.
    std::string early = fx::wavFile({});
    early.replace(8, 4, "WAVX");
    early += "WAVE1234";
    std::string lower = fx::wavFile({});
    lower.replace(8, 4, "wave");
    for (const std::string& bytes : {early, lower, std::string("RIFF"), std::string()}) {
        load(fx::wavFile({}));
        EXPECT_EQ(load(bytes), std::vector<std::int64_t>(7, 0));
    }
}

TEST(WAVLoad, BadFilesFail) {
    TempDir dir;
    WAVInfo w;
    EXPECT_FALSE(w.LoadWAV(dir.file("missing.wav")));

    // Zero bytes per second with a data chunk gives no length to divide by.
    fx::writeFile(dir.file("z.wav"), fx::wavFile({2, 0, 16, 0, 0, 100}));
    EXPECT_FALSE(w.LoadWAV(dir.file("z.wav")));

    // A format chunk cut short by the end of the file reads what is there.
    fx::writeFile(dir.file("cut.wav"), fx::wavFile({}).substr(0, 24));
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
    EXPECT_EQ(fields(w), (std::vector<std::int64_t>{2, 44100, 88200, 2, 8, 44100 * 40, 20}));
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
}

TEST(WAVSave, WritesOnlyTheFormatFieldsAfterConfirmation) {
    TempDir dir;
    const auto path = dir.file("a.wav");
    const std::string original = fx::wavFile({2, 44100, 16, 0, 0, 4000});
    fx::writeFile(path, original);

    Editor same(path);
    same.w.setSampleBits(16); // the same value: no change
    EXPECT_TRUE(same.w.SaveWAV());
    EXPECT_EQ(same.asked, 0);

    Editor declined(path, false);
    declined.w.setSampleRate(22050);
    EXPECT_TRUE(declined.w.SaveWAV());
    EXPECT_EQ(declined.asked, 1);
    EXPECT_EQ(fx::readFile(path), original);

    Editor e(path);
    e.w.setSampleBits(8);
    e.w.setChannels(1);
    ASSERT_TRUE(e.w.SaveWAV());
    EXPECT_EQ(e.asked, 1);
    EXPECT_EQ(fx::readFile(path), fx::wavFile({1, 44100, 8, 0, 0, 4000}));

    // The change stays marked: saving again asks again, until the object loads a file anew.
    ASSERT_TRUE(e.w.SaveWAV());
    EXPECT_EQ(e.asked, 2);
    ASSERT_TRUE(e.w.LoadWAV(path));
    ASSERT_TRUE(e.w.SaveWAV());
    EXPECT_EQ(e.asked, 2);
}

TEST(WAVSave, RefusesWhatCannotBeWrittenSafely) {
    TempDir dir;
    const auto path = dir.file("a.wav");
    const std::string original = fx::wavFile({});
    fx::writeFile(path, original);
    Editor negative(path);
    negative.w.setSampleRate(-5);
    EXPECT_FALSE(negative.w.SaveWAV());
    EXPECT_EQ(fx::readFile(path), original);

    // A format chunk cut short is not extended with our bytes.
    fx::writeFile(path, original.substr(0, 30));
    Editor cut(path);
    cut.w.setChannels(1);
    EXPECT_FALSE(cut.w.SaveWAV());
    EXPECT_EQ(fx::readFile(path), original.substr(0, 30));

    // Gone or replaced by a folder since loading.
    fx::writeFile(path, original);
    Editor gone(path);
    gone.w.setChannels(1);
    std::filesystem::remove(path);
    EXPECT_FALSE(gone.w.SaveWAV());
    EXPECT_FALSE(std::filesystem::exists(path));
    std::filesystem::create_directory(path);
    EXPECT_FALSE(gone.w.SaveWAV());
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
    // The format chunk as it reads after a change to 8 bits.
    const std::string format8 = fx::wavFile({2, 44100, 8, 0, 0, 64}).substr(12, 24);
    const std::pair<std::string, std::string> files[] = {
        {riff(list + format + data), riff(list + format8 + data)},
        {riff(samples + format), riff(samples + format8)},
        {riff(samples), riff(samples)}, // no format chunk: refused before anyone is asked
    };
    for (const auto& [before, expected] : files) {
        fx::writeFile(path, before);
        Editor e(path);
        const bool hasFormat = before != expected;
        EXPECT_EQ(e.w.SampleRate(), hasFormat ? 44100 : 0);
        e.w.setSampleBits(8);
        EXPECT_EQ(static_cast<bool>(e.w.SaveWAV()), hasFormat);
        EXPECT_EQ(e.asked, hasFormat ? 1 : 0);
        EXPECT_EQ(fx::readFile(path), expected);
    }
}
