// config.dat from arbitrary bytes: never crashes, and whatever loads saves and loads again
// unchanged.

#include <cstdint>
#include <cstdlib>
#include <string>

#include "config/AppConfig.h"
#include "config/ConfigJson.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const auto fields = delvaronte::parseConfigJson(bytes);
    if (!fields) return 0;
    const auto written = delvaronte::writeConfigJson(*fields);
    if (!written) return 0;  // a field that is not UTF-8 is not written
    const auto again = delvaronte::parseConfigJson(*written);
    if (!again || again->encryptedUrl != fields->encryptedUrl ||
        again->passwordHash != fields->passwordHash) {
        std::abort();
    }
    return 0;
}
