// The pages the benchmarks load, served on 127.0.0.1, and the moments pages report.
#pragma once

#include <glib.h>

#include <functional>
#include <map>
#include <optional>
#include <string>

#include "sandbox/SiteServer.h"

namespace delvaronte::bench {

// Now on the clock the pages report on (performance.timeOrigin + performance.now()): the
// epoch, in milliseconds.
inline double pageClockMs() {
    return double(g_get_real_time()) / 1000.0;
}

// The benchmarks' pages.
class PageServer {
public:
    // Serves, on a free port of 127.0.0.1:
    //   /page?who=NAME    a small accounting page that reports its load event as NAME (with
    //                     fields "response", "parsed", "paint" and "load"; a paint that came
    //                     after the load event as NAME-paint), with /app.js and /app.css,
    //                     cacheable for a day, and a session cookie kept for a day;
    //   /popups           a page that reports "page" when loaded; its openAndClose(N, NAME)
    //                     opens and closes N pop-up windows one after another, then
    //                     reports NAME;
    //   /popup            the pop-ups' page;
    //   /day/grand-livre?n=N&who=NAME&total=T, /day/saisie..., /day/rapport...
    //                     a clerk's day: a ledger of 2,000 rows, an entry form, a report, each
    //                     with the same 1 MB of script (/day/app.js, kept in the cache); each
    //                     page, once loaded, reports at /mark and goes to the next one until
    //                     page T;
    //   /heavy?who=NAME   a ledger of 20,000 rows and 3 MB of script; it reports its load
    //                     event and its first paint (fields "load" and "paint", the epoch in
    //                     ms) and each key its search field hears (as "key-1", "key-2"...);
    //   /keys?who=NAME&busy=MS&keys=N  an entry form whose account field works MS ms on
    //                     each key; it reports its load as NAME, then the moment each of the
    //                     first N keys reached the field as NAME-keys (fields "k1", "k2"...);
    //   /cadres-debut?who=NAME  a small page that goes to /cadres?who=NAME, a frameset with
    //                     images and a magenta block, which reports its load event as "load";
    //   /loaded?who=NAME  where pages report (with fields of their own).
    PageServer();

    std::string url(const std::string& pathAndQuery) const;
    guint port() const { return server_.port(); }
    // When the page reported NAME (monotonic microseconds), if it has.
    std::optional<gint64> reportedAt(const std::string& who) const;
    // When the request for /page?who=NAME came, and whether it brought the session cookie.
    std::optional<gint64> requestedAt(const std::string& who) const;
    bool cookieCame(const std::string& who) const;
    // How many times /app.js and /app.css were served: a page loaded from the cache asks none.
    int assetsServed() const { return assetsServed_; }
    // A number the page reported with NAME.
    std::optional<double> reported(const std::string& who, const std::string& field) const;
    // Called when page n of the day named who has loaded; that page goes on to the next once
    // resume() is called.
    using MarkHandler =
        std::function<void(const std::string& who, int n, std::function<void()> resume)>;
    void onMark(MarkHandler handler) { onMark_ = std::move(handler); }
    // The frames' images come that much later, as from a slow server.
    void delayImages(guint milliseconds) { imageDelayMs_ = milliseconds; }

private:
    SiteServer server_;
    std::map<std::string, gint64> reports_;
    std::map<std::string, gint64> requests_;
    std::map<std::string, bool> cookies_;
    int assetsServed_ = 0;
    std::map<std::string, std::map<std::string, double>> fields_;
    MarkHandler onMark_;
    guint imageDelayMs_ = 0;
};

}  // namespace delvaronte::bench
