#include "Contenders.h"

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>

namespace delvaronte::bench {

std::vector<std::string> Contender::command(const std::string& url, const ThrowAwayHome& home,
                                            bool sameSize) const {
    switch (kind) {
        case Kind::Ours:
            home.provision(url, "bench");
            return {program};
        case Kind::MiniBrowser:
            // Full screen is its only way to a window as large as ours.
            if (sameSize) return {program, "--full-screen", url};
            return {program, url};
        case Kind::Chromium:
            break;
    }
    std::vector<std::string> argv{
        program, "--user-data-dir=" + (home.path() / "chromium").string(),
        // Nothing that reaches the network or asks anything at first start.
        "--no-first-run", "--no-default-browser-check", "--disable-background-networking",
        "--disable-component-update", "--disable-sync", "--disable-default-apps",
        "--disable-extensions", "--disable-domain-reliability",
        "--disable-client-side-phishing-detection",
        "--disable-features=Translate,MediaRouter,OptimizationHints,AutofillServerCommunication",
        "--no-pings", "--metrics-recording-only", "--password-store=basic", "--app=" + url};
    if (sameSize) argv.insert(argv.begin() + 1, "--start-maximized");
    // Chromium refuses to run as root with its sandbox.
    if (geteuid() == 0) argv.insert(argv.begin() + 1, "--no-sandbox");
    return argv;
}

Environment Contender::environmentIn(const ThrowAwayHome& home) const {
    Environment all = home.environment();
    all.insert(all.end(), environment.begin(), environment.end());
    return all;
}

bool Contender::present() const {
    return std::filesystem::exists(program);
}

std::vector<Contender> contenders(int argc, char** argv) {
    using Kind = Contender::Kind;
    std::vector<Contender> all{
        {"delvaronte", Kind::Ours, option(argc, argv, "--program", DELVARONTE_BENCH_PROGRAM)},
        {"MiniBrowser", Kind::MiniBrowser,
         option(argc, argv, "--minibrowser",
                "/usr/lib/x86_64-linux-gnu/webkitgtk-6.0/MiniBrowser")},
        {"Chromium", Kind::Chromium, option(argc, argv, "--chromium", "/usr/bin/chromium")},
    };
    // GSK_RENDERER=gl is the program as it drew before it chose its renderer.
    for (int i = 1; i + 1 < argc; ++i) {
        const std::string setting = argv[i + 1];
        const size_t equals = setting.find('=');
        if (std::strcmp(argv[i], "--variant") != 0 || equals == std::string::npos) continue;
        all.push_back(all[0]);
        all.back().name = setting;
        all.back().environment = {{setting.substr(0, equals), setting.substr(equals + 1)}};
    }
    std::erase_if(all, [](const Contender& c) {
        if (c.present()) return false;
        std::printf("%s: %s is missing, left out\n", c.name.c_str(), c.program.c_str());
        return true;
    });
    return all;
}

void printRatio(const char* what, const Summary& ours, const Summary& other, const char* otherName,
                double atMost) {
    if (ours.count == 0 || other.count == 0 || other.median <= 0) return;
    const double ratio = ours.median / other.median;
    char target[64] = "no target";
    if (atMost > 0) std::snprintf(target, sizeof target, "target: at most %.2f x", atMost);
    std::printf("  %-22s %.2f x %-12s (%s)%s\n", what, ratio, otherName, target,
                atMost > 0 ? (ratio <= atMost ? " ok" : " MISSED") : "");
}

}  // namespace delvaronte::bench
