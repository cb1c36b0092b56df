// The JSON text of config.dat.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace delvaronte {

struct ConfigFields {
    std::string encryptedUrl;
    std::string passwordHash;
};

// Accepts any JSON text whose top level is an object with only string members; a missing
// "encryptedUrl" or "passwordHash" reads as empty and other keys are ignored. Anything else
// (not JSON, an array, a scalar, a member that is not a string) gives nothing.
std::optional<ConfigFields> parseConfigJson(std::string_view bytes);

// The compact object {"encryptedUrl":"…","passwordHash":"…"}, with every slash escaped.
// Nothing when a field is not UTF-8.
std::optional<std::string> writeConfigJson(const ConfigFields& fields);

}  // namespace delvaronte
