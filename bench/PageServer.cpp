#include "PageServer.h"

#include "SitePages.h"

#include <cstdlib>
#include <string_view>
#include <tuple>

#include <libsoup/soup.h>

#include "base/GObjectPtr.h"

namespace delvaronte::bench {

namespace {

// The start-up page: a script and a style sheet the browser may keep for a day, as a real
// application ships them, and a session cookie. It reports its load event, with when its
// response came, when it was parsed and when it was first painted (the epoch, in ms).
constexpr std::string_view kPage = R"(<!DOCTYPE html>
<html lang="fr"><head><meta charset="utf-8"><title>Grand livre</title>
<link rel="stylesheet" href="/app.css"><script src="/app.js"></script></head>
<body><h1>Grand livre</h1><p>Exercice en cours, comptes de tiers.</p>
<table><tr><th>Compte</th><th>Libelle</th><th>Debit</th><th>Credit</th></tr>
<tr><td>401000</td><td>Fournisseurs</td><td>1 250,00</td><td></td></tr>
<tr><td>411000</td><td>Clients</td><td></td><td>3 980,40</td></tr>
<tr><td>512000</td><td>Banque</td><td>2 730,40</td><td></td></tr></table>
<script>
const who = encodeURIComponent(new URLSearchParams(location.search).get('who'));
const at = (t) => performance.timeOrigin + t;
addEventListener('load', () => {
  const load = at(performance.now()), page = performance.getEntriesByType('navigation')[0];
  const report = (paint) => fetch('/loaded?who=' + who + '&load=' + load + '&response=' +
      at(page.responseStart) + '&parsed=' + at(page.domContentLoadedEventStart) + '&paint=' + paint);
  const painted = () => performance.getEntriesByName('first-contentful-paint')[0];
  if (painted()) return report(at(painted().startTime));
  // The report is what the benchmark waits for: it does not wait for a paint.
  report(0);
  requestAnimationFrame(() => setTimeout(() => painted() &&
      fetch('/loaded?who=' + who + '-paint&paint=' + at(painted().startTime))));
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

// Each page of the day reports, then goes on to the next: ledger, form, report, ledger...
constexpr char kDayTail[] = R"(
const p = new URLSearchParams(location.search), n = +p.get('n'), who = p.get('who'),
    total = +p.get('total');
const next = ['/day/rapport', '/day/grand-livre', '/day/saisie'][(n + 1) % 3];
fetch('/mark?who=' + who + '&n=' + n).then(() => {
  if (n < total) location.href = next + '?n=' + (n + 1) + '&who=' + who + '&total=' + total;
});)";

// The heavy page reports its load event and first paint, then each key of its search field.
constexpr char kHeavyTail[] = R"(
const who = new URLSearchParams(location.search).get('who');
const load = performance.timeOrigin + performance.now();  // in the load event
const parsed = performance.timeOrigin +
    performance.getEntriesByType('navigation')[0].domContentLoadedEventStart;
const report = (paint) =>
    fetch('/loaded?who=' + who + '&load=' + load + '&parsed=' + parsed + '&paint=' + paint);
let keys = 0;
recherche.addEventListener('keydown', () => {
  const at = performance.timeOrigin + performance.now();
  fetch('/loaded?who=' + who + '-key-' + (++keys) + '&at=' + at);
});
// After the list is filtered and drawn again: the page is ready for the next key.
recherche.addEventListener('input', () => requestAnimationFrame(() => setTimeout(() =>
  fetch('/loaded?who=' + who + '-drawn-' + keys + '&at=' + (performance.timeOrigin + performance.now())))));
const fcp = performance.getEntriesByName('first-contentful-paint')[0];
if (fcp) report(performance.timeOrigin + fcp.startTime);
else setTimeout(() => {
  const later = performance.getEntriesByName('first-contentful-paint')[0];
  report(later ? performance.timeOrigin + later.startTime : 0);
}, 3000);)";

// The entry form notes when each key reaches its account field, and once it has `keys` of
// them, reports them all at once (fields "k1", "k2"...: the epoch in ms); its field works
// `busy` ms on each key, as completion widgets do.
constexpr char kKeysTail[] = R"(
const p = new URLSearchParams(location.search), who = p.get('who');
const busy = +p.get('busy'), keys = +p.get('keys'), seen = [];
compte.addEventListener('keydown', () => seen.push(performance.timeOrigin + performance.now()));
compte.addEventListener('input', () => {
  const t = performance.now();
  while (performance.now() - t < busy) {}
  if (seen.length === keys)
    fetch('/loaded?who=' + who + '-keys&' + seen.map((at, i) => 'k' + (i + 1) + '=' + at).join('&'));
});
compte.focus();
fetch('/loaded?who=' + who + '&load=' + (performance.timeOrigin + performance.now()));)";

constexpr char kFramesTail[] = R"(
fetch('/loaded?who=' + new URLSearchParams(location.search).get('who') + '&load=' +
      (performance.timeOrigin + performance.now()));)";

// What the map holds for that key, if anything.
template <typename Value>
std::optional<Value> valueOf(const std::map<std::string, Value>& map, const std::string& key) {
    const auto found = map.find(key);
    if (found == map.end()) return std::nullopt;
    return found->second;
}

// The fields of the request's query.
std::map<std::string, std::string> queryOf(SoupServerMessage* message) {
    std::map<std::string, std::string> fields;
    const char* query = g_uri_get_query(soup_server_message_get_uri(message));
    if (query == nullptr) return fields;
    GHashTable* decoded = soup_form_decode(query);
    GHashTableIter each;
    gpointer name = nullptr, value = nullptr;
    g_hash_table_iter_init(&each, decoded);
    while (g_hash_table_iter_next(&each, &name, &value)) {
        fields[static_cast<const char*>(name)] = static_cast<const char*>(value);
    }
    g_hash_table_unref(decoded);
    return fields;
}

}  // namespace

