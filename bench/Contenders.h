// The programs the benchmarks put side by side: ours, the bare engine (WebKitGTK's
// MiniBrowser) and Chromium's --app window, each started on an address with a fresh home,
// and the ratios of their figures against the targets.
#pragma once

#include <string>
#include <vector>

#include "Measure.h"
#include "sandbox/ThrowAwayHome.h"

namespace delvaronte::bench {

struct Contender {
    enum class Kind { Ours, MiniBrowser, Chromium };
    std::string name;
    Kind kind;
    std::string program;
    Environment environment = {};  // besides the throw-away home's

    // The command line for an address (ours finds it in the home's configuration).
    std::vector<std::string> command(const std::string& url, const ThrowAwayHome& home,
                                     bool sameSize = false) const;
    // The home's environment and this contender's variables.
    Environment environmentIn(const ThrowAwayHome& home) const;
    bool present() const;
};

// Ours, MiniBrowser and Chromium, at the paths given with --program, --minibrowser and
// --chromium or their usual places; then, for each --variant NAME=VALUE, ours again with that
// variable set. Those whose program is missing are left out, with a word.
std::vector<Contender> contenders(int argc, char** argv);

// One ratio of medians, judged against its target: at most `atMost` times the other's, or
// no target when it is 0.
void printRatio(const char* what, const Summary& ours, const Summary& other, const char* otherName,
                double atMost = 0);

}  // namespace delvaronte::bench
