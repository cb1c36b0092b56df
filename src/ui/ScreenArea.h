// The part of the screen that windows may take.
#pragma once

#include <gtk/gtk.h>

#include <optional>

namespace delvaronte {

// The primary monitor's work area (without panels), or nothing when no monitor is known.
std::optional<GdkRectangle> primaryWorkArea();

}  // namespace delvaronte
