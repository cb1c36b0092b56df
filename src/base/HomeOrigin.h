// The home address, read once the way the web engine reads it, and the one comparison every
// decision about "the home host" makes.
#pragma once

#include <string>
#include <string_view>

namespace delvaronte {

class HomeOrigin {
public:
    // No home: no address is of its host.
    HomeOrigin() = default;
    explicit HomeOrigin(std::string_view url);

    const std::string& url() const { return url_; }
    const std::string& host() const { return host_; }

    // Whether the address names the home host (its port and scheme aside, as cookies and the
    // link rule see it; a sub-domain is another host).
    bool isHomeAddress(std::string_view address) const;
    // The same for a host alone, as a server's request names it ("compta.exemple.ma",
    // "127.0.0.1", "::1").
    bool isHomeHost(std::string_view host) const;

private:
    std::string url_;
    std::string host_;  // lowercased, ASCII, an IPv4 address dotted; empty when no host
};

}  // namespace delvaronte
