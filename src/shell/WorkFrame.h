// The screen's work area as the window rules take it.
#pragma once

#include <optional>

#include "shell/rules/WindowGeometry.h"
#include "ui/ScreenArea.h"

namespace delvaronte {

inline std::optional<Rect> primaryWorkFrame() {
    const std::optional<GdkRectangle> area = primaryWorkArea();
    if (!area) return std::nullopt;
    return Rect{double(area->x), double(area->y), double(area->width), double(area->height)};
}

}  // namespace delvaronte
