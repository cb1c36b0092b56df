#include "ui/SystemOpener.h"

#include <gio/gio.h>

#include "ui/GObjectPtr.h"
#include "ui/UriParts.h"

namespace delvaronte {

namespace {

std::function<void(const std::string&)>& testOpener() {
    static std::function<void(const std::string&)> opener;
    return opener;
}

}  // namespace

bool isSystemHandledScheme(std::string_view uri) {
    const std::string scheme = uriScheme(uri);
    if (scheme != "http" && scheme != "https" && scheme != "mailto" && scheme != "tel") {
        return false;
    }
    // Escapes are the receiving program's business (a Latin-1 "%E9" is fine); what no
    // address holds as such, spaces and control characters, is refused.
    for (const char c : uri) {
        if (static_cast<unsigned char>(c) <= 0x20 || c == 0x7F) return false;
    }
    return true;
}

void openWithSystem(const std::string& uri) {
    if (!isSystemHandledScheme(uri)) return;
    if (testOpener()) {
        testOpener()(uri);
        return;
    }
    g_app_info_launch_default_for_uri_async(uri.c_str(), nullptr, nullptr, nullptr, nullptr);
}

void openFileWithSystem(const std::string& path) {
    const GText uri(g_filename_to_uri(path.c_str(), nullptr, nullptr));
    if (!uri) return;
    if (testOpener()) {
        testOpener()(uri.get());
    } else {
        g_app_info_launch_default_for_uri_async(uri.get(), nullptr, nullptr, nullptr, nullptr);
    }
}

void setSystemOpenerForTesting(std::function<void(const std::string&)> opener) {
    testOpener() = std::move(opener);
}

}  // namespace delvaronte
