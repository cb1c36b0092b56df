#include "ui/UriParts.h"

#include <glib.h>

namespace delvaronte {

// Not g_uri_peek_scheme: it interns every scheme it sees for the life of the process, so
// pages could grow the program's memory with made-up schemes.
std::string uriScheme(std::string_view url) {
    const std::string text(url);
    char* scheme = g_uri_parse_scheme(text.c_str());
    if (scheme == nullptr) return {};
    std::string result(scheme);
    g_free(scheme);
    for (char& c : result) c = g_ascii_tolower(c);
    return result;
}

std::string uriHost(std::string_view url) {
    const std::string text(url);
    GUri* uri = g_uri_parse(text.c_str(), G_URI_FLAGS_NONE, nullptr);
    if (uri == nullptr) return {};
    const char* host = g_uri_get_host(uri);
    std::string result = host != nullptr ? host : "";
    g_uri_unref(uri);
    return result;
}

}  // namespace delvaronte
