// Base64 with the standard alphabet and "=" padding, no line breaks.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace delvaronte {

std::string base64Encode(std::string_view bytes);

// Strict: the length is a multiple of four, only alphabet characters appear (no spaces, no
// line breaks), "=" only as one or two final characters, and the bits that padding drops are
// zero. Anything else gives nothing.
std::optional<std::string> base64Decode(std::string_view text);

}  // namespace delvaronte
