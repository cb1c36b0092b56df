#include "shell/NavigationPolicy.h"

#include <glib.h>

namespace delvaronte {

namespace {

std::string schemeOf(std::string_view url) {
    const std::string text(url);
    const char* scheme = g_uri_peek_scheme(text.c_str());  // lowercased
    return scheme != nullptr ? scheme : "";
}

bool handedToSystem(const std::string& scheme) {
    return scheme == "http" || scheme == "https" || scheme == "mailto" || scheme == "tel";
}

// Schemes whose addresses stay inside the page: they name no other place.
bool staysInPage(const std::string& scheme) {
    return scheme == "about" || scheme == "data" || scheme == "blob" || scheme == "javascript";
}

}  // namespace

std::string hostOf(std::string_view url) {
    const std::string text(url);
    GUri* uri = g_uri_parse(text.c_str(), G_URI_FLAGS_NONE, nullptr);
    if (uri == nullptr) return {};
    const char* host = g_uri_get_host(uri);
    std::string result = host != nullptr ? host : "";
    g_uri_unref(uri);
    return result;
}

NavigationVerdict decideNavigation(std::string_view homeUrl, std::string_view requestUrl,
                                   NavigationKind kind) {
    if (requestUrl.empty()) return NavigationVerdict::Allow;
    const bool link = kind == NavigationKind::LinkActivated;
    const std::string scheme = schemeOf(requestUrl);
    const std::string host = hostOf(requestUrl);

    if (host.empty()) {
        if (!link || scheme.empty() || staysInPage(scheme)) return NavigationVerdict::Allow;
        // mailto: and tel: open the mail client or dialer; file: and custom handlers nothing.
        return handedToSystem(scheme) ? NavigationVerdict::OpenWithSystemCancel
                                      : NavigationVerdict::Cancel;
    }

    const std::string homeHost = hostOf(homeUrl);
    if (!link || g_ascii_strcasecmp(host.c_str(), homeHost.c_str()) == 0) {
        return NavigationVerdict::Allow;
    }
    return handedToSystem(scheme) ? NavigationVerdict::OpenWithSystemCancel
                                  : NavigationVerdict::Cancel;
}

}  // namespace delvaronte
