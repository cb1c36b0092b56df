#include "shell/SessionProxies.h"

#include "shell/WebViews.h"
#include "shell/rules/SupportReport.h"

namespace delvaronte {

SessionProxies::SessionProxies() {
    const ProxyChoice proxies = chooseProxies(readProxySources());
    applyProxies(sharedNetworkSession(), proxies);
    resolver_ = proxyResolverFor(proxies);
    credentials_ = proxies.credentials;
    forSupport_ = proxies.mode == ProxyChoice::Mode::System ? "reglages du bureau" : "manuels";
    for (const auto& [scheme, proxy] : proxies.proxies) {
        forSupport_ += ", " + scheme + " par " + addressForSupport(proxy);
    }
}

const ProxyChoice::Credentials* SessionProxies::credentials(const std::string& host) const {
    const auto given = credentials_.find(host);
    return given != credentials_.end() ? &given->second : nullptr;
}

}  // namespace delvaronte
