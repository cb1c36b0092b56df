// The home address, read once the way the web engine reads it: its origin (scheme, host and
// port), which every decision about what a page may do compares, and its host, which the
// link rule compares.
#pragma once

#include <string>
#include <string_view>

namespace delvaronte {

class HomeOrigin {
public:
    // No home: no address is of its origin or its host.
    HomeOrigin() = default;
    explicit HomeOrigin(std::string_view url);

    const std::string& url() const { return url_; }
    const std::string& host() const { return host_; }
    // "https://compta.exemple.ma:443" (see uriOrigin).
    const std::string& origin() const { return origin_; }

    // Whether the address is of the home origin: the same scheme, host and port.
    bool isHomeOrigin(std::string_view address) const;
    // Whether the address names the home host, its port and scheme aside (as cookies and the
    // link rule see it; a sub-domain is another host).
    bool isHomeAddress(std::string_view address) const;

private:
    std::string url_;
    std::string host_;    // lowercased, ASCII, an IPv4 address dotted; empty when no host
    std::string origin_;  // empty when no host
};

}  // namespace delvaronte
