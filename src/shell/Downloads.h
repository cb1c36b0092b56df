// Downloads: where to save (the toolkit's save dialog), progress while they run, and what
// became of them.
#pragma once

#include <webkit/webkit.h>

namespace delvaronte {

class Downloads {
public:
    // Takes every download the session starts, from any of its web views.
    explicit Downloads(WebKitNetworkSession* session);
    ~Downloads();
    Downloads(const Downloads&) = delete;
    Downloads& operator=(const Downloads&) = delete;

private:
    static void downloadStartedCb(WebKitNetworkSession* session, WebKitDownload* download,
                                  Downloads* self);

    WebKitNetworkSession* session_;
};

}  // namespace delvaronte
