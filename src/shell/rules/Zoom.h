// Page zoom steps of the "Fenetre" menu. Exactly 0.1 per step, unrounded, so steps add up
// the way the web view's own factor does.
#pragma once

#include <algorithm>
#include <optional>

namespace delvaronte {

inline constexpr double kZoomStep = 0.1;
inline constexpr double kZoomFloor = 0.5;
inline constexpr double kZoomActualSize = 1.0;

constexpr double zoomedIn(double current) {
    return current + kZoomStep;
}
constexpr double zoomedOut(double current) {
    return std::max(current - kZoomStep, kZoomFloor);
}

// A zoom read back from the user's file: nothing when no step of the menu could have set it.
constexpr std::optional<double> keptZoom(double stored) {
    if (stored >= kZoomFloor && stored <= 10.0) return stored;  // false for NaN too
    return std::nullopt;
}

}  // namespace delvaronte
