#include "Processes.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "Measure.h"
#include "sandbox/ProcessTree.h"

namespace delvaronte::bench {

std::vector<std::pair<std::string, long>> treePssByProcess(int root) {
    std::vector<std::pair<std::string, long>> sizes;
    for (const int pid : processTree(root)) {
        const std::filesystem::path folder = "/proc/" + std::to_string(pid);
        std::string name = readProcFile(folder / "comm");
        if (!name.empty() && name.back() == '\n') name.pop_back();
        sizes.emplace_back(name,
                           pssFromSmapsRollup(readProcFile(folder / "smaps_rollup")).value_or(0));
    }
    std::sort(sizes.begin(), sizes.end());
    return sizes;
}

void printPssByProcess(int root, const char* indent) {
    for (const auto& [name, kib] : treePssByProcess(root)) {
        if (kib >= 1024) std::printf("%s%-22s %7.1f MiB\n", indent, name.c_str(), kib / 1024.0);
    }
}

long treePssKiB(int root) {
    long total = 0;
    for (const auto& [name, kib] : treePssByProcess(root)) total += kib;
    return total;
}

long treeWebPssKiB(int root) {
    long total = 0;
    for (const int pid : processTree(root)) {
        const std::filesystem::path folder = "/proc/" + std::to_string(pid);
        const std::string name = readProcFile(folder / "comm");
        // "WebKitWebProcess" as /proc cuts it.
        if (name.starts_with("WebKitWebProc") ||
            readProcFile(folder / "cmdline").find("--type=renderer") != std::string::npos) {
            total += pssFromSmapsRollup(readProcFile(folder / "smaps_rollup")).value_or(0);
        }
    }
    return total;
}

double treeCpuSeconds(int root) {
    long long ticks = 0;
    for (const int pid : processTree(root)) {
        const std::string path = "/proc/" + std::to_string(pid) + "/stat";
        if (const auto stat = parseStat(readProcFile(path))) ticks += stat->ticks;
    }
    return static_cast<double>(ticks) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

}  // namespace delvaronte::bench
