#pragma once

namespace delvaronte {

// Adds a style sheet of ours to the display, once for each sheet, above the theme.
void addStyleSheet(const char* css);

}  // namespace delvaronte
