// A clerk's day: the program and Chromium's --app window each load 2,000 pages (a ledger of
// 2,000 rows, an entry form, a report drawn by script, each with 1 MB of shared script), in
// interleaved rounds. The pages drive themselves: each, once loaded, reports and goes to the
// next, so that nothing outside the page differs between the two. Printed: loads per second,
// the process tree's PSS after 20, 500, 1,000 and 2,000 loads and 30 s after the last, and
// the web processes' part of it.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "Contenders.h"
#include "Measure.h"
#include "PageServer.h"
#include "Processes.h"
#include "sandbox/Launched.h"

using namespace delvaronte;
using namespace delvaronte::bench;

namespace {

constexpr int kLater = 1 << 30;

struct Memory {
    double tree = 0, web = 0;  // MiB
};

Memory measure(int pid) {
    return {treePssKiB(pid) / 1024.0, treeWebPssKiB(pid) / 1024.0};
}

// One program's day.
struct Day {
    std::string who;
    int pid = 0;
    int total = 0;
    std::vector<int> marks;
    std::map<int, Memory> memory;  // by loads done; kLater for 30 s after the last
    gint64 first = 0, last = 0, paused = 0;
    bool done = false;
    bool detail = false;  // the PSS of each process at each mark

    void marked(int n, const std::function<void()>& resume) {
        const gint64 now = g_get_monotonic_time();
        if (n == 1) first = now;
        if (std::find(marks.begin(), marks.end(), n) != marks.end()) {
            memory[n] = measure(pid);
            if (detail) {
                std::printf("    after %d:\n", n);
                printPssByProcess(pid, "      ");
            }
            paused += g_get_monotonic_time() - now;
        }
        if (n == total) {
            last = now;
            done = true;
        }
        resume();
    }
    double loadsPerSecond() const {
        const double seconds = double(last - first - paused) / 1e6;
        return seconds > 0 ? (total - 1) / seconds : 0;
    }
};

}  // namespace

int main(int argc, char** argv) {
    const int rounds = countOption(option(argc, argv, "--rounds", "1").c_str(), 1);
    const int total = std::max(20, std::atoi(option(argc, argv, "--loads", "2000").c_str()));
    std::vector<int> marks;
    for (const int n : {20, 500, 1000, 2000}) {
        if (n < total) marks.push_back(n);
    }
    marks.push_back(total);

    std::vector<Contender> all = contenders(argc, argv);
    std::erase_if(all, [](const Contender& c) { return c.kind == Contender::Kind::MiniBrowser; });
    PageServer server;
    Day* current = nullptr;
    server.onMark([&](const std::string& who, int n, const std::function<void()>& resume) {
        if (current != nullptr && who == current->who) {
            current->marked(n, resume);
        } else {
            resume();
        }
    });

    std::map<std::string, std::vector<Day>> days;
    for (int round = 1; round <= rounds; ++round) {
        for (const Contender& c : all) {
            Day day;
            day.who = c.name + "-" + std::to_string(round);
            day.total = total;
            day.marks = marks;
            day.detail = flag(argc, argv, "--processes");  // each process's PSS at each mark
            ThrowAwayHome home;
            const std::string start = server.url("/day/grand-livre?n=1&who=" + day.who +
                                                 "&total=" + std::to_string(total));
            Launched run(c.command(start, home), c.environmentIn(home));
            day.pid = run.pid();
            current = &day;
            const bool finished = run.started() && runUntil([&] { return day.done; }, 3600);
            current = nullptr;
            if (!finished) {
                std::printf("round %d, %s: not done within an hour\n", round, c.name.c_str());
                continue;
            }
            runFor(30);
            day.memory[kLater] = measure(run.pid());
            std::printf("round %d, %-22s %.1f loads/s;", round, c.name.c_str(),
                        day.loadsPerSecond());
            for (const auto& [n, memory] : day.memory) {
                std::printf(" %s %.0f MiB (web %.0f)",
                            n == kLater ? "+30 s" : std::to_string(n).c_str(), memory.tree,
                            memory.web);
            }
            std::printf("\n");
            std::fflush(stdout);
            run.stop();
            runFor(1);
            days[c.name].push_back(day);
        }
    }

    std::printf("\nmedian [lowest - highest] over %d round(s), %d loads\n", rounds, total);
    std::map<std::string, std::map<int, Summary>> tree;
    std::map<std::string, Summary> speed;
    for (const Contender& c : all) {
        std::vector<double> perSecond;
        std::map<int, std::vector<double>> sizes, web;
        for (const Day& day : days[c.name]) {
            perSecond.push_back(day.loadsPerSecond());
            for (const auto& [n, memory] : day.memory) {
                sizes[n].push_back(memory.tree);
                web[n].push_back(memory.tree > 0 ? 100 * memory.web / memory.tree : 0);
            }
        }
        speed[c.name] = summarize(perSecond);
        std::printf("%s: %s loads/s\n", c.name.c_str(), describe(speed[c.name], "", 1).c_str());
        for (const auto& [n, samples] : sizes) {
            tree[c.name][n] = summarize(samples);
            std::printf("  PSS %-6s %-28s web processes %s\n",
                        n == kLater ? "+30 s" : std::to_string(n).c_str(),
                        describe(tree[c.name][n], "MiB", 1).c_str(),
                        describe(summarize(web[n]), "%", 0).c_str());
        }
    }
    if (all.size() < 2 || days[all[0].name].empty() || days["Chromium"].empty()) return 0;
    const std::string& us = all[0].name;
    std::printf("\ntargets\n");
    printRatio("PSS after the last", tree[us][total], tree["Chromium"][total], "Chromium", 0.8);
    printRatio("PSS, last to 20th", tree[us][total], tree[us][20], "ours at 20", 1.15);
    printRatio("Chromium: loads/s", speed["Chromium"], speed[us], "ours", 1.0);
    return 0;
}
