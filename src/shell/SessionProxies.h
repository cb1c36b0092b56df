// The proxies the desktop names for this session, handed to the engine at start, with the user
// and password their addresses carry.
#pragma once

#include <gio/gio.h>

#include <map>
#include <string>

#include "base/DesktopProxy.h"
#include "base/GObjectPtr.h"

namespace delvaronte {

class SessionProxies {
public:
    // Reads GNOME's settings and the environment, and sets the engine's network session.
    SessionProxies();

    // The user and password the session's proxy address gave for that proxy host; none when
    // it gave none.
    const ProxyChoice::Credentials* credentials(const std::string& host) const;
    // The same proxies for a fetch of our own (the update check), with their credentials.
    const GRef<GProxyResolver>& resolver() const { return resolver_; }
    const std::map<std::string, ProxyChoice::Credentials>& allCredentials() const {
        return credentials_;
    }
    // The mode and the proxies' hosts, never their users, as support is told.
    const std::string& forSupport() const { return forSupport_; }

private:
    GRef<GProxyResolver> resolver_;
    std::map<std::string, ProxyChoice::Credentials> credentials_;
    std::string forSupport_;
};

}  // namespace delvaronte
