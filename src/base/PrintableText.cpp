#include "base/PrintableText.h"

#include <cstdio>

namespace delvaronte {

namespace {

// The code point of the well-formed UTF-8 sequence at `at`, and its length; 0 for none.
char32_t codePointAt(std::string_view text, size_t at, size_t& length) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[at + i]); };
    const auto lead = byte(0);
    length = lead < 0x80           ? 1
             : (lead >> 5) == 0x6  ? 2
             : (lead >> 4) == 0xE  ? 3
             : (lead >> 3) == 0x1E ? 4
                                   : 0;
    if (length == 0 || at + length > text.size()) {
        length = 1;
        return 0;
    }
    char32_t point = length == 1 ? lead : lead & (0x7F >> length);
    for (size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80) {
            length = 1;
            return 0;
        }
        point = (point << 6) | (byte(i) & 0x3F);
    }
    return point;
}

bool shownAsCodePoint(char32_t point) {
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
    char code[8];
    size_t counted = 0;
    for (size_t i = 0; i < text.size(); ++counted) {
        if (counted == characters) {
            shown += "...";
            break;
        }
        size_t length = 0;
        const char32_t point = codePointAt(text, i, length);
        if (point < 0x20 || point == 0x7F || (point >= 0x80 && point <= 0x9F)) {
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
