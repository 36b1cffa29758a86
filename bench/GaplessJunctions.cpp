#include "GaplessJunctions.h"

#include <QFile>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <optional>

namespace tunewalk::bench {

namespace {

// Frames compared on each side of a junction, and how far from it the windows keep: frames lost
// right at the joint (the end of one file or the start of the next) leave the windows whole, and
// a decoder's edge effects there are no offset.
constexpr long kWindow = 4096;
constexpr long kMargin = 256;
// How far the offset is looked for: around the last one found before a junction; after it,
// from a loss of that much up to an insertion of half a second.
constexpr long kAround = 4096;
constexpr long kMostInserted = kRate / 2;

struct Search {
    long at, from, to; // source frames [at, at + kWindow), offsets [from, to]
};

// The offset at which the recording holds exactly the source's frames, nearest the middle of
// the range first.
std::optional<long> exactOffset(const Frames& rec, const Frames& src, const Search& s,
                                long middle) {
    const long recFrames = frameCount(rec);
    const auto matches = [&](long lag) {
        const long start = s.at + lag;
        if (lag < s.from || lag > s.to || start < 0 || start + kWindow > recFrames) return false;
        return std::memcmp(&rec[std::size_t(start) * 2], &src[std::size_t(s.at) * 2],
                           std::size_t(kWindow) * 4) == 0;
    };
    for (long d = 0; d <= std::max(middle - s.from, s.to - middle); ++d) {
        if (matches(middle - d)) return middle - d;
        if (d && matches(middle + d)) return middle + d;
    }
    return std::nullopt;
}

// The offset at which the recording correlates best with the source (both channels summed),
// scaled by the recording's level there, so that a loud stretch does not win by loudness.
std::optional<long> correlatedOffset(const std::vector<float>& rec, const std::vector<float>& src,
                                     const Search& s) {
    const long recFrames = long(rec.size());
    std::optional<long> best;
    double bestScore = 0;
    for (long lag = s.from; lag <= s.to; ++lag) {
        const long start = s.at + lag;
        if (start < 0 || start + kWindow > recFrames) continue;
        double dot = 0, energy = 0;
        const float* r = &rec[std::size_t(start)];
        const float* x = &src[std::size_t(s.at)];
        for (long i = 0; i < kWindow; ++i) {
            dot += double(r[i]) * x[i];
            energy += double(r[i]) * r[i];
        }
        const double score = energy > 0 ? dot / std::sqrt(energy) : 0;
        if (score > bestScore) {
            bestScore = score;
            best = lag;
        }
    }
    return best;
}

std::vector<float> mono(const Frames& f) {
    std::vector<float> m(f.size() / 2);
    for (std::size_t i = 0; i < m.size(); ++i)
        m[i] = float(f[2 * i]) + float(f[2 * i + 1]);
    return m;
}

// The first frame that is clearly not silence.
long firstSound(const Frames& f) {
    for (std::size_t i = 0; i < f.size(); ++i)
        if (std::abs(int(f[i])) > 64) return long(i / 2);
    return 0;
}

} // namespace

Frames readRawFrames(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    const QByteArray bytes = file.readAll();
    Frames frames(std::size_t(bytes.size()) / 4 * 2);
    std::memcpy(frames.data(), bytes.constData(), frames.size() * 2);
    return frames;
}

JunctionReport measureJunctions(const Frames& recording, const Frames& source,
                                const std::vector<long>& junctions, bool exact) {
    const std::vector<float> recMono = mono(recording), srcMono = mono(source);
    bool allExact = exact;
    const auto find = [&](const Search& s, long middle) -> std::optional<long> {
        if (exact)
            if (const auto lag = exactOffset(recording, source, s, middle)) return lag;
        allExact = false;
        return correlatedOffset(recMono, srcMono, s);
    };

    JunctionReport report;
    long estimate = firstSound(recording) - firstSound(source);
    for (const long at : junctions) {
        Junction j;
        j.at = at;
        const auto before =
            find({at - kMargin - kWindow, estimate - kAround, estimate + kAround}, estimate);
        if (before) {
            const auto after =
                find({at + kMargin, *before - kAround, *before + kMostInserted}, *before);
            if (after) {
                j.before = *before;
                j.after = *after;
                j.found = true;
                estimate = *after;
            }
        }
        report.junctions.push_back(j);
    }
    if (report.junctions.empty() || !report.junctions.front().found) return report;
    report.lead = report.junctions.front().before;
    const bool unchanged =
        std::all_of(report.junctions.begin(), report.junctions.end(),
                    [](const Junction& j) { return j.found && j.change() == 0; });
    const long lead = report.lead;
    report.identical =
        allExact && unchanged && lead >= 0 && lead + frameCount(source) <= frameCount(recording) &&
        std::equal(source.begin(), source.end(), recording.begin() + std::ptrdiff_t(lead) * 2);
    return report;
}

} // namespace tunewalk::bench
