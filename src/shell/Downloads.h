// Downloads: where to save (the toolkit's save dialog), progress while they run, and what
// became of them.
#pragma once

#include <webkit/webkit.h>

#include <functional>
#include <string>
#include <vector>

namespace delvaronte {

class Downloads {
public:
    using Opener = std::function<void(const std::string& uri)>;
    // Where files go, read at each download: the folder offered (or used), whether the user
    // is asked where to save, and the extensions of files never saved.
    struct Place {
        std::function<std::string()> folder;
        std::function<bool()> ask;
        std::function<std::vector<std::string>()> refused;
    };

    // A download of that view is over, whichever way: a window opened only for it may go.
    using Ended = std::function<void(WebKitWebView* view)>;

    // Takes every download the session starts, from any of its web views; a finished file,
    // or its folder, is opened through open.
    Downloads(WebKitNetworkSession* session, const Opener& open, Place place);
    ~Downloads();
    Downloads(const Downloads&) = delete;
    Downloads& operator=(const Downloads&) = delete;

    void whenEnded(Ended ended) { ended_ = std::move(ended); }

private:
    static void downloadStartedCb(WebKitNetworkSession* session, WebKitDownload* download,
                                  Downloads* self);

    WebKitNetworkSession* session_;
    const Opener& open_;
    Place place_;
    Ended ended_;
};

}  // namespace delvaronte
