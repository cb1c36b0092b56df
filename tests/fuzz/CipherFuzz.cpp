// Strict Base64 and decrypt over arbitrary text: never crashes; what decodes encodes back to
// the same text; what decrypts encrypts back to the same cipher.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "config/AppConfig.h"
#include "config/Base64.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    if (const auto bytes = delvaronte::base64Decode(text)) {
        if (delvaronte::base64Encode(*bytes) != text) std::abort();
    }
    const std::string plain = delvaronte::AppConfig::decrypt(text);
    if (!plain.empty() && delvaronte::AppConfig::encrypt(plain) != text) std::abort();
    return 0;
}
