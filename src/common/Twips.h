#pragma once

#include <cmath>

namespace tunewalk {

// Persisted and laid-out coordinates are in twips: 1/1440 inch, 15 per device-independent pixel.
inline constexpr int TwipsPerPixel = 15;

inline constexpr double toTwips(int pixels) {
    return static_cast<double>(pixels) * TwipsPerPixel;
}
inline int toPixels(double twips) {
    return static_cast<int>(std::lround(twips / TwipsPerPixel));
}

} // namespace tunewalk
