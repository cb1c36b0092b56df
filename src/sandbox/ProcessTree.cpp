#include "sandbox/ProcessTree.h"

#include <fstream>
#include <sstream>

namespace delvaronte {

namespace {

std::map<int, int> parentMap() {
    std::map<int, int> parents;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
        const std::string name = entry.path().filename();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        if (const auto stat = parseStat(readProcFile(entry.path() / "stat"))) {
            parents[std::stoi(name)] = stat->parent;
        }
    }
    return parents;
}

}  // namespace

std::vector<int> descendants(int root, const std::map<int, int>& parentOf) {
    std::vector<int> tree{root};
    // Breadth first over the tree, so that each process is listed once.
    for (std::size_t next = 0; next < tree.size(); ++next) {
        for (const auto& [pid, parent] : parentOf) {
            if (parent == tree[next] && pid != root) tree.push_back(pid);
        }
    }
    return tree;
}

std::optional<StatFields> parseStat(const std::string& line) {
    // After the name: state, ppid, then utime and stime as the 12th and 13th fields.
    const std::size_t close = line.rfind(')');
    if (close == std::string::npos) return std::nullopt;
    std::istringstream rest(line.substr(close + 1));
    std::vector<std::string> fields;
    std::string field;
    while (rest >> field) fields.push_back(field);
    if (fields.size() < 13) return std::nullopt;
    try {
        return StatFields{std::stoi(fields[1]), std::stoll(fields[11]) + std::stoll(fields[12])};
    } catch (...) {
        return std::nullopt;
    }
}

std::string readProcFile(const std::filesystem::path& path) {
    std::ostringstream text;
    text << std::ifstream(path).rdbuf();
    return text.str();
}

std::vector<int> processTree(int root) {
    return descendants(root, parentMap());
}

}  // namespace delvaronte
