// Throw-away folders, removed with what they hold, the process's own config.dat folder, and
// whole-file helpers.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "sandbox/ThrowAwayHome.h"

namespace delvaronte::testing {

using TempDir = ThrowAwayHome;

// A process's config.dat in a throw-away folder, set before main: GLib reads it once.
inline const TempDir kConfigHome;
[[maybe_unused]] inline const bool kConfigIsolated =
    setenv("XDG_CONFIG_HOME", kConfigHome.path().c_str(), 1) == 0;

inline std::string readFile(const std::filesystem::path& path) {
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

inline void writeFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

}  // namespace delvaronte::testing
