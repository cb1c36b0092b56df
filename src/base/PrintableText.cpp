#include "base/PrintableText.h"

#include <glib.h>

#include <cstdio>

namespace delvaronte {

namespace {

bool shownAsCodePoint(gunichar point) {
    return point == 0x061C || point == 0x200E || point == 0x200F || point == 0x2028 ||
           point == 0x2029 || (point >= 0x202A && point <= 0x202E) ||
           (point >= 0x2066 && point <= 0x2069);
}

}  // namespace

std::string printable(std::string_view text) {
    return printable(text, text.size());
}

std::string printable(std::string_view text, size_t characters) {
    std::string shown;
    char code[12];
    size_t counted = 0;
    for (size_t i = 0; i < text.size(); ++counted) {
        if (counted == characters) {
            shown += "...";
            break;
        }
        // A byte that starts no well-formed character counts as one, shown as such.
        const char* at = text.data() + i;
        const gunichar point = g_utf8_get_char_validated(at, gssize(text.size() - i));
        const bool character = point < 0x110000;  // not GLib's (gunichar) -1 or -2
        const size_t length = character ? size_t(g_utf8_next_char(at) - at) : 1;
        if (!character || point < 0x20 || point == 0x7F || (point >= 0x80 && point <= 0x9F)) {
            // A C0 or C1 control, or a byte that starts no character, byte by byte.
            for (size_t b = 0; b < length; ++b) {
                std::snprintf(code, sizeof code, "\\x%02x",
                              static_cast<unsigned char>(text[i + b]));
                shown += code;
            }
        } else if (shownAsCodePoint(point)) {
            std::snprintf(code, sizeof code, "\\u%04X", unsigned(point));
            shown += code;
        } else {
            shown.append(text.substr(i, length));
        }
        i += length;
    }
    return shown;
}

}  // namespace delvaronte
