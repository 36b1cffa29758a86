#include "Duration.h"

#include <cmath>
#include <cstdio>

namespace tunewalk {

Duration Duration::fromDays(double days) {
    if (!std::isfinite(days)) return {};
    // Round to the nearest second first: a day fraction rarely holds a whole second exactly.
    return Duration(static_cast<std::int64_t>(std::llround(days * 86400.0)));
}

std::string Duration::toString() const {
    std::int64_t s = m_seconds % 86400;
    if (s < 0) s += 86400;
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", static_cast<int>(s / 3600),
                  static_cast<int>(s / 60 % 60), static_cast<int>(s % 60));
    return text;
}

} // namespace tunewalk
