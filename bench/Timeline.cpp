#include "Timeline.h"

#include <set>
#include <sstream>

namespace delvaronte::bench {

std::vector<std::string> traced(const std::vector<std::string>& command,
                                const std::string& traceFile) {
    // Only these calls stop the processes (the kernel's filter), which keeps the record's cost
    // low; a traced start is still slower than an untraced one.
    std::vector<std::string> argv{
        "strace", "-f",     "-ttt", "-qq", "--seccomp-bpf", "-e", "trace=execve,connect",
        "-o",     traceFile};
    argv.insert(argv.end(), command.begin(), command.end());
    return argv;
}

namespace {

bool has(const std::string& line, const std::string& part) {
    return line.find(part) != std::string::npos;
}

// What a line of the record marks, if it is worth a line of the timeline: "PID TIME call(...".
std::string markOf(const std::string& call, const std::string& line, int port) {
    if (call == "execve") {
        if (has(line, "WebKitNetworkProcess")) return "network process started";
        if (has(line, "WebKitWebProcess")) return "web process started (in its sandbox)";
        if (has(line, "\"/usr/bin/bwrap\"") || has(line, "/bwrap\", [")) {
            return "sandbox (bwrap) started";
        }
        if (has(line, "xdg-dbus-proxy")) return "bus proxy of the sandbox started";
        if (has(line, "--type=zygote")) return "zygote started";
        if (has(line, "--type=gpu-process")) return "GPU process started";
        if (has(line, "NetworkService")) return "network service started";
        if (has(line, "--type=renderer")) return "renderer started";
        return {};
    }
    if (call == "connect") {
        if (has(line, "X11-unix")) return "connected to the X server";
        if (has(line, "dbus") || has(line, "bus\"")) return "connected to the session bus";
        if (has(line, "htons(" + std::to_string(port) + ")")) return "connection to the server";
        return {};
    }
    return {};
}

}  // namespace

std::vector<TimelineEvent> startupEvents(const std::string& record, int port, double& execAt) {
    std::vector<TimelineEvent> events;
    std::set<std::string> seen;
    std::istringstream lines(record);
    std::string line;
    bool execSeen = false;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        int pid = 0;
        double at = 0;
        std::string rest;
        if (!(fields >> pid >> at) || !std::getline(fields >> std::ws, rest)) continue;
        const std::string call = rest.substr(0, rest.find('('));
        if (!execSeen) {
            if (call != "execve") continue;
            execSeen = true;
            execAt = at;
            events.push_back({0, "exec"});
            continue;
        }
        const std::string mark = markOf(call, rest, port);
        if (mark.empty() || !seen.insert(mark).second) continue;
        events.push_back({at - execAt, mark});
    }
    return events;
}

}  // namespace delvaronte::bench
