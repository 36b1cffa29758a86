// The reference: TagLib's fast read of the same fields. Only built when TagLib is found.

#include "Bench.h"
#include "Corpus.h"

#include <taglib/audioproperties.h>
#include <taglib/mpegfile.h>
#include <taglib/tag.h>

#include <cstdint>

namespace tunewalk::bench {
namespace {

void BM_TagLibMP3(benchmark::State& state) {
    const auto& files = corpus().mp3;
    if (files.empty()) {
        state.SkipWithError("no MP3 files in the corpus");
        return;
    }
    std::int64_t failed = 0;
    for (auto _ : state) {
        std::uint64_t sink = 0;
        for (const auto& path : files) {
            TagLib::MPEG::File file(path.c_str(), true, TagLib::AudioProperties::Fast);
            if (!file.isValid()) {
                ++failed;
                continue;
            }
            // Sizes only: converting TagLib's strings would charge it for work the app's
            // Latin-1 fields do not need, and flatter the comparison.
            if (const TagLib::Tag* tag = file.tag()) {
                sink += tag->title().size() + tag->artist().size() + tag->album().size() +
                        tag->comment().size() + tag->genre().size() + tag->year();
            }
            if (const TagLib::AudioProperties* p = file.audioProperties()) {
                sink += static_cast<std::uint64_t>(p->bitrate() + p->sampleRate() + p->channels() +
                                                   p->lengthInSeconds());
            }
        }
        benchmark::DoNotOptimize(sink);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(files.size()));
    if (failed) state.counters["failed"] = static_cast<double>(failed);
    notePeakMemory("TagLibMP3");
}

} // namespace

BENCHMARK(BM_TagLibMP3)->Apply(timing);

} // namespace tunewalk::bench