PageServer::PageServer() {
    const std::string dayScript = applicationScript(1 << 20);
    server_.route("/day/app.js", [dayScript](SoupServerMessage* message) {
        SiteServer::respond(message, 200, "text/javascript", dayScript);
        soup_message_headers_replace(soup_server_message_get_response_headers(message),
                                     "Cache-Control", "max-age=86400");
    });
    server_.serve("/day/grand-livre", 200, "text/html", ledgerPage(2000, "/day/app.js", kDayTail));
    server_.serve("/day/saisie", 200, "text/html", entryFormPage("/day/app.js", kDayTail));
    server_.serve("/day/rapport", 200, "text/html", reportPage("/day/app.js", kDayTail));
    server_.route("/mark", [this](SoupServerMessage* message) {
        auto fields = queryOf(message);
        const std::string who = fields["who"];
        const int n = std::atoi(fields["n"].c_str());
        soup_server_message_set_status(message, 204, nullptr);
        if (!onMark_) return;
        soup_server_message_pause(message);
        auto held = GRef<SoupServerMessage>::retain(message);
        onMark_(who, n, [held] { soup_server_message_unpause(held.get()); });
    });
    server_.serve("/heavy.js", 200, "text/javascript", applicationScript(3 << 20));
    server_.serve("/heavy", 200, "text/html", ledgerPage(20000, "/heavy.js", kHeavyTail));
    server_.serve("/keys", 200, "text/html", accountEntryPage(kKeysTail));
    server_.serve("/cadres-debut", 200, "text/html",
                  "<!DOCTYPE html><html><body><p>Ouverture</p><script>addEventListener('load',"
                  " () => setTimeout(() => location.href = (new URLSearchParams(location.search)"
                  ".get('to') || '/cadres') + location.search, 1500));</script></body></html>");
    server_.serve("/cadres", 200, "text/html", framesetPage(kFramesTail));
    server_.serve("/formulaire", 200, "text/html", formPage(kFramesTail));
    server_.route("/frame", [](SoupServerMessage* message) {
        const int frame = queryOf(message)["n"] == "1" ? 1 : 2;
        SiteServer::respond(message, 200, "text/html", framePage(frame));
    });
    server_.route("/image", [this](SoupServerMessage* message) {
        SiteServer::respond(message, 200, "image/png", pngImage());
        if (imageDelayMs_ == 0) return;
        soup_server_message_pause(message);
        g_timeout_add_full(
            G_PRIORITY_DEFAULT, imageDelayMs_,
            +[](gpointer held) -> gboolean {
                soup_server_message_unpause(static_cast<SoupServerMessage*>(held));
                return G_SOURCE_REMOVE;
            },
            g_object_ref(message), g_object_unref);
    });
    server_.route("/page", [this](SoupServerMessage* message) {
        const std::string who = queryOf(message)["who"];
        requests_.emplace(who, g_get_monotonic_time());
        SoupMessageHeaders* headers = soup_server_message_get_request_headers(message);
        const char* cookie = soup_message_headers_get_one(headers, "Cookie");
        cookies_[who] = cookie != nullptr &&
                        std::string_view(cookie).find("session=") != std::string_view::npos;
        SiteServer::respond(message, 200, "text/html", std::string(kPage));
        soup_message_headers_append(soup_server_message_get_response_headers(message), "Set-Cookie",
                                    "session=ouverte; Max-Age=86400; Path=/");
    });
    const std::string pageScript = applicationScript(256 << 10);
    const std::string pageStyle = applicationStyle(32 << 10);
    for (const auto& [path, type, body] : {std::tuple{"/app.js", "text/javascript", &pageScript},
                                           std::tuple{"/app.css", "text/css", &pageStyle}}) {
        server_.route(path, [this, contentType = type, text = *body](SoupServerMessage* message) {
            ++assetsServed_;
            SiteServer::respond(message, 200, contentType, text);
            soup_message_headers_replace(soup_server_message_get_response_headers(message),
                                         "Cache-Control", "max-age=86400");
        });
    }
    server_.serve("/popups", 200, "text/html", std::string(kPopups));
    server_.serve("/popup", 200, "text/html", std::string(kPopup));
    server_.route("/loaded", [this](SoupServerMessage* message) {
        const auto fields = queryOf(message);
        if (const auto who = fields.find("who"); who != fields.end()) {
            reports_.emplace(who->second, g_get_monotonic_time());
            for (const auto& [name, value] : fields) {
                fields_[who->second][name] = g_ascii_strtod(value.c_str(), nullptr);
            }
        }
        soup_server_message_set_status(message, 204, nullptr);
    });
}

std::string PageServer::url(const std::string& pathAndQuery) const {
    return server_.url(pathAndQuery);
}

std::optional<double> PageServer::reported(const std::string& who, const std::string& field) const {
    const auto page = fields_.find(who);
    if (page == fields_.end()) return std::nullopt;
    return valueOf(page->second, field);
}

std::optional<gint64> PageServer::requestedAt(const std::string& who) const {
    return valueOf(requests_, who);
}

bool PageServer::cookieCame(const std::string& who) const {
    return valueOf(cookies_, who).value_or(false);
}

std::optional<gint64> PageServer::reportedAt(const std::string& who) const {
    return valueOf(reports_, who);
}

}  // namespace delvaronte::bench
