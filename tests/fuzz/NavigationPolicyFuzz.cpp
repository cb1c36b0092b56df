// The navigation policy over arbitrary URL texts: never crashes, never hands anything but
// http, https, mailto or tel to the system, and web addresses only from a link.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "base/UriParts.h"
#include "shell/rules/NavigationPolicy.h"

using namespace delvaronte;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    const size_t split = text.find('\n');
    const std::string home =
        split == std::string::npos ? "https://compta.exemple.ma/" : text.substr(0, split);
    const std::string url = split == std::string::npos ? text : text.substr(split + 1);
    for (const auto kind : {NavigationKind::LinkActivated, NavigationKind::Other}) {
        const auto verdict = decideNavigation(HomeOrigin(home), url, kind);
        if (verdict == NavigationVerdict::OpenWithSystemCancel) {
            const std::string s = uriScheme(url);
            if (s != "http" && s != "https" && s != "mailto" && s != "tel") std::abort();
            // Web addresses leave only through a link the user followed.
            if ((s == "http" || s == "https") && kind != NavigationKind::LinkActivated) {
                std::abort();
            }
        }
    }
    return 0;
}
