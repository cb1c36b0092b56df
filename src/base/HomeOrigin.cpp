#include "base/HomeOrigin.h"

#include "base/UriParts.h"

namespace delvaronte {

HomeOrigin::HomeOrigin(std::string_view url) : url_(url), host_(uriHost(url)) {}

bool HomeOrigin::isHomeAddress(std::string_view address) const {
    return !host_.empty() && uriHost(address) == host_;
}

bool HomeOrigin::isHomeHost(std::string_view host) const {
    if (host.empty() || host.find_first_of("/?#@[]\\") != std::string_view::npos) return false;
    // Read through the same parser as an address, so that both spell a host one way.
    const bool ipv6 = host.find(':') != std::string_view::npos;
    return isHomeAddress("https://" + std::string(ipv6 ? "[" : "") + std::string(host) +
                         (ipv6 ? "]" : "") + "/");
}

}  // namespace delvaronte
