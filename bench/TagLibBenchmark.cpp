// The reference: TagLib's fast read of the same fields. Only built when TagLib is found.

#include "Bench.h"
#include "Corpus.h"

#include <taglib/audioproperties.h>
#include <taglib/mpegfile.h>
#include <taglib/tag.h>

#include <cstdint>
#include <optional>
#include <string>

namespace tunewalk::bench {
namespace {

void BM_TagLibMP3(benchmark::State& state) {
    readEveryFile(state, corpus().mp3, "TagLibMP3",
                  [](const std::string& path) -> std::optional<std::uint64_t> {
                      TagLib::MPEG::File file(path.c_str(), true, TagLib::AudioProperties::Fast);
                      if (!file.isValid()) return std::nullopt;
                      std::uint64_t sink = 0;
                      // Sizes only: converting TagLib's strings would charge it for work the
                      // app's Latin-1 fields do not need, and flatter the comparison.
                      if (const TagLib::Tag* tag = file.tag())
                          sink += tag->title().size() + tag->artist().size() + tag->album().size() +
                                  tag->comment().size() + tag->genre().size() + tag->year();
                      if (const TagLib::AudioProperties* p = file.audioProperties())
                          sink += static_cast<std::uint64_t>(p->bitrate() + p->sampleRate() +
                                                             p->channels() + p->lengthInSeconds());
                      return sink;
                  });
}

} // namespace

BENCHMARK(BM_TagLibMP3)->Apply(timing);

} // namespace tunewalk::bench
