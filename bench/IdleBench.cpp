// What the program costs while nobody uses it: CPU time of its whole process tree over 10
// seconds once the page is done and the splash has faded.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "Measure.h"
#include "PageServer.h"
#include "Processes.h"
#include "sandbox/ThrowAwayHome.h"

using namespace delvaronte;
using namespace delvaronte::bench;
using delvaronte::ThrowAwayHome;

int main(int argc, char** argv) {
    const std::string program = option(argc, argv, "--program", DELVARONTE_BENCH_PROGRAM);
    const int rounds = countOption(option(argc, argv, "--rounds", "3").c_str(), 3);
    PageServer server;

    constexpr double kSpan = 10;
    std::vector<double> shares;
    for (int round = 1; round <= rounds; ++round) {
        const std::string who = "idle-" + std::to_string(round);
        ThrowAwayHome home;
        home.provision(server.url("/page?who=" + who), "bench");
        Launched run({program}, home.environment());
        if (!runUntil([&] { return server.reportedAt(who).has_value(); }, 60)) {
            std::printf("round %d: no page report within 60 s\n", round);
            continue;
        }
        // The splash fades for half a second after the page is done.
        runFor(1.5);
        const double before = treeCpuSeconds(run.pid());
        runFor(kSpan);
        const double used = treeCpuSeconds(run.pid()) - before;
        const double share = 100 * used / kSpan;
        shares.push_back(share);
        std::printf("round %d: %.2f s of CPU in %.0f s, %.2f %% of one core\n", round, used, kSpan,
                    share);
        std::fflush(stdout);
        run.stop();
    }
    const Summary s = summarize(shares);
    if (s.count == 0) return 1;
    std::printf("\nidle CPU, whole process tree: %s of one core (target: under 1 %%) %s\n",
                describe(s, "%", 2).c_str(), s.median < 1 ? "ok" : "MISSED");
    return 0;
}
