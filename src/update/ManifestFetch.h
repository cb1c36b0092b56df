// Fetching the manifest with libsoup on the main loop, never blocking it.
#pragma once

#include <gio/gio.h>

#include <functional>
#include <map>
#include <string>

#include "base/DesktopProxy.h"
#include "update/rules/Manifest.h"

namespace delvaronte {

// GETs url with no cache and a timeout on connecting and on each wait for data, reading the
// body up to limit bytes (a longer one is TooLarge). Only a 200 answer is Received; a
// redirect to anything but https fails the fetch. authorities: the certificate authorities
// trusted, the system's when null; proxy: the proxies, the system's when null, and the user and
// password each proxy gets when it asks for them (by its host). done runs once, on
// the main loop, after fetchManifest has returned. Returns false, and never calls done, when url
// cannot form a request at all.
bool fetchManifest(const std::string& url, unsigned timeoutSeconds, size_t limit,
                   GTlsDatabase* authorities, GProxyResolver* proxy,
                   const std::map<std::string, ProxyChoice::Credentials>& proxyCredentials,
                   std::function<void(FetchResult)> done);

}  // namespace delvaronte
