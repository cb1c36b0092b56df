// Where windows go: the main window and pop-ups, sized and centred on the screen's work
// area. GTK leaves placement to the window manager; the sizes are used, the origins are
// what the window would ask for.
#pragma once

#include <optional>

namespace delvaronte {

struct Rect {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;
    bool operator==(const Rect&) const = default;
};

// The work area used when no monitor is known.
inline constexpr Rect kFallbackScreen{0, 0, 1280, 800};
inline constexpr int kMainMinimumWidth = 800;
inline constexpr int kMainMinimumHeight = 600;
inline constexpr int kPopupMinimumWidth = 400;
inline constexpr int kPopupMinimumHeight = 300;

// 0.9 of the work area, at most 1440 x 900, centred.
Rect mainWindowRect(const std::optional<Rect>& workArea);

// The size the page asked for (1200 x 800 for what it did not give), centred, not clamped.
Rect popupRect(const std::optional<Rect>& workArea, std::optional<double> width,
               std::optional<double> height);

}  // namespace delvaronte
