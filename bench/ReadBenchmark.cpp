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
#include <optional>
#include <string>
#include <system_error>

namespace tunewalk::bench {
namespace {

void BM_LoadMP3(benchmark::State& state) {
    MP3TagEditor editor;
    readEveryFile(
        state, corpus().mp3, "LoadMP3",
        [&](const std::string& path) -> std::optional<std::uint64_t> {
            if (!editor.LoadMP3(path)) return std::nullopt;
            return editor.Title().size() + editor.Artist().size() + editor.Album().size() +
                   editor.Year().size() + editor.Comment().size() + editor.Channels().size() +
                   static_cast<std::uint64_t>(editor.Genra() + editor.Version() + editor.Bitrate() +
                                              editor.SampleRate() + editor.AverageBitrate() +
                                              editor.VBR() + editor.Length().seconds());
        });
}

void BM_LoadWAV(benchmark::State& state) {
    WAVInfo info;
    readEveryFile(state, corpus().wav, "LoadWAV",
                  [&](const std::string& path) -> std::optional<std::uint64_t> {
                      if (!info.LoadWAV(path)) return std::nullopt;
                      return static_cast<std::uint64_t>(info.SampleBits() + info.Channels() +
                                                        info.SampleRate() + info.BytesPerSecond() +
                                                        info.BlockAlign() + info.DataLength() +
                                                        info.Length().seconds());
                  });
}

// Open, read the first 2000 and the last 128 bytes, close: every reader of the first frame
// and the ID3v1 tag pays at least this. Unbuffered stdio and file_size, as the codec uses.
void BM_FloorMP3(benchmark::State& state) {
    std::array<unsigned char, 2000> head{};
    std::array<unsigned char, 128> tail{};
    readEveryFile(state, corpus().mp3, "FloorMP3",
                  [&](const std::string& path) -> std::optional<std::uint64_t> {
                      std::error_code ec;
                      const auto size = std::filesystem::file_size(path, ec);
                      std::FILE* f = ec ? nullptr : std::fopen(path.c_str(), "rb");
                      if (!f) return std::nullopt;
                      std::setvbuf(f, nullptr, _IONBF, 0);
                      std::uint64_t read = std::fread(
                          head.data(), 1, std::min<std::uintmax_t>(head.size(), size), f);
                      if (size > tail.size() &&
                          fseeko(f, static_cast<off_t>(size - tail.size()), SEEK_SET) == 0)
                          read += std::fread(tail.data(), 1, tail.size(), f);
                      std::fclose(f);
                      return read + head[0] + tail[0];
                  });
}

} // namespace

BENCHMARK(BM_LoadMP3)->Apply(timing);
BENCHMARK(BM_FloorMP3)->Apply(timing);
BENCHMARK(BM_LoadWAV)->Apply(timing);

} // namespace tunewalk::bench
