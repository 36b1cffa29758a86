#pragma once

// Deterministic random names and numbers for the generated benchmark folders.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace tunewalk::bench {

// SplitMix64: fully specified, so the generated files are the same on every standard library.
// Each file gets its own stream, which keeps file N identical whatever the file counts are.
class Rng {
public:
    explicit Rng(std::uint64_t state) : m_state(state) { next(); }
    std::uint64_t next() {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform in [lo, hi]; the modulo bias is irrelevant for test data.
    int range(int lo, int hi) {
        return lo + static_cast<int>(next() % static_cast<std::uint64_t>(hi - lo + 1));
    }
    bool chance(int percent) { return range(0, 99) < percent; }
    template <std::size_t N> std::string_view pick(const std::array<std::string_view, N>& items) {
        return items[static_cast<std::size_t>(range(0, static_cast<int>(N) - 1))];
    }

private:
    std::uint64_t m_state;
};

inline constexpr std::array<std::string_view, 12> kWords = {"Blue",   "Night",    "River",  "Echo",
                                                            "Summer", "Glass",    "Radio",  "Stone",
                                                            "Heart",  "Electric", "Silver", "Road"};
inline constexpr std::array<std::string_view, 8> kArtists = {
    "The Walkers", "Mara Lind",  "Orbit Seven",       "Kasimir",
    "Low Tide",    "Ana Brandt", "The Paper Engines", "Jun Okada"};

inline std::string words(Rng& rng, int count) {
    std::string out;
    for (int i = 0; i < count; ++i) {
        if (i) out += ' ';
        out += rng.pick(kWords);
    }
    return out;
}

} // namespace tunewalk::bench
