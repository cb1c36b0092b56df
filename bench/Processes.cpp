#include "Processes.h"

#include <glib.h>
#include <signal.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "Measure.h"

namespace delvaronte::bench {

namespace {

std::string readFile(const std::filesystem::path& path) {
    std::ostringstream text;
    text << std::ifstream(path).rdbuf();
    return text.str();
}

std::map<int, int> parentMap() {
    std::map<int, int> parents;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
        const std::string name = entry.path().filename();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        if (const auto stat = parseStat(readFile(entry.path() / "stat"))) {
            parents[std::stoi(name)] = stat->parent;
        }
    }
    return parents;
}

}  // namespace

bool runUntil(const std::function<bool()>& done, double seconds) {
    const gint64 deadline = g_get_monotonic_time() + static_cast<gint64>(seconds * 1e6);
    bool timedOut = false;
    const guint timer = g_timeout_add(
        static_cast<guint>(seconds * 1000),
        +[](gpointer flag) {
            *static_cast<bool*>(flag) = true;
            return G_SOURCE_REMOVE;
        },
        &timedOut);
    while (!done() && !timedOut && g_get_monotonic_time() < deadline) {
        g_main_context_iteration(nullptr, TRUE);
    }
    if (!timedOut) g_source_remove(timer);
    return done();
}

void runFor(double seconds) {
    runUntil([] { return false; }, seconds);
}

std::vector<int> processTree(int root) {
    return descendants(root, parentMap());
}

std::vector<std::pair<std::string, long>> treePssByProcess(int root) {
    std::vector<std::pair<std::string, long>> sizes;
    for (const int pid : processTree(root)) {
        const std::filesystem::path folder = "/proc/" + std::to_string(pid);
        std::string name = readFile(folder / "comm");
        if (!name.empty() && name.back() == '\n') name.pop_back();
        sizes.emplace_back(name, pssFromSmapsRollup(readFile(folder / "smaps_rollup")).value_or(0));
    }
    std::sort(sizes.begin(), sizes.end());
    return sizes;
}

long treePssKiB(int root) {
    long total = 0;
    for (const auto& [name, kib] : treePssByProcess(root)) total += kib;
    return total;
}

double treeCpuSeconds(int root) {
    long long ticks = 0;
    for (const int pid : processTree(root)) {
        const std::string path = "/proc/" + std::to_string(pid) + "/stat";
        if (const auto stat = parseStat(readFile(path))) ticks += stat->ticks;
    }
    return static_cast<double>(ticks) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

Launched::Launched(const std::vector<std::string>& argv,
                   const std::vector<std::pair<std::string, std::string>>& environment) {
    GSubprocessLauncher* launcher = g_subprocess_launcher_new(
        GSubprocessFlags(G_SUBPROCESS_FLAGS_STDOUT_SILENCE | G_SUBPROCESS_FLAGS_STDERR_SILENCE));
    for (const auto& [name, value] : environment) {
        if (value.empty())
            g_subprocess_launcher_unsetenv(launcher, name.c_str());
        else
            g_subprocess_launcher_setenv(launcher, name.c_str(), value.c_str(), TRUE);
    }
    std::vector<const char*> args;
    args.reserve(argv.size() + 1);
    for (const auto& a : argv) args.push_back(a.c_str());
    args.push_back(nullptr);
    startedAt_ = g_get_monotonic_time();
    process_ = g_subprocess_launcher_spawnv(launcher, args.data(), nullptr);
    g_object_unref(launcher);
    if (process_ == nullptr) return;
    pid_ = std::stoi(g_subprocess_get_identifier(process_));
    g_subprocess_wait_async(
        process_, nullptr,
        +[](GObject*, GAsyncResult*, gpointer flag) { *static_cast<bool*>(flag) = true; },
        &exited_);
}

Launched::~Launched() {
    stop();
    if (process_ != nullptr) g_object_unref(process_);
}

std::optional<int> Launched::waitForExit(double seconds) {
    if (process_ == nullptr || !runUntil([&] { return exited_; }, seconds)) return std::nullopt;
    return g_subprocess_get_if_exited(process_) ? g_subprocess_get_exit_status(process_) : -1;
}

void Launched::stop() {
    if (process_ == nullptr || exited_) return;
    const std::vector<int> tree = processTree(pid_);
    for (const int pid : tree) kill(pid, SIGTERM);
    if (!runUntil([&] { return exited_; }, 10)) {
        for (const int pid : processTree(pid_)) kill(pid, SIGKILL);
        runUntil([&] { return exited_; }, 10);
    }
    // What outlived its parent (a sandbox helper, a zygote) goes too.
    for (const int pid : tree) kill(pid, SIGKILL);
}

}  // namespace delvaronte::bench
