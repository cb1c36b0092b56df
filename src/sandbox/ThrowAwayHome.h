// A home of its own for one run of the program: configuration, web data and cache all below
// one new folder, removed afterwards, so that nothing of the user's own is read or touched.
// The demo runs the program in one; so do the tests and the benchmarks.
#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace delvaronte {

using Environment = std::vector<std::pair<std::string, std::string>>;

class ThrowAwayHome {
public:
    // A new folder in the system's temporary folder; path() is empty when none could be made.
    ThrowAwayHome();
    // Removes the folder and all it holds.
    ~ThrowAwayHome();
    ThrowAwayHome(const ThrowAwayHome&) = delete;
    ThrowAwayHome& operator=(const ThrowAwayHome&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }
    // HOME and the XDG folders the program keeps its files in, pointing below path().
    Environment environment() const;
    // Writes the config.dat the first-run dialog would write for this address and
    // administrator password; false when it could not be written.
    bool provision(const std::string& homeUrl, const std::string& password) const;

private:
    std::filesystem::path path_;
};

}  // namespace delvaronte
