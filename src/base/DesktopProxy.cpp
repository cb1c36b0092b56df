#include "base/DesktopProxy.h"

#include <sstream>

namespace delvaronte {

namespace {

// "proxy:3128" is how many sessions write it: an address without a scheme is http's. A user
// and password in it go to the choice's credentials, and out of the address.
std::string proxyAddress(const std::string& text, ProxyChoice& choice) {
    const std::string address =
        text.empty() || text.find("://") != std::string::npos ? text : "http://" + text;
    GUri* uri = g_uri_parse(address.c_str(), G_URI_FLAGS_HAS_PASSWORD, nullptr);
    if (uri == nullptr) return address;
    const char* user = g_uri_get_user(uri);
    const char* host = g_uri_get_host(uri);
    std::string plain = address;
    if (user != nullptr && host != nullptr) {
        const GText decodedUser(g_uri_unescape_string(user, nullptr));
        const char* password = g_uri_get_password(uri);
        const GText decodedPassword(password != nullptr ? g_uri_unescape_string(password, nullptr)
                                                        : nullptr);
        choice.credentials[host] = {decodedUser ? decodedUser.get() : "",
                                    decodedPassword ? decodedPassword.get() : ""};
        GUri* bare = g_uri_build(G_URI_FLAGS_NONE, g_uri_get_scheme(uri), nullptr, host,
                                 g_uri_get_port(uri), g_uri_get_path(uri), nullptr, nullptr);
        plain = GText(g_uri_to_string(bare)).get();
        g_uri_unref(bare);
    }
    g_uri_unref(uri);
    return plain;
}

std::string hostAndPort(const std::string& host, int port) {
    if (host.empty() || port <= 0) return {};
    return "http://" + host + ":" + std::to_string(port);
}

std::string environment(const char* lower, const char* upper) {
    const char* value = g_getenv(lower);
    if (value == nullptr || *value == '\0') value = g_getenv(upper);
    return value != nullptr ? value : "";
}

}  // namespace

ProxyChoice chooseProxies(const ProxySources& sources) {
    ProxyChoice choice;
    if (sources.gnome && sources.gnome->mode == "auto") return choice;
    if (sources.gnome && sources.gnome->mode == "manual") {
        const std::string http = hostAndPort(sources.gnome->httpHost, sources.gnome->httpPort);
        const std::string https = hostAndPort(sources.gnome->httpsHost, sources.gnome->httpsPort);
        if (!http.empty()) choice.proxies["http"] = http;
        if (!https.empty()) choice.proxies["https"] = https;
        choice.ignoreHosts = sources.gnome->ignoreHosts;
    } else {
        if (!sources.httpProxy.empty()) {
            choice.proxies["http"] = proxyAddress(sources.httpProxy, choice);
        }
        if (!sources.httpsProxy.empty()) {
            choice.proxies["https"] = proxyAddress(sources.httpsProxy, choice);
        }
        std::istringstream hosts(sources.noProxy);
        for (std::string host; std::getline(hosts, host, ',');) {
            const size_t start = host.find_first_not_of(" \t");
            const size_t end = host.find_last_not_of(" \t");
            if (start != std::string::npos)
                choice.ignoreHosts.push_back(host.substr(start, end - start + 1));
        }
    }
    if (!choice.proxies.empty()) choice.mode = ProxyChoice::Mode::Custom;
    return choice;
}

ProxySources readProxySources() {
    ProxySources sources{std::nullopt, environment("http_proxy", "HTTP_PROXY"),
                         environment("https_proxy", "HTTPS_PROXY"),
                         environment("no_proxy", "NO_PROXY")};
    GSettingsSchemaSource* schemas = g_settings_schema_source_get_default();
    GSettingsSchema* schema = schemas != nullptr ? g_settings_schema_source_lookup(
                                                       schemas, "org.gnome.system.proxy", TRUE)
                                                 : nullptr;
    if (schema == nullptr) return sources;
    g_settings_schema_unref(schema);
    const auto settings = GRef<GSettings>::adopt(g_settings_new("org.gnome.system.proxy"));
    const auto http = GRef<GSettings>::adopt(g_settings_get_child(settings.get(), "http"));
    const auto https = GRef<GSettings>::adopt(g_settings_get_child(settings.get(), "https"));
    GnomeProxy gnome;
    gnome.mode = GText(g_settings_get_string(settings.get(), "mode")).get();
    gnome.httpHost = GText(g_settings_get_string(http.get(), "host")).get();
    gnome.httpPort = g_settings_get_int(http.get(), "port");
    gnome.httpsHost = GText(g_settings_get_string(https.get(), "host")).get();
    gnome.httpsPort = g_settings_get_int(https.get(), "port");
    gchar** ignore = g_settings_get_strv(settings.get(), "ignore-hosts");
    for (gchar** host = ignore; host != nullptr && *host != nullptr; ++host) {
        gnome.ignoreHosts.emplace_back(*host);
    }
    g_strfreev(ignore);
    sources.gnome = std::move(gnome);
    return sources;
}

GRef<GProxyResolver> proxyResolverFor(const ProxyChoice& choice) {
    if (choice.mode != ProxyChoice::Mode::Custom) return {};
    std::vector<const char*> ignore;
    for (const auto& host : choice.ignoreHosts) ignore.push_back(host.c_str());
    ignore.push_back(nullptr);
    auto resolver = GRef<GProxyResolver>::adopt(
        g_simple_proxy_resolver_new(nullptr, const_cast<char**>(ignore.data())));
    for (const auto& [scheme, proxy] : choice.proxies) {
        g_simple_proxy_resolver_set_uri_proxy(G_SIMPLE_PROXY_RESOLVER(resolver.get()),
                                              scheme.c_str(), proxy.c_str());
    }
    return resolver;
}

}  // namespace delvaronte
