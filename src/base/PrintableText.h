// Text from a file, a server or the command line, made safe to show to a person: on the
// administrator's terminal, or in one of our dialogs.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace delvaronte {

// Control characters (C0, DEL and C1) are written as \xNN, so that a forged file cannot send
// escape sequences to the terminal nor start a line of its own; the line and paragraph
// separators (U+2028, U+2029) and the bidirectional controls (the embeddings, overrides and
// isolates U+202A to U+202E and U+2066 to U+2069, the marks U+200E, U+200F and U+061C) as
// \u2028 and the like, so that a text cannot draw a line that is not its own nor be shown
// reversed.
std::string printable(std::string_view text);

// The same, of at most that many characters of the text (a longer one is cut, and ends with
// "..."); a byte that is not UTF-8 counts as one.
std::string printable(std::string_view text, std::size_t characters);

}  // namespace delvaronte
