#include "ui/SystemOpener.h"

#include <gdk/gdk.h>
#include <gio/gio.h>

#include <vector>

#include "base/GObjectPtr.h"

namespace delvaronte {

namespace {

std::vector<std::string>& keptFromLaunches() {
    static std::vector<std::string> names;
    return names;
}

}  // namespace

// The display's context (startup notification, the right screen), less our own variables.
void launchDefaultHandler(const std::string& uri) {
    GdkDisplay* display = gdk_display_get_default();
    const auto context =
        display != nullptr ? GRef<GAppLaunchContext>::adopt(
                                 G_APP_LAUNCH_CONTEXT(gdk_display_get_app_launch_context(display)))
                           : GRef<GAppLaunchContext>::adopt(g_app_launch_context_new());
    for (const std::string& name : keptFromLaunches()) {
        g_app_launch_context_unsetenv(context.get(), name.c_str());
    }
    g_app_info_launch_default_for_uri_async(uri.c_str(), context.get(), nullptr, nullptr, nullptr);
}

void setVariableKeptFromLaunches(const char* name, const char* value) {
    g_setenv(name, value, TRUE);
    keptFromLaunches().emplace_back(name);
}

std::string fileUri(const std::string& path) {
    const GText uri(g_filename_to_uri(path.c_str(), nullptr, nullptr));
    return uri ? uri.get() : std::string();
}

}  // namespace delvaronte
