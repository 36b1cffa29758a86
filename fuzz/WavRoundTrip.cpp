// The WAV round trip: load, assign format fields, save, and check that at most the fourteen
// bytes of the format fields changed and that they read back as assigned.

#include "FuzzSupport.h"

#include "metadata/codec/WAVInfo.h"

#include <cstdint>
#include <vector>

namespace tunewalk::fuzz {
namespace {

constexpr std::size_t kNone = static_cast<std::size_t>(-1);
// The format fields follow the chunk id, its size and the format tag.
constexpr std::size_t kFieldsAt = 10;
constexpr std::size_t kFieldBytes = 14;

struct State {
    int bits = 0, channels = 0;
    std::int64_t rate = 0, bytesPerSecond = 0, blockAlign = 0, dataLength = 0, seconds = 0;

    explicit State(const WAVInfo& w)
        : bits(w.SampleBits()), channels(w.Channels()), rate(w.SampleRate()),
          bytesPerSecond(w.BytesPerSecond()), blockAlign(w.BlockAlign()),
          dataLength(w.DataLength()), seconds(w.Length().seconds()) {}

    bool sameFormat(const State& o) const {
        return bits == o.bits && channels == o.channels && rate == o.rate &&
               bytesPerSecond == o.bytesPerSecond && blockAlign == o.blockAlign;
    }
    bool fitsHeader() const {
        const auto fits = [](std::int64_t v, std::int64_t max) { return v >= 0 && v <= max; };
        return fits(channels, 0xFFFF) && fits(rate, 0xFFFFFFFF) &&
               fits(bytesPerSecond, 0xFFFFFFFF) && fits(blockAlign, 0xFFFF) && fits(bits, 0xFFFF);
    }
    std::string describe() const {
        return std::to_string(channels) + " ch " + std::to_string(rate) + " Hz " +
               std::to_string(bits) + " bit " + std::to_string(bytesPerSecond) + " B/s align " +
               std::to_string(blockAlign);
    }
};

// The format chunk as the codec finds it: the first "fmt " chunk met walking the chunk headers
// of a RIFF/WAVE file from byte 12, each payload padded to an even length.
struct Format {
    std::size_t at = kNone;
    std::size_t size = 0;
};

Format formatChunk(const std::string& f) {
    if (f.size() < 12 || f.compare(8, 4, "WAVE") != 0) return {};
    for (std::size_t at = 12; at + 8 <= f.size();) {
        std::size_t size = 0;
        for (std::size_t i = 4; i-- > 0;)
            size = (size << 8) | static_cast<unsigned char>(f[at + 4 + i]);
        if (f.compare(at, 4, "fmt ") == 0) return {at, size};
        at += 8 + size;
        // Some writers leave out the pad byte after an odd-sized chunk: where four printable
        // bytes stand right after the payload, that is the next header.
        const auto printable = [&](std::size_t i) {
            return i < f.size() && f[i] >= 0x20 && f[i] < 0x7f;
        };
        if ((size & 1) != 0 &&
            !(printable(at) && printable(at + 1) && printable(at + 2) && printable(at + 3)))
            ++at;
    }
    return {};
}

void checkLoaded(const State& s) {
    const bool sane = s.bits >= 0 && s.bits <= WAVInfo::MaxSampleBits() && s.channels >= 0 &&
                      s.channels <= 0xFFFF && s.rate >= 0 && s.rate <= 0xFFFFFFFF &&
                      s.bytesPerSecond >= 0 && s.bytesPerSecond <= 0xFFFFFFFF &&
                      s.blockAlign >= 0 && s.blockAlign <= 0xFFFF && s.dataLength >= 0 &&
                      s.dataLength <= 0xFFFFFFFF && s.seconds >= 0;
    if (!sane) fail("wav-load-values", s.describe());
}

} // namespace

void roundTripWav(const std::string& path, const std::string& before, const WavPlan& p) {
    writeBytes(path, before);
    WAVInfo info;
    info.setErrorReporter([](const std::string&) {});
    if (!info.LoadWAV(path)) return; // refused as unusable: there is nothing to save
    const State loaded(info);
    checkLoaded(loaded);

    if (p.sampleBits) info.setSampleBits(*p.sampleBits);
    if (p.sampleRate) info.setSampleRate(*p.sampleRate);
    if (p.channels) info.setChannels(*p.channels);
    const State pre(info);
    info.setConfirmHeaderChange([&](const std::string&) { return !p.decline; });
    const bool saved = static_cast<bool>(info.SaveWAV());
    const std::string after = readBytes(path);

    if (after.size() != before.size())
        fail("wav-save-length",
             std::to_string(before.size()) + " bytes became " + std::to_string(after.size()));
    std::vector<std::size_t> changed;
    for (std::size_t i = 0; i < before.size() && i < after.size(); ++i)
        if (before[i] != after[i]) changed.push_back(i);
    if (changed.size() > kFieldBytes)
        fail("wav-save-bytes", std::to_string(changed.size()) + " bytes changed");
    if (p.decline && !changed.empty())
        fail("wav-save-declined", "the file changed although the change was declined");

    const Format format = formatChunk(before);
    const std::size_t fmt = format.at;
    // The fields end 16 bytes into the chunk's payload.
    const bool complete =
        fmt != kNone && format.size >= 16 && fmt + kFieldsAt + kFieldBytes <= before.size();
    // Failing is right only for a file without a format chunk, values the fields cannot hold or
    // a chunk too short for them, and then nothing may have been written.
    if (!saved &&
        (!changed.empty() || (p.decline && fmt != kNone) || (complete && pre.fitsHeader())))
        fail("wav-save-result", "SaveWAV failed for " + pre.describe());
    if (!changed.empty()) {
        if (!complete || changed.front() < fmt + kFieldsAt ||
            changed.back() >= fmt + kFieldsAt + kFieldBytes)
            fail("wav-save-bytes", "changed bytes outside the format fields");
        // A field nobody assigned keeps its bytes; the derived ones may follow the others.
        const auto kept = [&](std::size_t offset, std::size_t n) {
            return before.compare(fmt + kFieldsAt + offset, n, after, fmt + kFieldsAt + offset,
                                  n) == 0;
        };
        if ((!p.channels && !kept(0, 2)) || (!p.sampleRate && !kept(2, 4)))
            fail("wav-save-unassigned", "a field nobody assigned changed; loaded " +
                                            loaded.describe() + ", saved " + pre.describe());
        if (!p.sampleBits && !kept(12, 2)) {
            const std::size_t bitsAt = fmt + kFieldsAt + 12;
            const unsigned stored = static_cast<unsigned char>(before[bitsAt]) |
                                    static_cast<unsigned char>(before[bitsAt + 1]) << 8;
            // More than 32 bits loads as 32 and is written back so: the editor never offers more.
            const bool clamped = stored > static_cast<unsigned>(WAVInfo::MaxSampleBits()) &&
                                 pre.bits == WAVInfo::MaxSampleBits();
            if (!clamped)
                fail("wav-save-unassigned", "the bits field " + std::to_string(stored) +
                                                " was rewritten as " + std::to_string(pre.bits));
        }
    }
    if (saved && !p.decline && complete) {
        WAVInfo reader;
        reader.LoadWAV(path); // may refuse a zero byte rate, but the fields are read
        const State reloaded(reader);
        if (!reloaded.sameFormat(pre) || reloaded.dataLength != loaded.dataLength)
            fail("wav-reload",
                 "saved " + pre.describe() + ", reads back as " + reloaded.describe());
    }

    // A load starts afresh: saving right after it must not touch the file.
    if (info.LoadWAV(path)) {
        if (!info.SaveWAV()) fail("wav-resave", "load and save of the saved file failed");
        if (readBytes(path) != after)
            fail("wav-resave", "saving without assignments changed the file");
    }
}

} // namespace tunewalk::fuzz
