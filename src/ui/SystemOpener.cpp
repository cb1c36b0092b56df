#include "ui/SystemOpener.h"

#include <gdk/gdk.h>
#include <gio/gio.h>

#include <vector>

#include "ui/GObjectPtr.h"
#include "ui/UriParts.h"

namespace delvaronte {

namespace {

std::function<void(const std::string&)>& testOpener() {
    static std::function<void(const std::string&)> opener;
    return opener;
}

std::vector<std::string>& keptFromLaunches() {
    static std::vector<std::string> names;
    return names;
}

// The display's context (startup notification, the right screen), less our own variables.
void launch(const char* uri) {
    GdkDisplay* display = gdk_display_get_default();
    const auto context =
        display != nullptr ? GRef<GAppLaunchContext>::adopt(
                                 G_APP_LAUNCH_CONTEXT(gdk_display_get_app_launch_context(display)))
                           : GRef<GAppLaunchContext>::adopt(g_app_launch_context_new());
    for (const std::string& name : keptFromLaunches()) {
        g_app_launch_context_unsetenv(context.get(), name.c_str());
    }
    g_app_info_launch_default_for_uri_async(uri, context.get(), nullptr, nullptr, nullptr);
}

}  // namespace

void setVariableKeptFromLaunches(const char* name, const char* value) {
    g_setenv(name, value, TRUE);
    keptFromLaunches().emplace_back(name);
}

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
    launch(uri.c_str());
}

void openFileWithSystem(const std::string& path) {
    const GText uri(g_filename_to_uri(path.c_str(), nullptr, nullptr));
    if (!uri) return;
    if (testOpener()) {
        testOpener()(uri.get());
    } else {
        launch(uri.get());
    }
}

void setSystemOpenerForTesting(std::function<void(const std::string&)> opener) {
    testOpener() = std::move(opener);
}

}  // namespace delvaronte
