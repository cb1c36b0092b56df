#include "base/UriParts.h"

#include <glib.h>

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

// GLib's whole-address parser refuses addresses whose path or query holds an escape that is
// not UTF-8 or a bare "%"; the engine loads them. So only the authority is taken apart here.
std::string uriHost(std::string_view url) {
    const std::string scheme = uriScheme(url);
    if (scheme.empty()) return {};
    std::string_view rest = url.substr(scheme.size() + 1);
    if (!rest.starts_with("//")) return {};
    rest.remove_prefix(2);
    std::string_view host = rest.substr(0, rest.find_first_of("/?#"));
    if (const size_t at = host.rfind('@'); at != std::string_view::npos) {
        host.remove_prefix(at + 1);
    }
    if (host.starts_with('[')) {
        const size_t close = host.find(']');
        if (close == std::string_view::npos) return {};
        host = host.substr(1, close - 1);
    } else {
        host = host.substr(0, host.find(':'));
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
    return name;
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
