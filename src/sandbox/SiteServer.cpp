#include "sandbox/SiteServer.h"

#include "base/GObjectPtr.h"

namespace delvaronte {

namespace {

// Answers message with the file of folder that path names; false, message untouched, when
// there is no such plain file.
bool serveFile(SoupServerMessage* message, const std::string& folder, const char* path) {
    std::string name = path[0] == '/' ? path + 1 : path;
    if (name.empty()) name = "index.html";
    if (folder.empty() || name.find('/') != std::string::npos || name.starts_with(".")) {
        return false;  // never the files of the machine's root, nor sub-folders, nor hidden ones
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

}  // namespace

SiteServer::SiteServer(guint port, GTlsCertificate* certificate)
    : server_(soup_server_new("tls-certificate", certificate, nullptr)),
      scheme_(certificate != nullptr ? "https" : "http") {
    const auto handle =
        +[](SoupServer*, SoupServerMessage* message, const char* path, GHashTable*, gpointer data) {
            auto* self = static_cast<SiteServer*>(data);
            ++self->counts_[path];
            if (!self->signedIn(message)) return;
            if (const auto found = self->routes_.find(path); found != self->routes_.end()) {
                return found->second(message);
            }
            for (const std::string& folder : self->folders_) {
                if (serveFile(message, folder, path)) return;
            }
            soup_server_message_set_status(message, SOUP_STATUS_NOT_FOUND, nullptr);
        };
    soup_server_add_handler(server_, nullptr, handle, this, nullptr);
    const auto loopback =
        GRef<GInetAddress>::adopt(g_inet_address_new_loopback(G_SOCKET_FAMILY_IPV4));
    const auto address = GRef<GSocketAddress>::adopt(
        g_inet_socket_address_new(loopback.get(), static_cast<guint16>(port)));
    const auto options =
        SoupServerListenOptions(certificate != nullptr ? SOUP_SERVER_LISTEN_HTTPS : 0);
    GError* error = nullptr;
    if (soup_server_listen(server_, address.get(), options, &error)) {
        GSList* uris = soup_server_get_uris(server_);
        if (uris != nullptr) port_ = guint(g_uri_get_port(static_cast<GUri*>(uris->data)));
        g_slist_free_full(uris, reinterpret_cast<GDestroyNotify>(g_uri_unref));
    } else {
        error_ = error->message;
        g_error_free(error);
    }
}

SiteServer::~SiteServer() {
    soup_server_disconnect(server_);
    g_object_unref(server_);
}

void SiteServer::serve(const std::string& path, guint status, const std::string& type,
                       const std::string& body) {
    route(path, [=](SoupServerMessage* message) { respond(message, status, type, body); });
}

void SiteServer::respond(SoupServerMessage* message, guint status, const std::string& type,
                         const std::string& body) {
    soup_server_message_set_status(message, status, nullptr);
    soup_server_message_set_response(message, type.c_str(), SOUP_MEMORY_COPY, body.data(),
                                     body.size());
}

void SiteServer::requireSignIn(const std::string& realm, const std::string& user,
                               const std::string& password) {
    const std::string pair = user + ":" + password;
    const GText encoded(g_base64_encode(reinterpret_cast<const guchar*>(pair.data()), pair.size()));
    realm_ = realm;
    credentials_ = "Basic " + std::string(encoded.get());
}

bool SiteServer::signedIn(SoupServerMessage* message) const {
    const char* given = soup_message_headers_get_one(
        soup_server_message_get_request_headers(message), "Authorization");
    if (realm_.empty() || (given != nullptr && credentials_ == given)) return true;
    soup_message_headers_replace(soup_server_message_get_response_headers(message),
                                 "WWW-Authenticate", ("Basic realm=\"" + realm_ + "\"").c_str());
    static constexpr char kRefused[] =
        "<!doctype html><title>Acces refuse</title><h1>Acces refuse</h1>";
    soup_server_message_set_status(message, SOUP_STATUS_UNAUTHORIZED, nullptr);
    soup_server_message_set_response(message, "text/html", SOUP_MEMORY_STATIC, kRefused,
                                     sizeof kRefused - 1);
    return false;
}

void SiteServer::requireClientCertificate(GTlsDatabase* authorities) {
    g_object_set(server_, "tls-auth-mode", G_TLS_AUTHENTICATION_REQUIRED, "tls-database",
                 authorities, nullptr);
    // libsoup takes no client certificate unless each message says so; the authorities have
    // already verified it by then.
    const auto accept = +[](SoupServerMessage*, GTlsCertificate*, GTlsCertificateFlags errors,
                            gpointer) -> gboolean { return errors == 0; };
    const auto started = +[](SoupServer*, SoupServerMessage* message, gpointer handler) {
        g_signal_connect(message, "accept-certificate", G_CALLBACK(handler), nullptr);
    };
    g_signal_connect(server_, "request-started", G_CALLBACK(started),
                     reinterpret_cast<gpointer>(accept));
}

std::string SiteServer::url(const std::string& path, const std::string& host) const {
    return scheme_ + "://" + host + ":" + std::to_string(port_) + path;
}

int SiteServer::requests(const std::string& path) const {
    const auto found = counts_.find(path);
    return found == counts_.end() ? 0 : found->second;
}

}  // namespace delvaronte
