// A folder of its own for each test, removed afterwards, and whole-file helpers.
#pragma once

#include <glib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace delvaronte::testing {

class TempDir {
public:
    TempDir() {
        gchar* made = g_dir_make_tmp("delvaronte-test-XXXXXX", nullptr);
        path_ = made;
        g_free(made);
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

inline std::string readFile(const std::filesystem::path& path) {
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

inline void writeFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

}  // namespace delvaronte::testing
