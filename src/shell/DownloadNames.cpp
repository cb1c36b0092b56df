#include "shell/DownloadNames.h"

#include <filesystem>

namespace delvaronte {

std::string safeFileName(std::string_view suggested) {
    const size_t slash = suggested.find_last_of("/\\");
    if (slash != std::string_view::npos) suggested.remove_prefix(slash + 1);
    std::string name;
    for (const char c : suggested) {
        if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7F) name += c;
    }
    const size_t start = name.find_first_not_of(". ");
    name = start == std::string::npos ? std::string() : name.substr(start);
    while (!name.empty() && name.back() == ' ') name.pop_back();
    return name.empty() ? "telechargement" : name;
}

std::string partialPath(const std::string& chosen) {
    const std::filesystem::path path(chosen);
    return (path.parent_path() / ("." + path.filename().string() + ".partiel")).string();
}

}  // namespace delvaronte
