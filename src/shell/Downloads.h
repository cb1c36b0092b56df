// Downloads: where to save (the toolkit's save dialog), progress while they run, and what
// became of them.
#pragma once

#include <webkit/webkit.h>

#include <functional>
#include <string>

namespace delvaronte {

class Downloads {
public:
    using Opener = std::function<void(const std::string& uri)>;

    // Takes every download the session starts, from any of its web views; a finished file,
    // or its folder, is opened through open.
    Downloads(WebKitNetworkSession* session, const Opener& open);
    ~Downloads();
    Downloads(const Downloads&) = delete;
    Downloads& operator=(const Downloads&) = delete;

private:
    static void downloadStartedCb(WebKitNetworkSession* session, WebKitDownload* download,
                                  Downloads* self);

    WebKitNetworkSession* session_;
    const Opener& open_;
};

}  // namespace delvaronte
