#pragma once

#include <cstdint>
#include <string>

namespace tunewalk {

// A play time in whole seconds. Lengths are shown like a time of day ("hh:mm:ss"), so a length
// of a day or more wraps around: 25 hours show as "01:00:00".
class Duration {
public:
    constexpr Duration() = default;
    static constexpr Duration fromSeconds(std::int64_t seconds) { return Duration(seconds); }
    // The stored form of a length: a fraction of a day, rounded to the nearest second.
    static Duration fromDays(double days);

    constexpr std::int64_t seconds() const { return m_seconds; }
    constexpr double days() const { return static_cast<double>(m_seconds) / 86400.0; }
    constexpr bool isZero() const { return m_seconds == 0; }

    // "hh:mm:ss" of the time of day this length stands for.
    std::string toString() const;

    constexpr auto operator<=>(const Duration&) const = default;

private:
    constexpr explicit Duration(std::int64_t seconds) : m_seconds(seconds) {}
    std::int64_t m_seconds = 0;
};

} // namespace tunewalk
