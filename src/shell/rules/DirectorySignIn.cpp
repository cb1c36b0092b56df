#include "shell/rules/DirectorySignIn.h"

#include <algorithm>

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
    const std::vector<std::string> homeAlone{std::string(home)};
    std::vector<std::string> origins;
    for (const std::string& each : listed.empty() ? homeAlone : listed) {
        const std::string origin = listedOrigin(each);
        if (!origin.empty() && std::find(origins.begin(), origins.end(), origin) == origins.end())
            origins.push_back(origin);
    }
    if (origins.empty()) return kNegotiateNowhere;
    std::string list = origins.front();
    for (size_t i = 1; i < origins.size(); ++i) list += "," + origins[i];
    return list;
}

}  // namespace delvaronte
