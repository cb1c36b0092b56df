// A program started in a process of its own, and the main loop run until something happens.
#pragma once

#include <gio/gio.h>

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace delvaronte {

// Runs the main loop until done() holds or the seconds have passed: whether it held.
bool runUntil(const std::function<bool()>& done, double seconds);
// Runs the main loop for this long.
void runFor(double seconds);
// Runs a command found on PATH to its end and gives what it printed; status gets its wait
// status (0 when it succeeded, -1 when it could not start).
std::string runToEnd(const std::vector<std::string>& argv, int* status = nullptr);

// A program started with its own environment (a variable given an empty value is removed
// from it); stopping it ends its whole process tree. The tests and the benchmarks start the
// program this way. What it writes goes nowhere, or its standard error to stderrFile.
class Launched {
public:
    Launched(const std::vector<std::string>& argv,
             const std::vector<std::pair<std::string, std::string>>& environment,
             const std::string& stderrFile = {});
    ~Launched();
    Launched(const Launched&) = delete;
    Launched& operator=(const Launched&) = delete;

    bool started() const { return process_ != nullptr; }
    int pid() const { return pid_; }
    gint64 startedAt() const { return startedAt_; }
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

}  // namespace delvaronte
