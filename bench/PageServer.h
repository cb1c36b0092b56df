// The pages the benchmarks load, served on 127.0.0.1, and the moments pages report.
#pragma once

#include <glib.h>
#include <libsoup/soup.h>

#include <map>
#include <optional>
#include <string>

namespace delvaronte::bench {

class PageServer {
public:
    // Serves, on a free port of 127.0.0.1:
    //   /page?who=NAME    a small accounting page that reports its load event as NAME;
    //   /popups           a page that reports "page" when loaded; its openAndClose(N, NAME)
    //                     opens and closes N pop-up windows one after another, then
    //                     reports NAME;
    //   /popup            the pop-ups' page;
    //   /loaded?who=NAME  where pages report.
    PageServer();
    ~PageServer();
    PageServer(const PageServer&) = delete;
    PageServer& operator=(const PageServer&) = delete;

    bool listening() const { return port_ != 0; }
    std::string url(const std::string& pathAndQuery) const;
    // When the page reported NAME (monotonic microseconds), if it has.
    std::optional<gint64> reportedAt(const std::string& who) const;

private:
    static void handle(SoupServer* server, SoupServerMessage* message, const char* path,
                       GHashTable* query, gpointer self);

    SoupServer* server_;
    unsigned port_ = 0;
    std::map<std::string, gint64> reports_;
};

}  // namespace delvaronte::bench
