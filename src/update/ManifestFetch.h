// Fetching the manifest with libsoup on the main loop, never blocking it.
#pragma once

#include <functional>
#include <string>

#include "update/rules/Manifest.h"

namespace delvaronte {

// GETs url with no cache and a timeout on connecting and on each wait for data, reading the
// body up to limit bytes (a longer one is TooLarge). done runs once, on the main loop,
// after fetchManifest has returned. Returns false, and never calls done, when url cannot
// form a request at all.
bool fetchManifest(const std::string& url, unsigned timeoutSeconds, size_t limit,
                   std::function<void(FetchResult)> done);

}  // namespace delvaronte
