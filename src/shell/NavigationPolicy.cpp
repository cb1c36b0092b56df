#include "shell/NavigationPolicy.h"

#include <glib.h>

#include "ui/UriParts.h"

namespace delvaronte {

namespace {

constexpr int64_t kHandOffIntervalMicroseconds = 1'000'000;

// Schemes whose addresses stay inside the page: they name no other place.
bool staysInPage(const std::string& scheme) {
    return scheme == "about" || scheme == "data" || scheme == "blob" || scheme == "javascript";
}

}  // namespace

NavigationVerdict decideNavigation(std::string_view homeUrl, std::string_view requestUrl,
                                   NavigationKind kind) {
    if (requestUrl.empty()) return NavigationVerdict::Allow;
    const std::string scheme = uriScheme(requestUrl);
    if (scheme.empty() || staysInPage(scheme)) return NavigationVerdict::Allow;
    if (scheme == "mailto" || scheme == "tel") return NavigationVerdict::OpenWithSystemCancel;
    if (scheme != "http" && scheme != "https") return NavigationVerdict::Cancel;

    const std::string host = uriHost(requestUrl);
    if (host.empty() || kind != NavigationKind::LinkActivated) return NavigationVerdict::Allow;
    return host == uriHost(homeUrl) ? NavigationVerdict::Allow
                                    : NavigationVerdict::OpenWithSystemCancel;
}

bool mayHandOff(bool userGesture, std::optional<int64_t> lastHandOff, int64_t now) {
    return userGesture && (!lastHandOff || now - *lastHandOff >= kHandOffIntervalMicroseconds);
}

}  // namespace delvaronte
