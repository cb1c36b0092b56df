// One heavy page: a ledger of 20,000 rows and 3 MB of script, for the program and Chromium's
// --app window in interleaved rounds: from start to the page's first paint (as the engine
// reports it to the page), to the end of its parsing (DOMContentLoaded) and to its load event,
// then how long a key typed into its search
// field takes to reach the page's handler.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "Contenders.h"
#include "Measure.h"
#include "PageServer.h"
#include "XDisplay.h"
#include "sandbox/Launched.h"

using namespace delvaronte;
using namespace delvaronte::bench;

namespace {

constexpr int kKeys = 5;

struct Samples {
    std::vector<double> paint, parsed, load, key, filter;
};

}  // namespace

int main(int argc, char** argv) {
    const int rounds = countOption(option(argc, argv, "--rounds", "5").c_str(), 5);
    Display* display = openDisplay();
    if (display == nullptr) return 1;
    const KeyCode key = XKeysymToKeycode(display, XStringToKeysym("a"));
    const std::vector<Contender> all = contenders(argc, argv);
    PageServer server;
    std::map<std::string, Samples> samples;
    for (int round = 1; round <= rounds; ++round) {
        for (const Contender& c : all) {
            const std::string who = c.name + "-" + std::to_string(round);
            ThrowAwayHome home;
            const double start = pageClockMs();
            Launched run(c.command(server.url("/heavy?who=" + who), home), c.environmentIn(home));
            if (!run.started() ||
                !runUntil([&] { return server.reported(who, "paint").has_value(); }, 120)) {
                std::printf("round %d, %s: no report within 120 s\n", round, c.name.c_str());
                continue;
            }
            Samples& s = samples[c.name];
            const double load = *server.reported(who, "load") - start;
            const double paint = *server.reported(who, "paint");
            s.load.push_back(load / 1000);
            s.parsed.push_back((*server.reported(who, "parsed") - start) / 1000);
            if (paint > 0) s.paint.push_back((paint - start) / 1000);
            runFor(1.5);  // our splash fades; the field has the keyboard
            // Each key once the page has done with the one before: the time to the handler,
            // and from there until the list is drawn again.
            std::vector<double> keys, filter;
            for (int k = 1; k <= kKeys; ++k) {
                const std::string heard = who + "-key-" + std::to_string(k);
                const double sent = pageClockMs();
                XTestFakeKeyEvent(display, key, True, CurrentTime);
                XTestFakeKeyEvent(display, key, False, CurrentTime);
                XFlush(display);
                const std::string drawn = who + "-drawn-" + std::to_string(k);
                if (!runUntil([&] { return server.reported(drawn, "at").has_value(); }, 20)) break;
                keys.push_back(*server.reported(heard, "at") - sent);
                filter.push_back(*server.reported(drawn, "at") - *server.reported(heard, "at"));
                runFor(0.3);
            }
            s.key.insert(s.key.end(), keys.begin(), keys.end());
            s.filter.insert(s.filter.end(), filter.begin(), filter.end());
            char painted[32] = "not reported";
            if (paint > 0) std::snprintf(painted, sizeof painted, "%.3f s", (paint - start) / 1000);
            std::printf("round %d, %-22s first paint %s, loaded %.3f s, keys %s\n", round,
                        c.name.c_str(), painted, load / 1000,
                        describe(summarize(keys), "ms", 1).c_str());
            std::fflush(stdout);
            run.stop();
            runFor(1);
        }
    }
    XCloseDisplay(display);

    std::printf("\nmedian [lowest - highest] over %d rounds (keys: %d a round)\n", rounds, kKeys);
    std::printf("%-22s %-26s %-26s %-26s %-26s %s\n", "", "start to first paint", "start to parsed",
                "start to loaded", "key to handler", "handler to drawn");
    for (const Contender& c : all) {
        const Samples& s = samples[c.name];
        std::printf("%-22s %-26s %-26s %-26s %-26s %s\n", c.name.c_str(),
                    describe(summarize(s.paint), "s", 3).c_str(),
                    describe(summarize(s.parsed), "s", 3).c_str(),
                    describe(summarize(s.load), "s", 3).c_str(),
                    describe(summarize(s.key), "ms", 1).c_str(),
                    describe(summarize(s.filter), "ms", 0).c_str());
    }
    if (all.empty() || samples.count("Chromium") == 0) return 0;
    const Samples& us = samples[all[0].name];
    const Samples& chrome = samples["Chromium"];
    std::printf("\ntargets\n");
    printRatio("loaded", summarize(us.load), summarize(chrome.load), "Chromium", 0.9);
    printRatio("key to handler", summarize(us.key), summarize(chrome.key), "Chromium", 1.0);
    printRatio("first paint", summarize(us.paint), summarize(chrome.paint), "Chromium");
    return 0;
}
