// A home of its own for one run of the program: configuration, web data and cache all below
// one folder, so that nothing of the user's own is read or touched. The demo runs the program
// in one; so do the tests and the benchmarks.
#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace delvaronte {

using Environment = std::vector<std::pair<std::string, std::string>>;

// HOME and the XDG folders the program keeps its files in, pointing below root.
Environment homeEnvironment(const std::filesystem::path& root);

// Writes the config.dat below root that the first-run dialog would write for this address
// and administrator password; false when it could not be written.
bool provisionHome(const std::filesystem::path& root, const std::string& homeUrl,
                   const std::string& password);

}  // namespace delvaronte
