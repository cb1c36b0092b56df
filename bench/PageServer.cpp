#include "PageServer.h"

#include <string_view>

namespace delvaronte::bench {

namespace {

constexpr std::string_view kPage = R"(<!DOCTYPE html>
<html lang="fr"><head><meta charset="utf-8"><title>Grand livre</title>
<style>body{font-family:sans-serif;margin:2em}table{border-collapse:collapse}
td,th{border:1px solid #ccc;padding:4px 10px;text-align:right}</style></head>
<body><h1>Grand livre</h1><p>Exercice en cours, comptes de tiers.</p>
<table><tr><th>Compte</th><th>Libelle</th><th>Debit</th><th>Credit</th></tr>
<tr><td>401000</td><td>Fournisseurs</td><td>1 250,00</td><td></td></tr>
<tr><td>411000</td><td>Clients</td><td></td><td>3 980,40</td></tr>
<tr><td>512000</td><td>Banque</td><td>2 730,40</td><td></td></tr></table>
<script>
addEventListener('load', () => {
  fetch('/loaded?who=' + encodeURIComponent(new URLSearchParams(location.search).get('who')));
});
</script></body></html>
)";

constexpr std::string_view kPopups = R"(<!DOCTYPE html>
<html lang="fr"><head><meta charset="utf-8"><title>Fenetres</title></head>
<body><p id="state">En attente</p>
<script>
const until = (done) => new Promise((resolve) => {
  const poll = () => done() ? resolve() : setTimeout(poll, 10);
  poll();
});
async function openAndClose(count, name) {
  for (let i = 0; i < count; i++) {
    const popup = window.open('/popup', '_blank', 'width=400,height=300');
    await until(() => { try { return popup.document.readyState === 'complete' &&
                                      popup.location.pathname === '/popup'; }
                        catch (e) { return false; } });
    popup.close();
    await until(() => popup.closed);
    document.getElementById('state').textContent = (i + 1) + ' fenetres';
  }
  fetch('/loaded?who=' + name);
}
addEventListener('load', () => fetch('/loaded?who=page'));
</script></body></html>
)";

constexpr std::string_view kPopup = R"(<!DOCTYPE html>
<html lang="fr"><head><meta charset="utf-8"><title>Facture</title></head>
<body><h2>Facture 2026-0042</h2><p>Montant: 1 250,00 EUR</p></body></html>
)";

void respond(SoupServerMessage* message, guint status, const char* type, std::string_view body) {
    soup_server_message_set_status(message, status, nullptr);
    soup_message_headers_append(soup_server_message_get_response_headers(message), "Cache-Control",
                                "no-store");
    soup_server_message_set_response(message, type, SOUP_MEMORY_COPY, body.data(), body.size());
}

}  // namespace

PageServer::PageServer() : server_(soup_server_new(nullptr, nullptr)) {
    soup_server_add_handler(server_, nullptr, &PageServer::handle, this, nullptr);
    GInetAddress* loopback = g_inet_address_new_loopback(G_SOCKET_FAMILY_IPV4);
    GSocketAddress* address = g_inet_socket_address_new(loopback, 0);
    if (soup_server_listen(server_, address, SoupServerListenOptions(0), nullptr)) {
        GSList* uris = soup_server_get_uris(server_);
        if (uris != nullptr) port_ = g_uri_get_port(static_cast<GUri*>(uris->data));
        g_slist_free_full(uris, reinterpret_cast<GDestroyNotify>(g_uri_unref));
    }
    g_object_unref(address);
    g_object_unref(loopback);
}

PageServer::~PageServer() {
    soup_server_disconnect(server_);
    g_object_unref(server_);
}

std::string PageServer::url(const std::string& pathAndQuery) const {
    return "http://127.0.0.1:" + std::to_string(port_) + pathAndQuery;
}

std::optional<gint64> PageServer::reportedAt(const std::string& who) const {
    const auto found = reports_.find(who);
    if (found == reports_.end()) return std::nullopt;
    return found->second;
}

void PageServer::handle(SoupServer*, SoupServerMessage* message, const char* path,
                        GHashTable* query, gpointer data) {
    auto* self = static_cast<PageServer*>(data);
    const std::string_view route = path;
    const char* who =
        query != nullptr ? static_cast<const char*>(g_hash_table_lookup(query, "who")) : nullptr;
    if (route == "/loaded" && who != nullptr) {
        self->reports_.emplace(who, g_get_monotonic_time());
        respond(message, 204, "text/plain", "");
    } else if (route == "/page") {
        respond(message, 200, "text/html", kPage);
    } else if (route == "/popups") {
        respond(message, 200, "text/html", kPopups);
    } else if (route == "/popup") {
        respond(message, 200, "text/html", kPopup);
    } else {
        respond(message, 404, "text/plain", "");
    }
}

}  // namespace delvaronte::bench
