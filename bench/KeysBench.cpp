// What each key costs a page: an entry form's account field typed at 40 ms a key through the X
// server, in the program, the bare engine (MiniBrowser) and Chromium's --app window, with the
// field working 0 ms and 25 ms on each key (a completion widget). For each key, the time from
// its press to the page's keydown handler; the last key's, which is how far behind the typing
// the page is when the user clicks elsewhere; and the processor time the whole program took
// for each key (its windows and its engine's processes), the page's own work included.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "Contenders.h"
#include "Measure.h"
#include "PageServer.h"
#include "Processes.h"
#include "XDisplay.h"
#include "sandbox/Launched.h"

using namespace delvaronte;
using namespace delvaronte::bench;

namespace {

constexpr char kTyped[] = "reglement fournisseur dupont mars";

struct Samples {
    std::vector<double> key, last, cpu;
};

}  // namespace

int main(int argc, char** argv) {
    const int rounds = countOption(option(argc, argv, "--rounds", "5").c_str(), 5);
    Display* display = openDisplay();
    if (display == nullptr) return 1;
    std::vector<KeyCode> codes;
    for (const char* c = kTyped; *c != '\0'; ++c) {
        const std::string name = *c == ' ' ? "space" : std::string(1, *c);
        codes.push_back(XKeysymToKeycode(display, XStringToKeysym(name.c_str())));
    }
    const std::vector<Contender> all = contenders(argc, argv);
    PageServer server;
    std::map<std::string, Samples> samples;  // by contender and busy time
    const std::vector<int> busyTimes{0, 25};
    for (int round = 1; round <= rounds; ++round) {
        for (const int busy : busyTimes) {
            for (const Contender& c : all) {
                const std::string who =
                    c.name + "-" + std::to_string(busy) + "-" + std::to_string(round);
                ThrowAwayHome home;
                const std::string url =
                    server.url("/keys?who=" + who + "&busy=" + std::to_string(busy) +
                               "&keys=" + std::to_string(codes.size()));
                Launched run(c.command(url, home), c.environmentIn(home));
                if (!run.started() ||
                    !runUntil([&] { return server.reported(who, "load").has_value(); }, 120)) {
                    std::printf("round %d, %s: no report within 120 s\n", round, c.name.c_str());
                    continue;
                }
                runFor(1.5);  // our splash fades; the field has the keyboard
                std::vector<double> sent;
                const double cpuBefore = treeCpuSeconds(run.pid());
                for (const KeyCode code : codes) {
                    sent.push_back(pageClockMs());
                    XTestFakeKeyEvent(display, code, True, CurrentTime);
                    XFlush(display);
                    runFor(0.02);
                    XTestFakeKeyEvent(display, code, False, CurrentTime);
                    XFlush(display);
                    runFor(0.02);
                }
                const std::string keys = who + "-keys";
                if (!runUntil([&] { return server.reported(keys, "k1").has_value(); }, 30)) {
                    std::printf("round %d, %s: the keys were not all heard\n", round,
                                c.name.c_str());
                    run.stop();
                    continue;
                }
                const double cpuPerKey =
                    (treeCpuSeconds(run.pid()) - cpuBefore) * 1000 / double(codes.size());
                std::vector<double> lags;
                for (size_t k = 0; k < sent.size(); ++k) {
                    const auto at = server.reported(keys, "k" + std::to_string(k + 1));
                    if (at) lags.push_back(*at - sent[k]);
                }
                Samples& s = samples[c.name + "/" + std::to_string(busy)];
                s.key.insert(s.key.end(), lags.begin(), lags.end());
                if (!lags.empty()) s.last.push_back(lags.back());
                s.cpu.push_back(cpuPerKey);
                std::printf(
                    "round %d, busy %2d ms, %-14s keys %s, last %.1f ms, %.1f ms of "
                    "processor a key\n",
                    round, busy, c.name.c_str(), describe(summarize(lags), "ms", 1).c_str(),
                    lags.empty() ? 0.0 : lags.back(), cpuPerKey);
                std::fflush(stdout);
                run.stop();
                runFor(1);
            }
        }
    }
    XCloseDisplay(display);

    std::printf("\nmedian [lowest - highest] over %d rounds of %zu keys, 40 ms a key\n", rounds,
                codes.size());
    std::printf("%-14s %-8s %-28s %-28s %s\n", "", "busy", "key to handler", "last key to handler",
                "processor a key");
    for (const int busy : busyTimes) {
        for (const Contender& c : all) {
            const Samples& s = samples[c.name + "/" + std::to_string(busy)];
            std::printf("%-14s %-8s %-28s %-28s %s\n", c.name.c_str(),
                        (std::to_string(busy) + " ms").c_str(),
                        describe(summarize(s.key), "ms", 1).c_str(),
                        describe(summarize(s.last), "ms", 1).c_str(),
                        describe(summarize(s.cpu), "ms", 1).c_str());
        }
    }
    if (all.empty() || samples.count("MiniBrowser/25") == 0) return 0;
    std::printf("\nagainst the bare engine, busy 25 ms\n");
    printRatio("key to handler", summarize(samples[all[0].name + "/25"].key),
               summarize(samples["MiniBrowser/25"].key), "MiniBrowser");
    printRatio("last key", summarize(samples[all[0].name + "/25"].last),
               summarize(samples["MiniBrowser/25"].last), "MiniBrowser");
    printRatio("processor a key", summarize(samples[all[0].name + "/25"].cpu),
               summarize(samples["MiniBrowser/25"].cpu), "MiniBrowser");
    return 0;
}
