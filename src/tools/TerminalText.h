// Text from a file or the command line, made safe to print on the administrator's terminal.
#pragma once

#include <string>
#include <string_view>

namespace delvaronte {

// Control characters (C0, DEL and C1) are written as \xNN, so that a forged file cannot send
// escape sequences to the terminal; the bidirectional embeddings, overrides and isolates
// (U+202A to U+202E, U+2066 to U+2069) as \u202E and the like, so that an address cannot be
// shown reversed.
std::string printable(std::string_view text);

}  // namespace delvaronte
