// Start-up of the program beside the bare engine (MiniBrowser) and Chromium in app mode,
// each on the same local page, in interleaved rounds in this X server: time until the
// first window is on screen, time until the page reports its load event, and the PSS of
// the whole process tree 3 seconds after that report.
#include <X11/Xlib.h>
#include <glib-unix.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Contenders.h"
#include "Measure.h"
#include "PageServer.h"
#include "Processes.h"
#include "Timeline.h"
#include "base/GObjectPtr.h"
#include "sandbox/ThrowAwayHome.h"

using namespace delvaronte;
using namespace delvaronte::bench;

namespace {

// Windows that appear on the screen: top-level windows mapped on the root window, large
// enough to be a program's window rather than a tooltip or a menu.
class ScreenWatch {
public:
    ScreenWatch() : display_(XOpenDisplay(nullptr)) {
        if (display_ == nullptr) return;
        XSelectInput(display_, DefaultRootWindow(display_), SubstructureNotifyMask);
        XFlush(display_);
        // The X connection wakes the main loop; events are read in poll().
        g_unix_fd_add(
            ConnectionNumber(display_), G_IO_IN,
            +[](gint, GIOCondition, gpointer) -> gboolean { return G_SOURCE_CONTINUE; }, nullptr);
    }
    ~ScreenWatch() {
        if (display_ != nullptr) XCloseDisplay(display_);
    }
    bool open() const { return display_ != nullptr; }

