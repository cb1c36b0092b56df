#include "shell/rules/DownloadNames.h"

#include <fcntl.h>
#include <glib/gstdio.h>

#include <filesystem>

namespace delvaronte {

namespace {

// An extension longer than this is part of the name, not a type worth keeping.
constexpr size_t kMaxExtensionBytes = 16;
constexpr char kPartialSuffix[] = ".XXXXXX.partiel";

// At most `bytes` bytes of text, cut before a UTF-8 continuation byte, never inside a
// character.
std::string_view prefix(std::string_view text, size_t bytes) {
    if (text.size() <= bytes) return text;
    while (bytes > 0 && (static_cast<unsigned char>(text[bytes]) & 0xC0) == 0x80) --bytes;
    return text.substr(0, bytes);
}

// The name cut to `bytes`, its extension kept.
std::string shortened(const std::string& name, size_t bytes) {
    if (name.size() <= bytes) return name;
    const size_t dot = name.rfind('.');
    const bool keepsExtension =
        dot != std::string::npos && dot > 0 && name.size() - dot <= kMaxExtensionBytes;
    const std::string_view extension =
        keepsExtension ? std::string_view(name).substr(dot) : std::string_view();
    const std::string_view stem = std::string_view(name).substr(0, name.size() - extension.size());
    return std::string(prefix(stem, bytes - extension.size())) + std::string(extension);
}

}  // namespace

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
    return name.empty() ? "telechargement" : shortened(name, kMaxFileNameBytes);
}

std::string createPartialFile(const std::string& chosen) {
    const std::filesystem::path path(chosen);
    if (!path.is_absolute() || !path.has_filename()) return {};
    const size_t room = kMaxFileNameBytes - 1 - (sizeof kPartialSuffix - 1);
    std::string name = "." + shortened(path.filename().string(), room) + kPartialSuffix;
    std::string partial = (path.parent_path() / name).string();
    const int fd = g_mkstemp_full(partial.data(), O_RDWR, 0600);
    if (fd < 0) return {};
    g_close(fd, nullptr);
    return partial;
}

std::string freeName(const std::string& name,
                     const std::function<bool(const std::string&)>& taken) {
    const size_t dot = name.rfind('.');
    const size_t split = dot == std::string::npos || dot == 0 ? name.size() : dot;
    std::string candidate = name;
    for (int number = 2; taken(candidate); ++number) {
        candidate =
            name.substr(0, split) + " (" + std::to_string(number) + ")" + name.substr(split);
    }
    return candidate;
}

std::optional<std::string> refusedExtension(std::string_view name,
                                            const std::vector<std::string>& refused) {
    const auto lower = [](std::string_view text) {
        std::string out(text);
        for (char& c : out) c = g_ascii_tolower(c);
        return out;
    };
    const std::string file = lower(name);
    for (const std::string& each : refused) {
        std::string extension = lower(each);
        extension.erase(0, extension.find_first_not_of('.'));
        if (!extension.empty() && file.size() > extension.size() + 1 &&
            file.ends_with("." + extension)) {
            return extension;
        }
    }
    return std::nullopt;
}

std::string refusedDownloadText(std::string_view name, std::string_view extension) {
    return "Le fichier \"" + std::string(name) +
           "\" n'a pas ete enregistre : l'administrateur de ce poste refuse les fichiers ." +
           std::string(extension) + ".";
}

}  // namespace delvaronte
