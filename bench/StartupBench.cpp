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

struct Contender {
    std::string name;
    // The command line for a page address and a throw-away home.
    std::vector<std::string> (*command)(const Contender&, const std::string& url,
                                        const ThrowAwayHome& home);
    std::string program;
    std::vector<double> window, report, pss;
    delvaronte::Environment environment = {};
};

std::vector<std::string> ours(const Contender& c, const std::string& url,
                              const ThrowAwayHome& home) {
    home.provision(url, "bench");
    return {c.program};
}

// --same-size: the others' windows as large as ours (maximized); MiniBrowser has no other
// way to get there than full screen.
bool sameSize = false;

std::vector<std::string> miniBrowser(const Contender& c, const std::string& url,
                                     const ThrowAwayHome&) {
    if (sameSize) return {c.program, "--full-screen", url};
    return {c.program, url};
}

std::vector<std::string> chromium(const Contender& c, const std::string& url,
                                  const ThrowAwayHome& home) {
    std::vector<std::string> argv{
        c.program, "--user-data-dir=" + (home.path() / "chromium").string(),
        // Nothing that reaches the network or asks anything at first start.
        "--no-first-run", "--no-default-browser-check", "--disable-background-networking",
        "--disable-component-update", "--disable-sync", "--disable-default-apps",
        "--disable-extensions", "--disable-domain-reliability",
        "--disable-client-side-phishing-detection",
        "--disable-features=Translate,MediaRouter,OptimizationHints,AutofillServerCommunication",
        "--no-pings", "--metrics-recording-only", "--password-store=basic", "--app=" + url};
    if (sameSize) argv.insert(argv.begin() + 1, "--start-maximized");
    // Chromium refuses to run as root with its sandbox.
    if (geteuid() == 0) argv.insert(argv.begin() + 1, "--no-sandbox");
    return argv;
}

// One ratio of medians, judged against its target: at most `atMost` times the other's, or
// below it when `below`, or no target when neither is given.
void printRatio(const char* what, const Summary& ours, const Summary& other, const char* otherName,
                double atMost = 0, bool below = false) {
    if (ours.count == 0 || other.count == 0 || other.median <= 0) return;
    const double ratio = ours.median / other.median;
    char target[64] = "no target";
    bool met = true;
    if (atMost > 0) {
        std::snprintf(target, sizeof target, "target: at most %.2f x", atMost);
        met = ratio <= atMost;
    } else if (below) {
        std::snprintf(target, sizeof target, "target: below 1 x");
        met = ratio < 1;
    }
    std::printf("  %-15s %.2f x %-12s (%s)%s\n", what, ratio, otherName, target,
                atMost > 0 || below ? (met ? " ok" : " MISSED") : "");
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = countOption(option(argc, argv, "--rounds", "7").c_str(), 7);
    // --processes: the PSS of each process of the tree, run by run.
    bool detail = false;
    for (int i = 1; i < argc; ++i) {
        detail = detail || std::strcmp(argv[i], "--processes") == 0;
        sameSize = sameSize || std::strcmp(argv[i], "--same-size") == 0;
    }
    std::vector<Contender> contenders{
        {"delvaronte", ours, option(argc, argv, "--program", DELVARONTE_BENCH_PROGRAM), {}, {}, {}},
        {"MiniBrowser",
         miniBrowser,
         option(argc, argv, "--minibrowser", "/usr/lib/x86_64-linux-gnu/webkitgtk-6.0/MiniBrowser"),
         {},
         {},
         {}},
        {"Chromium", chromium, option(argc, argv, "--chromium", "/usr/bin/chromium"), {}, {}, {}},
    };

    // --variant NAME=VALUE (again for more): the program also run with that variable set,
    // GSK_RENDERER=gl for the way it drew before it chose its renderer.
    for (int i = 1; i + 1 < argc; ++i) {
        const std::string setting = argv[i + 1];
        if (std::strcmp(argv[i], "--variant") != 0 || setting.find('=') == std::string::npos) {
            continue;
        }
        contenders.push_back(contenders[0]);
        contenders.back().name = setting;
        contenders.back().environment = {
            {setting.substr(0, setting.find('=')), setting.substr(setting.find('=') + 1)}};
    }

    ScreenWatch screen;
    PageServer server;
    if (!screen.open()) {
        std::fprintf(stderr, "needs an X display: run through scripts/bench.sh\n");
        return 1;
    }
    for (auto& c : contenders) {
        if (!std::filesystem::exists(c.program)) {
            std::printf("%s: %s is missing, left out\n", c.name.c_str(), c.program.c_str());
        }
    }

    for (int round = 1; round <= rounds; ++round) {
        for (auto& c : contenders) {
            if (!std::filesystem::exists(c.program)) continue;
            const std::string who = c.name + "-" + std::to_string(round);
            ThrowAwayHome home;
            screen.reset();
            delvaronte::Environment environment = home.environment();
            environment.insert(environment.end(), c.environment.begin(), c.environment.end());
            Launched run(c.command(c, server.url("/page?who=" + who), home), environment);
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
            if (detail) {
                for (const auto& [name, kib] : treePssByProcess(run.pid())) {
                    std::printf("    %-22s %7.1f MiB\n", name.c_str(), kib / 1024.0);
                }
            }
            c.window.push_back(window);
            c.report.push_back(report);
            c.pss.push_back(pss);
            std::printf("round %d, %-20s window %.3f s, page %.3f s, PSS %.1f MiB (window %dx%d)\n",
                        round, c.name.c_str(), window, report, pss, width, height);
            std::fflush(stdout);
            run.stop();
            runFor(1);
        }
    }

    std::printf("\nmedian [lowest - highest] over %d rounds\n", rounds);
    std::printf("%-20s %-26s %-26s %s\n", "", "window visible", "page loaded", "PSS 3 s later");
    for (const auto& c : contenders) {
        if (c.window.empty()) continue;
        std::printf("%-20s %-26s %-26s %s\n", c.name.c_str(),
                    describe(summarize(c.window), "s", 3).c_str(),
                    describe(summarize(c.report), "s", 3).c_str(),
                    describe(summarize(c.pss), "MiB", 1).c_str());
    }
    const Contender& us = contenders[0];
    const Contender& engine = contenders[1];
    const Contender& chrome = contenders[2];
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
