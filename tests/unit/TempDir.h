// Throw-away folders, removed with what they hold, and whole-file helpers.
#pragma once

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "ThrowAwayHome.h"

namespace delvaronte::testing {

using TempDir = ThrowAwayHome;

inline std::string readFile(const std::filesystem::path& path) {
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

inline void writeFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

}  // namespace delvaronte::testing
