// Comparing versions: dot-separated numbers.
#pragma once

#include <string_view>

namespace delvaronte {

// Whether candidate is a later version than current: dot-separated signed 64-bit numbers,
// compared position by position; pieces that are not such numbers are dropped and missing
// positions count as 0.
bool isNewerVersion(std::string_view candidate, std::string_view current);

}  // namespace delvaronte
