#include "shell/rules/DirectorySignIn.h"

#include "base/UriParts.h"

namespace delvaronte {

namespace {

// "scheme://host:port" of an http or https address whose host the engine's list can hold as
// it is; empty otherwise.
std::string listedOrigin(std::string_view address) {
    const std::string scheme = uriScheme(address);
    if (scheme != "http" && scheme != "https") return "";
    const std::string host = uriHost(address);
    if (host.empty()) return "";
    for (const char c : host) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' ||
                           c == '-' || c == '_' || c == ':';
        if (!plain) return "";
    }
    return uriOrigin(address);
}

}  // namespace

std::string negotiateAddresses(const std::vector<std::string>& listed, std::string_view home) {
    std::string list;
    for (const std::string_view each :
         listed.empty() ? std::vector<std::string_view>{home}
                        : std::vector<std::string_view>(listed.begin(), listed.end())) {
        const std::string origin = listedOrigin(each);
        if (origin.empty() || (list + ",").find(origin + ",") != std::string::npos) continue;
        list += (list.empty() ? "" : ",") + origin;
    }
    return list.empty() ? kNegotiateNowhere : list;
}

}  // namespace delvaronte
