// Start-up of the program beside the bare engine (MiniBrowser) and Chromium in app mode,
// each on the same local page, in interleaved rounds in this X server: time until the
// first window is on screen, time until the page reports its load event, and the PSS of
// the whole process tree 3 seconds after that report.
#include <X11/Xlib.h>
#include <glib-unix.h>
#include <unistd.h>

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

}  // namespace

int main(int argc, char** argv) {
    const int rounds = countOption(option(argc, argv, "--rounds", "7").c_str(), 7);
    // --processes: the PSS of each process of the tree, run by run.
    const bool detail = flag(argc, argv, "--processes");
    const bool sameSize = flag(argc, argv, "--same-size");
    const std::vector<Contender> all = contenders(argc, argv);
    std::map<std::string, Samples> samples;

    ScreenWatch screen;
    PageServer server;
    if (!screen.open()) {
        std::fprintf(stderr, "needs an X display: run through scripts/bench.sh\n");
        return 1;
    }
    for (int round = 1; round <= rounds; ++round) {
        for (size_t i = 0; i < all.size(); ++i) {
            const Contender& c = all[i];
            const std::string who = c.name + "-" + std::to_string(round);
            ThrowAwayHome home;
            screen.reset();
            Launched run(c.command(server.url("/page?who=" + who), home, sameSize),
                         c.environmentIn(home));
            std::optional<gint64> mapped;
            const bool done = runUntil(
                [&] {
                    mapped = screen.poll();
                    return mapped && server.reportedAt(who);
                },
                60);
            if (!run.started() || !done) {
                std::printf("round %d, %s: %s within 60 s\n", round, c.name.c_str(),
                            !run.started() ? "did not start" : "no window or no page report");
                continue;
            }
            runFor(3);
            const double window = (*mapped - run.startedAt()) / 1e6;
            const double report = (*server.reportedAt(who) - run.startedAt()) / 1e6;
            const double pss = treePssKiB(run.pid()) / 1024.0;
            const auto [width, height] = screen.largestWindow();
            if (detail) printPssByProcess(run.pid());
            samples[c.name].window.push_back(window);
            samples[c.name].report.push_back(report);
            samples[c.name].pss.push_back(pss);
            std::printf("round %d, %-20s window %.3f s, page %.3f s, PSS %.1f MiB (window %dx%d)\n",
                        round, c.name.c_str(), window, report, pss, width, height);
            std::fflush(stdout);
            run.stop();
            runFor(1);
        }
    }

    std::printf("\nmedian [lowest - highest] over %d rounds\n", rounds);
    std::printf("%-20s %-26s %-26s %s\n", "", "window visible", "page loaded", "PSS 3 s later");
    for (size_t i = 0; i < all.size(); ++i) {
        const Samples& c = samples[all[i].name];
        if (c.window.empty()) continue;
        std::printf("%-20s %-26s %-26s %s\n", all[i].name.c_str(),
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
    printRatio("page loaded", summarize(us.report), summarize(chrome.report), "Chromium", 0.9);
    printRatio("PSS", summarize(us.pss), summarize(chrome.pss), "Chromium", 0.9);
    return 0;
}
