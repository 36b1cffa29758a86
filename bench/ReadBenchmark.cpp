// The codec's reads against the floor: what opening a file and reading the bytes the loader
// needs costs with the same kind of I/O, and nothing else.

#include "Bench.h"
#include "Corpus.h"
#include "metadata/codec/MP3TagEditor.h"
#include "metadata/codec/WAVInfo.h"

#include <sys/types.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace tunewalk::bench {
namespace {

void BM_LoadMP3(benchmark::State& state) {
    const auto& files = corpus().mp3;
    if (files.empty()) {
        state.SkipWithError("no MP3 files in the corpus");
        return;
    }
    MP3TagEditor editor;
    std::int64_t failed = 0;
    for (auto _ : state) {
        std::uint64_t sink = 0;
        for (const auto& path : files) {
            if (!editor.LoadMP3(path)) {
                ++failed;
                continue;
            }
            sink += editor.Title().size() + editor.Artist().size() + editor.Album().size() +
                    editor.Year().size() + editor.Comment().size() + editor.Channels().size();
            sink += static_cast<std::uint64_t>(editor.Genra() + editor.Version() +
                                               editor.Bitrate() + editor.SampleRate() +
                                               editor.AverageBitrate() + editor.VBR());
            sink += static_cast<std::uint64_t>(editor.Length().seconds());
        }
        benchmark::DoNotOptimize(sink);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(files.size()));
    if (failed) state.counters["failed"] = static_cast<double>(failed);
    notePeakMemory("LoadMP3");
}

void BM_LoadWAV(benchmark::State& state) {
    const auto& files = corpus().wav;
    if (files.empty()) {
        state.SkipWithError("no WAV files in the corpus");
        return;
    }
    WAVInfo info;
    std::int64_t failed = 0;
    for (auto _ : state) {
        std::uint64_t sink = 0;
        for (const auto& path : files) {
            if (!info.LoadWAV(path)) {
                ++failed;
                continue;
            }
            sink += static_cast<std::uint64_t>(info.SampleBits() + info.Channels());
            sink += static_cast<std::uint64_t>(info.SampleRate() + info.BytesPerSecond() +
                                               info.BlockAlign() + info.DataLength() +
                                               info.Length().seconds());
        }
        benchmark::DoNotOptimize(sink);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(files.size()));
    if (failed) state.counters["failed"] = static_cast<double>(failed);
    notePeakMemory("LoadWAV");
}

// Open, read the first 2000 and the last 128 bytes, close: every reader of the first frame
// and the ID3v1 tag pays at least this. Unbuffered stdio and file_size, as the codec uses.
void BM_FloorMP3(benchmark::State& state) {
    const auto& files = corpus().mp3;
    if (files.empty()) {
        state.SkipWithError("no MP3 files in the corpus");
        return;
    }
    std::array<unsigned char, 2000> head{};
    std::array<unsigned char, 128> tail{};
    std::int64_t failed = 0;
    for (auto _ : state) {
        std::uint64_t sink = 0;
        for (const auto& path : files) {
            std::error_code ec;
            const auto size = std::filesystem::file_size(path, ec);
            std::FILE* f = ec ? nullptr : std::fopen(path.c_str(), "rb");
            if (!f) {
                ++failed;
                continue;
            }
            std::setvbuf(f, nullptr, _IONBF, 0);
            sink += std::fread(head.data(), 1, std::min<std::uintmax_t>(head.size(), size), f);
            if (size > tail.size() &&
                fseeko(f, static_cast<off_t>(size - tail.size()), SEEK_SET) == 0)
                sink += std::fread(tail.data(), 1, tail.size(), f);
            std::fclose(f);
            sink += head[0] + tail[0];
        }
        benchmark::DoNotOptimize(sink);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(files.size()));
    if (failed) state.counters["failed"] = static_cast<double>(failed);
    notePeakMemory("FloorMP3");
}

} // namespace

BENCHMARK(BM_LoadMP3)->Apply(timing);
BENCHMARK(BM_FloorMP3)->Apply(timing);
BENCHMARK(BM_LoadWAV)->Apply(timing);

} // namespace tunewalk::bench
