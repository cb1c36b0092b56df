// The pages the benchmarks load, served on 127.0.0.1, and the moments pages report.
#pragma once

#include <glib.h>

#include <map>
#include <optional>
#include <string>

#include "sandbox/SiteServer.h"

namespace delvaronte::bench {

// The benchmarks' pages.
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

    std::string url(const std::string& pathAndQuery) const;
    // When the page reported NAME (monotonic microseconds), if it has.
    std::optional<gint64> reportedAt(const std::string& who) const;

private:
    SiteServer server_;
    std::map<std::string, gint64> reports_;
};

}  // namespace delvaronte::bench
