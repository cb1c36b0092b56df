#include "shell/NavigationPolicy.h"

#include <glib.h>

#include "ui/UriParts.h"

namespace delvaronte {

namespace {

bool handedToSystem(const std::string& scheme) {
    return scheme == "http" || scheme == "https" || scheme == "mailto" || scheme == "tel";
}

// Schemes whose addresses stay inside the page: they name no other place.
bool staysInPage(const std::string& scheme) {
    return scheme == "about" || scheme == "data" || scheme == "blob" || scheme == "javascript";
}

}  // namespace

NavigationVerdict decideNavigation(std::string_view homeUrl, std::string_view requestUrl,
                                   NavigationKind kind) {
    if (requestUrl.empty()) return NavigationVerdict::Allow;
    const bool link = kind == NavigationKind::LinkActivated;
    const std::string scheme = uriScheme(requestUrl);
    const std::string host = uriHost(requestUrl);

    if (host.empty()) {
        if (!link || scheme.empty() || staysInPage(scheme)) return NavigationVerdict::Allow;
        // mailto: and tel: open the mail client or dialer; file: and custom handlers nothing.
        return handedToSystem(scheme) ? NavigationVerdict::OpenWithSystemCancel
                                      : NavigationVerdict::Cancel;
    }

    const std::string homeHost = uriHost(homeUrl);
    if (!link || g_ascii_strcasecmp(host.c_str(), homeHost.c_str()) == 0) {
        return NavigationVerdict::Allow;
    }
    return handedToSystem(scheme) ? NavigationVerdict::OpenWithSystemCancel
                                  : NavigationVerdict::Cancel;
}

}  // namespace delvaronte
