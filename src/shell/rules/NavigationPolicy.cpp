#include "shell/rules/NavigationPolicy.h"

#include <algorithm>

#include <glib.h>

#include "base/UriParts.h"

namespace delvaronte {

namespace {

constexpr int64_t kHandOffIntervalMicroseconds = 1'000'000;

// Schemes whose addresses stay inside the page: they name no other place.
bool staysInPage(const std::string& scheme) {
    return scheme == "about" || scheme == "data" || scheme == "blob" || scheme == "javascript";
}

}  // namespace

NavigationVerdict decideNavigation(const HomeOrigin& home, std::string_view requestUrl,
                                   NavigationKind kind, const std::vector<HomeOrigin>& kept) {
    if (requestUrl.empty()) return NavigationVerdict::Allow;
    const std::string scheme = uriScheme(requestUrl);
    if (scheme.empty() || staysInPage(scheme)) return NavigationVerdict::Allow;
    if (scheme == "mailto" || scheme == "tel") return NavigationVerdict::OpenWithSystemCancel;
    if (scheme != "http" && scheme != "https") return NavigationVerdict::Cancel;

    if (kind != NavigationKind::LinkActivated || uriHost(requestUrl).empty()) {
        return NavigationVerdict::Allow;
    }
    const auto isOf = [requestUrl](const HomeOrigin& origin) {
        return origin.isHomeAddress(requestUrl);
    };
    return isOf(home) || std::any_of(kept.begin(), kept.end(), isOf)
               ? NavigationVerdict::Allow
               : NavigationVerdict::OpenWithSystemCancel;
}

bool mayHandOff(bool userGesture, std::optional<int64_t> lastHandOff, int64_t now) {
    return userGesture && (!lastHandOff || now - *lastHandOff >= kHandOffIntervalMicroseconds);
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

}  // namespace delvaronte
