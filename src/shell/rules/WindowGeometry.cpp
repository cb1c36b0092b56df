#include "shell/rules/WindowGeometry.h"

#include <algorithm>

namespace delvaronte {

namespace {

constexpr double kScreenShare = 0.9;
constexpr double kMainMaximumWidth = 1440;
constexpr double kMainMaximumHeight = 900;
constexpr double kPopupDefaultWidth = 1200;
constexpr double kPopupDefaultHeight = 800;

Rect centred(const Rect& area, double width, double height) {
    return {area.x + (area.width - width) * 0.5, area.y + (area.height - height) * 0.5, width,
            height};
}

}  // namespace

Rect mainWindowRect(const std::optional<Rect>& workArea) {
    const Rect area = workArea.value_or(kFallbackScreen);
    return centred(area, std::min(kScreenShare * area.width, kMainMaximumWidth),
                   std::min(kScreenShare * area.height, kMainMaximumHeight));
}

Rect popupRect(const std::optional<Rect>& workArea, std::optional<double> width,
               std::optional<double> height) {
    return centred(workArea.value_or(kFallbackScreen), width.value_or(kPopupDefaultWidth),
                   height.value_or(kPopupDefaultHeight));
}

}  // namespace delvaronte
