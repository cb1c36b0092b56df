#pragma once

#include <string_view>

namespace delvaronte {

// Well-formed UTF-8 as Unicode defines it: no overlong forms, no surrogates, nothing past
// U+10FFFF. U+0000 is allowed.
bool isValidUtf8(std::string_view bytes);

}  // namespace delvaronte
