#pragma once

// What a recording of three files played in a row shows at the junctions between them: where
// the source sits in the recording just before and just after each junction, so that samples
// inserted or lost there show as a change of that offset.

#include <QString>

#include <cstdint>
#include <vector>

namespace tunewalk::bench {

constexpr int kRate = 44100;

// Interleaved 16-bit stereo frames.
using Frames = std::vector<std::int16_t>;

Frames readRawFrames(const QString& path);
inline long frameCount(const Frames& f) {
    return long(f.size() / 2);
}

struct Junction {
    long at = 0; // the source frame where the next file begins
    // Where source frames sit in the recording, minus their place in the source, just before
    // and just after the junction; false when no place matched.
    long before = 0, after = 0;
    bool found = false;
    // Samples inserted (positive) or lost (negative) at the junction.
    long change() const { return after - before; }
};

struct JunctionReport {
    std::vector<Junction> junctions;
    long lead = 0; // frames in the recording before the source's first one
    // Exact comparison only: every frame of the source is in the recording, unchanged and in
    // order, after `lead` frames.
    bool identical = false;
};

// `exact`: the offsets are where the recording holds the very same samples (a lossless set);
// otherwise where it correlates best with the source (a lossy set, or a sound server between).
JunctionReport measureJunctions(const Frames& recording, const Frames& source,
                                const std::vector<long>& junctions, bool exact);

} // namespace tunewalk::bench
