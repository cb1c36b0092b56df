#include "sandbox/Launched.h"

#include <signal.h>

#include "sandbox/ProcessTree.h"

namespace delvaronte {

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
    // What was seen, not asked again: what done() looks at may have moved on since.
    bool met = done();
    while (!met && !timedOut && g_get_monotonic_time() < deadline) {
        g_main_context_iteration(nullptr, TRUE);
        met = done();
    }
    if (!timedOut) g_source_remove(timer);
    return met;
}

void runFor(double seconds) {
    runUntil([] { return false; }, seconds);
}

std::string runToEnd(const std::vector<std::string>& argv, int* status) {
    std::vector<char*> words;
    for (const std::string& word : argv) words.push_back(const_cast<char*>(word.c_str()));
    words.push_back(nullptr);
    gchar* out = nullptr;
    int waited = -1;
    if (!g_spawn_sync(nullptr, words.data(), nullptr, G_SPAWN_SEARCH_PATH, nullptr, nullptr, &out,
                      nullptr, &waited, nullptr)) {
        waited = -1;
    }
    if (status != nullptr) *status = waited;
    std::string printed = out != nullptr ? out : "";
    g_free(out);
    return printed;
}

Launched::Launched(const std::vector<std::string>& argv,
                   const std::vector<std::pair<std::string, std::string>>& environment,
                   const std::string& stderrFile) {
    GSubprocessLauncher* launcher = g_subprocess_launcher_new(GSubprocessFlags(
        G_SUBPROCESS_FLAGS_STDOUT_SILENCE |
        (stderrFile.empty() ? G_SUBPROCESS_FLAGS_STDERR_SILENCE : G_SUBPROCESS_FLAGS_NONE)));
    if (!stderrFile.empty())
        g_subprocess_launcher_set_stderr_file_path(launcher, stderrFile.c_str());
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

}  // namespace delvaronte
