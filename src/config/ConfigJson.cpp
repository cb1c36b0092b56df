#include "config/ConfigJson.h"

#include <nlohmann/json.hpp>

#include "base/Utf8.h"

namespace delvaronte {

std::optional<ConfigFields> parseConfigJson(std::string_view bytes) {
    const nlohmann::json document =
        nlohmann::json::parse(bytes.begin(), bytes.end(), nullptr, /*allow_exceptions=*/false);
    if (!document.is_object()) return std::nullopt;  // also covers a discarded (invalid) text

    ConfigFields fields;
    for (const auto& [key, value] : document.items()) {
        if (!value.is_string()) return std::nullopt;
        if (key == "encryptedUrl") fields.encryptedUrl = value.get<std::string>();
        if (key == "passwordHash") fields.passwordHash = value.get<std::string>();
    }
    return fields;
}

namespace {

void appendJsonString(std::string& out, std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    out += '"';
    for (const char ch : text) {
        switch (ch) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '/':
                out += "\\/";
                break;
            case '\b':
                out += "\\b";
                break;
            case '\f':
                out += "\\f";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (static_cast<unsigned char>(ch) < 0x20) {
                    out += "\\u00";
                    out += kHex[(ch >> 4) & 0xF];
                    out += kHex[ch & 0xF];
                } else {
                    out += ch;
                }
        }
    }
    out += '"';
}

}  // namespace

std::optional<std::string> writeConfigJson(const ConfigFields& fields) {
    if (!isValidUtf8(fields.encryptedUrl) || !isValidUtf8(fields.passwordHash)) {
        return std::nullopt;
    }
    std::string out = "{\"encryptedUrl\":";
    appendJsonString(out, fields.encryptedUrl);
    out += ",\"passwordHash\":";
    appendJsonString(out, fields.passwordHash);
    out += '}';
    return out;
}

}  // namespace delvaronte
