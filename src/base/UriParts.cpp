#include "base/UriParts.h"

#include <gio/gio.h>

#include <optional>
#include <string>
#include <vector>

#include "base/GObjectPtr.h"

namespace delvaronte {

// Not g_uri_peek_scheme: it interns every scheme it sees for the life of the process, so
// pages could grow the program's memory with made-up schemes.
std::string uriScheme(std::string_view url) {
    const std::string text(url);
    GText scheme(g_uri_parse_scheme(text.c_str()));
    if (!scheme) return {};
    std::string result(scheme.get());
    for (char& c : result) c = g_ascii_tolower(c);
    return result;
}

namespace {

// A number of an IPv4 address as the web writes them: decimal, 0x hexadecimal, 0 octal.
std::optional<uint64_t> ipv4Number(std::string_view text) {
    int base = 10;
    if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
        if (text.empty()) return 0;
    } else if (text.size() >= 2 && text[0] == '0') {
        base = 8;
        text.remove_prefix(1);
    }
    if (text.empty() || text.size() > 12) return std::nullopt;
    uint64_t value = 0;
    for (const char c : text) {
        const int digit = g_ascii_xdigit_value(c);
        if (digit < 0 || digit >= base) return std::nullopt;
        value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
    }
    return value;
}

// A host whose last label is a number is an IPv4 address, however it is written
// ("0x7f.1", "2130706433", "127.1"): the engine loads it as the dotted form, and so it is
// compared. Anything else is kept.
std::string dottedIpv4(const std::string& host) {
    std::vector<std::string_view> parts;
    const std::string_view text(host);
    for (size_t start = 0;;) {
        const size_t dot = text.find('.', start);
        parts.push_back(text.substr(start, dot - start));
        if (dot == std::string_view::npos) break;
        start = dot + 1;
    }
    if (parts.size() > 1 && parts.back().empty()) parts.pop_back();
    if (parts.empty() || parts.size() > 4 || !ipv4Number(parts.back())) return host;
    uint64_t address = 0;
    for (size_t i = 0; i < parts.size(); ++i) {
        const auto value = ipv4Number(parts[i]);
        const bool last = i + 1 == parts.size();
        const uint64_t room = last ? uint64_t{1} << (8 * (5 - parts.size())) : 256;
        if (!value || *value >= room) return host;
        address = last ? address + *value : address + (*value << (8 * (3 - i)));
    }
    char dotted[16];
    g_snprintf(dotted, sizeof dotted, "%u.%u.%u.%u", unsigned(address >> 24),
               unsigned((address >> 16) & 255), unsigned((address >> 8) & 255),
               unsigned(address & 255));
    return dotted;
}

// One spelling for one IPv6 address ("::ffff:127.0.0.1" and "::ffff:7f00:1" alike).
std::string canonicalIpv6(std::string_view host) {
    std::string text(host);
    const GRef<GInetAddress> address =
        GRef<GInetAddress>::adopt(g_inet_address_new_from_string(text.c_str()));
    if (!address) return text;
    const GText canonical(g_inet_address_to_string(address.get()));
    return canonical.get();
}

bool isWebScheme(const std::string& scheme) {
    return scheme == "http" || scheme == "https" || scheme == "ws" || scheme == "wss" ||
           scheme == "ftp";
}

// The port a scheme goes to when its address names none; 0 when it has no such port.
unsigned defaultPort(const std::string& scheme) {
    if (scheme == "http" || scheme == "ws") return 80;
    if (scheme == "https" || scheme == "wss") return 443;
    return scheme == "ftp" ? 21 : 0;
}

// GLib's whole-address parser refuses addresses whose path or query holds an escape that is
// not UTF-8 or a bare "%"; the engine loads them. So only the authority is taken apart here,
// the way the engine takes it apart: for the web's schemes a backslash is a slash. port is
// what follows the host's ":", as written.
std::string hostAndPort(std::string_view url, const std::string& scheme, std::string_view& port) {
    if (scheme.empty()) return {};
    std::string_view rest = url.substr(scheme.size() + 1);
    const bool web = isWebScheme(scheme);
    if (web) {
        const size_t start = rest.find_first_not_of("/\\");
        if (start == std::string_view::npos) return {};
        rest.remove_prefix(start);
    } else {
        if (!rest.starts_with("//")) return {};
        rest.remove_prefix(2);
    }
    std::string_view host = rest.substr(0, rest.find_first_of(web ? "/?#\\" : "/?#"));
    if (const size_t at = host.rfind('@'); at != std::string_view::npos) {
        host.remove_prefix(at + 1);
    }
    if (host.starts_with('[')) {
        const size_t close = host.find(']');
        if (close == std::string_view::npos) return {};
        if (host.substr(close + 1).starts_with(':')) port = host.substr(close + 2);
        return canonicalIpv6(host.substr(1, close - 1));
    }
    if (const size_t colon = host.find(':'); colon != std::string_view::npos) {
        port = host.substr(colon + 1);
        host = host.substr(0, colon);
    }
    if (host.empty()) return {};

    std::string name(host);
    if (name.find('%') != std::string::npos) {
        GText decoded(g_uri_unescape_string(name.c_str(), nullptr));
        if (decoded) name = decoded.get();
    }
    // GLib's conversion takes UTF-8 only; the engine sends no other (a page's text might).
    if (g_utf8_validate(name.data(), static_cast<gssize>(name.size()), nullptr)) {
        if (GText ascii{g_hostname_to_ascii(name.c_str())}) name = ascii.get();
    }
    for (char& c : name) c = g_ascii_tolower(c);
    return web ? dottedIpv4(name) : name;
}

}  // namespace

std::string uriHost(std::string_view url) {
    std::string_view port;
    return hostAndPort(url, uriScheme(url), port);
}

std::string uriOrigin(std::string_view url) {
    const std::string scheme = uriScheme(url);
    std::string_view portText;
    const std::string host = hostAndPort(url, scheme, portText);
    if (host.empty()) return {};
    unsigned port = defaultPort(scheme);
    if (!portText.empty()) {
        // As the engine reads it: digits only (leading zeros allowed), at most 65535.
        if (portText.find_first_not_of("0123456789") != std::string_view::npos) return {};
        const size_t first = portText.find_first_not_of('0');
        const std::string_view number =
            first == std::string_view::npos ? "0" : portText.substr(first);
        if (number.size() > 5) return {};
        port = unsigned(std::stoul(std::string(number)));
        if (port > 65535) return {};
    }
    const bool ipv6 = host.find(':') != std::string::npos;
    return scheme + "://" + (ipv6 ? "[" + host + "]" : host) + ":" + std::to_string(port);
}

bool parsesAsUrl(std::string_view text) {
    if (text.empty()) return false;
    for (const char c : text) {
        if (static_cast<unsigned char>(c) <= 0x20 || c == 0x7F) return false;
    }
    // Escapes are kept as they are, as the engine keeps them: Latin-1 ("%E9"), a bare "%" or
    // "%00" in a company's address are the server's business, not a reason to load nothing.
    return g_uri_is_valid(std::string(text).c_str(),
                          GUriFlags(G_URI_FLAGS_ENCODED | G_URI_FLAGS_PARSE_RELAXED), nullptr);
}

}  // namespace delvaronte
