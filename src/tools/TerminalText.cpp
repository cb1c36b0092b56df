#include "tools/TerminalText.h"

#include <cstdio>

namespace delvaronte {

namespace {

// U+202A..U+202E are E2 80 AA..AE in UTF-8; U+2066..U+2069 are E2 81 A6..A9.
bool isBidiControl(std::string_view text, size_t at) {
    if (at + 2 >= text.size() || static_cast<unsigned char>(text[at]) != 0xE2) return false;
    const auto second = static_cast<unsigned char>(text[at + 1]);
    const auto third = static_cast<unsigned char>(text[at + 2]);
    return (second == 0x80 && third >= 0xAA && third <= 0xAE) ||
           (second == 0x81 && third >= 0xA6 && third <= 0xA9);
}

}  // namespace

std::string printable(std::string_view text) {
    std::string shown;
    char code[8];
    const auto escape = [&](unsigned char byte) {
        std::snprintf(code, sizeof code, "\\x%02x", byte);
        shown += code;
    };
    for (size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
        if (byte < 0x20 || byte == 0x7F) {
            escape(byte);
        } else if (byte == 0xC2 && next >= 0x80 && next <= 0x9F) {
            escape(byte);
            escape(next);
            ++i;
        } else if (isBidiControl(text, i)) {
            const auto third = static_cast<unsigned char>(text[i + 2]);
            std::snprintf(code, sizeof code, "\\u%04X",
                          next == 0x80 ? 0x2000 + third - 0x80 : 0x2040 + third - 0x80);
            shown += code;
            i += 2;
        } else {
            shown += text[i];
        }
    }
    return shown;
}

}  // namespace delvaronte
