#pragma once

#include <optional>

#include "shell/WindowGeometry.h"

namespace delvaronte {

// The primary monitor's work area (without panels), or nothing when no monitor is known.
std::optional<Rect> primaryWorkArea();

}  // namespace delvaronte
