// Serving the demo site on this machine's loopback: the listening and the site's files. The
// demo program and the tests serve the same site the same way.
#pragma once

#include <libsoup/soup.h>

#include <string>

namespace delvaronte {

// The site's pages ask for this path once their load event has fired.
inline constexpr char kSiteLoadedPath[] = "/loaded";

// Listens on 127.0.0.1 at port (0: the system chooses) and gives the port listened on, or 0
// with error set.
guint listenOnLoopback(SoupServer* server, guint port, SoupServerListenOptions options,
                       GError** error);

// Answers message with the file of the site folder that path names ("/" is index.html).
// Only plain file names of the folder are served: no sub-folders, no hidden files. False,
// with message untouched, when there is no such file.
bool serveSiteFile(SoupServerMessage* message, const std::string& folder, const char* path);

}  // namespace delvaronte
