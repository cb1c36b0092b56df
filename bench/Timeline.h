// One start of a program as a timeline: what its processes did when, read from a record of
// strace (process starts, connections), with what the benchmark
// saw itself (the window on the screen, the request at the server, the page's own times).
#pragma once

#include <string>
#include <vector>

namespace delvaronte::bench {

struct TimelineEvent {
    double seconds = 0;  // since the program's exec
    std::string what;
};

// The command run under strace, its record written to traceFile: process starts and
// connections of every process of the tree, times in seconds of the epoch.
std::vector<std::string> traced(const std::vector<std::string>& command,
                                const std::string& traceFile);

// The marks of a start in such a record, each the first of its kind: the exec, the X server
// and the session bus reached, each of the engine's processes started (WebKit's or
// Chromium's), the connection to the page's server at that port. In the record's order; their times
// count from the exec, whose time in the epoch (seconds) goes to execAt; nothing when the
// record has no exec.
std::vector<TimelineEvent> startupEvents(const std::string& record, int port, double& execAt);

}  // namespace delvaronte::bench
