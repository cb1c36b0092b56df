// The processes a program started, as /proc shows them: what stopping it must end, and
// what the benchmarks measure.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace delvaronte {

// root and every process whose chain of parents leads to it, root first.
std::vector<int> descendants(int root, const std::map<int, int>& parentOf);

// The parent pid and user plus system time in clock ticks of a /proc/PID/stat line. The
// command name between parentheses may itself hold spaces and parentheses.
struct StatFields {
    int parent = 0;
    long long ticks = 0;
};
std::optional<StatFields> parseStat(const std::string& line);

// The whole text of a file; empty when it cannot be read (a process that just ended).
std::string readProcFile(const std::filesystem::path& path);

// The process and all its descendants, as they are now.
std::vector<int> processTree(int root);

}  // namespace delvaronte
