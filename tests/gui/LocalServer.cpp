#include "LocalServer.h"

#include <gio/gio.h>
#include <gtest/gtest.h>
#include <algorithm>

#include "SiteServer.h"

namespace delvaronte::testing {

LocalServer::LocalServer(const std::string& certificatePem, guint port) {
    GError* error = nullptr;
    GTlsCertificate* certificate = nullptr;
    if (!certificatePem.empty()) {
        certificate = g_tls_certificate_new_from_file(certificatePem.c_str(), &error);
        EXPECT_NE(certificate, nullptr) << (error ? error->message : "");
        g_clear_error(&error);
    }
    server_ = soup_server_new("tls-certificate", certificate, nullptr);
    if (certificate != nullptr) g_object_unref(certificate);
    scheme_ = certificate != nullptr ? "https" : "http";

    soup_server_add_handler(server_, nullptr, &LocalServer::requestCb, this, nullptr);
    const auto options =
        static_cast<SoupServerListenOptions>(certificate != nullptr ? SOUP_SERVER_LISTEN_HTTPS : 0);
    port_ = listenOnLoopback(server_, port, options, &error);
    EXPECT_NE(port_, 0u) << (error ? error->message : "");
    g_clear_error(&error);
}

LocalServer::~LocalServer() {
    soup_server_disconnect(server_);
    g_object_unref(server_);
}

void LocalServer::route(const std::string& path, Handler handler) {
    routes_[path] = std::move(handler);
}

void LocalServer::serve(const std::string& path, guint status, const std::string& contentType,
                        const std::string& body) {
    route(path, [=](SoupServerMessage* message) {
        soup_server_message_set_status(message, status, nullptr);
        soup_server_message_set_response(message, contentType.c_str(), SOUP_MEMORY_COPY,
                                         body.data(), body.size());
    });
}

void LocalServer::serveDirectory(const std::string& folder) {
    folders_.push_back(folder);
}

void LocalServer::hang(const std::string& path) {
    route(path, [](SoupServerMessage* message) { soup_server_message_pause(message); });
}

std::string LocalServer::url(const std::string& path, const std::string& host) const {
    return scheme_ + "://" + host + ":" + std::to_string(port_) + path;
}

std::string LocalServer::lastHeader(const std::string& path, const std::string& name) const {
    const auto request = lastHeaders_.find(path);
    if (request == lastHeaders_.end()) return {};
    const auto header = request->second.find(name);
    return header == request->second.end() ? std::string() : header->second;
}

int LocalServer::requests(const std::string& path) const {
    const auto found = counts_.find(path);
    return found == counts_.end() ? 0 : found->second;
}

guint LocalServer::closedPort() {
    // Bind a port, then let it go: nothing listens there afterwards.
    GSocket* socket =
        g_socket_new(G_SOCKET_FAMILY_IPV4, G_SOCKET_TYPE_STREAM, G_SOCKET_PROTOCOL_TCP, nullptr);
    GInetAddress* loopback = g_inet_address_new_loopback(G_SOCKET_FAMILY_IPV4);
    GSocketAddress* address = g_inet_socket_address_new(loopback, 0);
    g_socket_bind(socket, address, FALSE, nullptr);
    GSocketAddress* bound = g_socket_get_local_address(socket, nullptr);
    const guint port = g_inet_socket_address_get_port(G_INET_SOCKET_ADDRESS(bound));
    g_object_unref(bound);
    g_object_unref(address);
    g_object_unref(loopback);
    g_socket_close(socket, nullptr);
    g_object_unref(socket);
    return port;
}

void LocalServer::requestCb(SoupServer*, SoupServerMessage* message, const char* path, GHashTable*,
                            gpointer data) {
    auto* server = static_cast<LocalServer*>(data);
    ++server->counts_[path];
    auto& headers = server->lastHeaders_[path];
    headers.clear();
    SoupMessageHeaders* received = soup_server_message_get_request_headers(message);
    for (const char* name : {"User-Agent", "Cookie", "Referer"}) {
        const char* value = soup_message_headers_get_one(received, name);
        if (value != nullptr) headers[name] = value;
    }
    const auto found = server->routes_.find(path);
    if (found != server->routes_.end()) {
        found->second(message);
        return;
    }
    if (g_str_equal(path, kSiteLoadedPath)) {
        soup_server_message_set_status(message, SOUP_STATUS_NO_CONTENT, nullptr);
    } else if (std::none_of(
                   server->folders_.begin(), server->folders_.end(),
                   [&](const std::string& f) { return serveSiteFile(message, f, path); })) {
        soup_server_message_set_status(message, SOUP_STATUS_NOT_FOUND, nullptr);
    }
}

}  // namespace delvaronte::testing
