// Manifest bodies and version texts: never crash; a version is never newer than itself.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "update/UpdateChecker.h"
#include "update/rules/Manifest.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    if (const auto manifest = delvaronte::readManifest(text)) {
        (void)delvaronte::updateAvailableText(*manifest);
        (void)delvaronte::isDownloadAddress(manifest->downloadUrl);
    }
    using delvaronte::UpdateChecker;
    if (UpdateChecker::isNewerVersion(text, text)) std::abort();
    const size_t half = text.size() / 2;
    const std::string a = text.substr(0, half);
    const std::string b = text.substr(half);
    if (UpdateChecker::isNewerVersion(a, b) && UpdateChecker::isNewerVersion(b, a)) std::abort();
    (void)delvaronte::decideUpdate({delvaronte::FetchResult::Status::Received, text}, true);
    return 0;
}