    // Reads what the X server said; the moment of the first large window mapped since the
    // last reset.
    std::optional<gint64> poll() {
        while (XPending(display_) > 0) {
            XEvent event;
            XNextEvent(display_, &event);
            if (event.type != MapNotify || event.xmap.override_redirect || firstMap_) continue;
            XWindowAttributes attributes;
            if (XGetWindowAttributes(display_, event.xmap.window, &attributes) != 0 &&
                attributes.width >= 200 && attributes.height >= 150) {
                firstMap_ = g_get_monotonic_time();
            }
        }
        return firstMap_;
    }
    // Width and height of the largest top-level window on the screen now.
    std::pair<int, int> largestWindow() {
        Window root = 0, parent = 0;
        Window* children = nullptr;
        unsigned count = 0;
        std::pair<int, int> largest{0, 0};
        if (XQueryTree(display_, DefaultRootWindow(display_), &root, &parent, &children, &count) ==
            0) {
            return largest;
        }
        for (unsigned i = 0; i < count; ++i) {
            XWindowAttributes a;
            if (XGetWindowAttributes(display_, children[i], &a) != 0 && a.map_state == IsViewable &&
                a.width * a.height > largest.first * largest.second) {
                largest = {a.width, a.height};
            }
        }
        if (children != nullptr) XFree(children);
        return largest;
    }
    void reset() {
        poll();
        firstMap_.reset();
    }

private:
    Display* display_;
    std::optional<gint64> firstMap_;
};

struct Samples {
    std::vector<double> window, report, pss;
};

double epochSeconds(gint64 monotonic) {
    return (double(g_get_real_time()) - double(g_get_monotonic_time() - monotonic)) / 1e6;
}

// The program asked to end as a user's session ends it (SIGTERM to the program alone, which
// may then write what it keeps), then whatever is left of its tree.
void endGracefully(Launched& run) {
    kill(run.pid(), SIGTERM);
    run.waitForExit(10);
    run.stop();
    runFor(1);
}

// One start in that home until the page reports as `who`: the window's mapping, or nothing
// within 60 s.
std::optional<gint64> startOnce(Launched& run, ScreenWatch& screen, const PageServer& server,
                                const std::string& who) {
    std::optional<gint64> mapped;
    const bool done = runUntil(
        [&] {
            mapped = screen.poll();
            return mapped && server.reportedAt(who);
        },
        60);
    if (run.started() && done) return mapped;
    std::printf("%s: %s within 60 s\n", who.c_str(),
                !run.started() ? "did not start" : "no window or no page report");
    return std::nullopt;
}

// Each contender started once under strace (cold, then warm in the same home when asked),
// and its timeline printed: the record's marks and what the benchmark saw.
int printTimelines(const std::vector<Contender>& all, ScreenWatch& screen, PageServer& server,
                   bool warm) {
    for (const Contender& c : all) {
        ThrowAwayHome home;
        for (int pass = warm ? 0 : 1; pass < 2; ++pass) {
            const std::string who = c.name + (warm ? "-warm-" : "-") + std::to_string(pass);
            const auto command = c.command(server.url("/page?who=" + who), home);
            screen.reset();
            Launched run(pass == 1 ? traced(command, home.file("trace")) : command,
                         c.environmentIn(home));
            const auto mapped = startOnce(run, screen, server, who);
            if (mapped && pass == 1) {
                runUntil(
                    [&] {
                        return server.reported(who, "paint") > 0.0 ||
                               server.reportedAt(who + "-paint");
                    },
                    3);
            }
            endGracefully(run);
            if (!mapped || pass == 0) continue;
            gchar* text = nullptr;
            g_file_get_contents(home.file("trace").c_str(), &text, nullptr, nullptr);
            const GText record(text);
            double execAt = 0;
            auto events = startupEvents(record ? record.get() : "", int(server.port()), execAt);
            const auto add = [&](double epoch, const char* what) {
                if (epoch > 0) events.push_back({epoch - execAt, what});
            };
            add(epochSeconds(*mapped), "window on the screen (mapped)");
            if (const auto at = server.requestedAt(who))
                add(epochSeconds(*at), "request at the server");
            add(server.reported(who, "response").value_or(0) / 1000,
                "response begins (page's clock)");
            add(server.reported(who, "parsed").value_or(0) / 1000,
                "page parsed (DOMContentLoaded)");
            const double paint = std::max(server.reported(who, "paint").value_or(0),
                                          server.reported(who + "-paint", "paint").value_or(0));
            add(paint / 1000, "first contentful paint");
            add(server.reported(who, "load").value_or(0) / 1000, "load event");
            std::stable_sort(events.begin(), events.end(),
                             [](const auto& a, const auto& b) { return a.seconds < b.seconds; });
            std::printf("\n%s%s, under strace\n", c.name.c_str(), warm ? ", warm" : ", cold");
            for (const auto& event : events) {
                std::printf("  %7.3f s  %s\n", event.seconds, event.what.c_str());
            }
        }
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = countOption(option(argc, argv, "--rounds", "7").c_str(), 7);
    // --processes: the PSS of each process of the tree, run by run.
    const bool detail = flag(argc, argv, "--processes");
    const bool sameSize = flag(argc, argv, "--same-size");
    // --warm: each program started a second time in the same home, its cache and cookies kept.
    const bool warm = flag(argc, argv, "--warm");
    const std::vector<Contender> all = contenders(argc, argv);
    std::vector<std::string> names;
    std::map<std::string, Samples> samples;

    ScreenWatch screen;
    PageServer server;
    if (!screen.open()) {
        std::fprintf(stderr, "needs an X display: run through scripts/bench.sh\n");
        return 1;
    }
    if (flag(argc, argv, "--timeline")) return printTimelines(all, screen, server, warm);
    for (const Contender& c : all) {
        names.push_back(c.name);
        if (warm) names.push_back(c.name + " warm");
    }
    for (int round = 1; round <= rounds; ++round) {
        for (const Contender& c : all) {
            ThrowAwayHome home;
            for (int pass = 0; pass < (warm ? 2 : 1); ++pass) {
                const std::string name = pass == 0 ? c.name : c.name + " warm";
                const std::string who =
                    c.name + "-" + std::to_string(round) + "-" + std::to_string(pass);
                const int assets = server.assetsServed();
                screen.reset();
                Launched run(c.command(server.url("/page?who=" + who), home, sameSize),
                             c.environmentIn(home));
                const auto mapped = startOnce(run, screen, server, who);
                if (!mapped) break;
                runFor(3);
                const double window = (*mapped - run.startedAt()) / 1e6;
                const double report = (*server.reportedAt(who) - run.startedAt()) / 1e6;
                const double pss = treePssKiB(run.pid()) / 1024.0;
                const auto [width, height] = screen.largestWindow();
                if (detail) printPssByProcess(run.pid());
                samples[name].window.push_back(window);
                samples[name].report.push_back(report);
                samples[name].pss.push_back(pss);
                std::printf(
                    "round %d, %-20s window %.3f s, page %.3f s, PSS %.1f MiB (window "
                    "%dx%d)",
                    round, name.c_str(), window, report, pss, width, height);
                // A warm start asks neither the script nor the style, and brings the cookie.
                if (pass == 1) {
                    std::printf(", %s, %s",
                                server.assetsServed() == assets ? "cache used" : "CACHE MISSED",
                                server.cookieCame(who) ? "cookie kept" : "COOKIE LOST");
                }
                std::printf("\n");
                std::fflush(stdout);
                endGracefully(run);
            }
        }
    }

    std::printf("\nmedian [lowest - highest] over %d rounds\n", rounds);
    std::printf("%-20s %-26s %-26s %s\n", "", "window visible", "page loaded", "PSS 3 s later");
    for (const std::string& name : names) {
        const Samples& c = samples[name];
        if (c.window.empty()) continue;
        std::printf("%-20s %-26s %-26s %s\n", name.c_str(),
                    describe(summarize(c.window), "s", 3).c_str(),
                    describe(summarize(c.report), "s", 3).c_str(),
                    describe(summarize(c.pss), "MiB", 1).c_str());
    }
    const Samples& us = samples[all[0].name];
    const Samples& engine = samples["MiniBrowser"];
    const Samples& chrome = samples["Chromium"];
    std::printf("\nratios of medians, delvaronte to the others\n");
    printRatio("window visible", summarize(us.window), summarize(engine.window), "MiniBrowser",
               0.75);
    printRatio("page loaded", summarize(us.report), summarize(engine.report), "MiniBrowser", 1.05);
    printRatio("PSS", summarize(us.pss), summarize(engine.pss), "MiniBrowser", 1.05);
    printRatio("window visible", summarize(us.window), summarize(chrome.window), "Chromium", 0.5);
    printRatio("page loaded", summarize(us.report), summarize(chrome.report), "Chromium", 0.8);
    printRatio("PSS", summarize(us.pss), summarize(chrome.pss), "Chromium", 0.9);
    if (warm) {
        const Samples& usWarm = samples[all[0].name + " warm"];
        const Samples& chromeWarm = samples["Chromium warm"];
        printRatio("window visible, warm", summarize(usWarm.window), summarize(chromeWarm.window),
                   "Chromium", 0.5);
        printRatio("page loaded, warm", summarize(usWarm.report), summarize(chromeWarm.report),
                   "Chromium", 0.8);
        printRatio("PSS, warm", summarize(usWarm.pss), summarize(chromeWarm.pss), "Chromium", 0.9);
    }
    return 0;
}
