#include "SiteServer.h"

#include "ui/GObjectPtr.h"

namespace delvaronte {

guint listenOnLoopback(SoupServer* server, guint port, SoupServerListenOptions options,
                       GError** error) {
    const auto loopback =
        GRef<GInetAddress>::adopt(g_inet_address_new_loopback(G_SOCKET_FAMILY_IPV4));
    const auto address = GRef<GSocketAddress>::adopt(
        g_inet_socket_address_new(loopback.get(), static_cast<guint16>(port)));
    guint bound = 0;
    if (soup_server_listen(server, address.get(), options, error)) {
        GSList* uris = soup_server_get_uris(server);
        if (uris != nullptr) {
            bound = static_cast<guint>(g_uri_get_port(static_cast<GUri*>(uris->data)));
        }
        g_slist_free_full(uris, reinterpret_cast<GDestroyNotify>(g_uri_unref));
    }
    return bound;
}

bool serveSiteFile(SoupServerMessage* message, const std::string& folder, const char* path) {
    std::string name = path[0] == '/' ? path + 1 : path;
    if (name.empty()) name = "index.html";
    if (folder.empty() || name.find('/') != std::string::npos || name.starts_with(".")) {
        return false;
    }
    gchar* contents = nullptr;
    gsize length = 0;
    if (!g_file_get_contents((folder + "/" + name).c_str(), &contents, &length, nullptr)) {
        return false;
    }
    const char* type = name.ends_with(".css") ? "text/css" : "text/html; charset=utf-8";
    soup_server_message_set_status(message, SOUP_STATUS_OK, nullptr);
    soup_server_message_set_response(message, type, SOUP_MEMORY_TAKE, contents, length);
    return true;
}

}  // namespace delvaronte
