#include "PageServer.h"

#include <string_view>

#include <libsoup/soup.h>

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

}  // namespace

PageServer::PageServer() {
    server_.serve("/page", 200, "text/html", std::string(kPage));
    server_.serve("/popups", 200, "text/html", std::string(kPopups));
    server_.serve("/popup", 200, "text/html", std::string(kPopup));
    server_.route("/loaded", [this](SoupServerMessage* message) {
        const char* query = g_uri_get_query(soup_server_message_get_uri(message));
        GHashTable* fields = query != nullptr ? soup_form_decode(query) : nullptr;
        const char* who = fields != nullptr
                              ? static_cast<const char*>(g_hash_table_lookup(fields, "who"))
                              : nullptr;
        if (who != nullptr) reports_.emplace(who, g_get_monotonic_time());
        if (fields != nullptr) g_hash_table_unref(fields);
        soup_server_message_set_status(message, 204, nullptr);
    });
}

std::string PageServer::url(const std::string& pathAndQuery) const {
    return server_.url(pathAndQuery);
}

std::optional<gint64> PageServer::reportedAt(const std::string& who) const {
    const auto found = reports_.find(who);
    if (found == reports_.end()) return std::nullopt;
    return found->second;
}

}  // namespace delvaronte::bench
