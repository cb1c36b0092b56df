// Programs started for a measurement, and what /proc says of their process trees.
#pragma once

#include <gio/gio.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ThrowAwayHome.h"

namespace delvaronte::bench {

// Runs the main loop until done() holds or the seconds have passed; done() at the end.
bool runUntil(const std::function<bool()>& done, double seconds);
// Runs the main loop for this long.
void runFor(double seconds);

// The process and all its descendants, as they are now.
std::vector<int> processTree(int root);
// Proportional set size of the whole tree, in KiB.
long treePssKiB(int root);
// The same, process by process: its name and its PSS in KiB, sorted by name.
std::vector<std::pair<std::string, long>> treePssByProcess(int root);
// User and system time used so far by the whole tree, in seconds.
double treeCpuSeconds(int root);

// A program started with its own environment (a variable given an empty value is removed
// from it); stopping it ends its whole process tree. The tests start the program this way too.
class Launched {
public:
    Launched(const std::vector<std::string>& argv,
             const std::vector<std::pair<std::string, std::string>>& environment);
    ~Launched();
    Launched(const Launched&) = delete;
    Launched& operator=(const Launched&) = delete;

    bool started() const { return process_ != nullptr; }
    int pid() const { return pid_; }
    gint64 startedAt() const { return startedAt_; }
    bool exited() const { return exited_; }
    // Its exit status once it has ended within that time (-1 for a signal); nothing otherwise.
    std::optional<int> waitForExit(double seconds = 30);
    // SIGTERM to every process of the tree, SIGKILL to what is left after a while.
    void stop();

private:
    GSubprocess* process_ = nullptr;
    int pid_ = 0;
    gint64 startedAt_ = 0;
    bool exited_ = false;
};

}  // namespace delvaronte::bench
