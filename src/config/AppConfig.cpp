#include "config/AppConfig.h"

#include <glib.h>

#include <filesystem>

#include "base/Identity.h"
#include "config/ConfigJson.h"

namespace delvaronte {

namespace {

constexpr char kFileName[] = "config.dat";
// The folder holds the encrypted address and the password hash: its owner's only.
constexpr int kFolderMode = 0700;

void createFolder(const std::filesystem::path& folder) {
    g_mkdir_with_parents(folder.c_str(), kFolderMode);  // an existing folder is fine
}

}  // namespace

std::string AppConfig::configFilePath() {
    const char* base = g_get_user_config_dir();
    if (base == nullptr || *base == '\0') return {};
    const std::filesystem::path folder = std::filesystem::path(base) / kDataFolderName;
    createFolder(folder);
    return (folder / kFileName).string();
}

std::string AppConfig::homeUrl() const {
    return encryptedUrl.empty() ? std::string() : decrypt(encryptedUrl);
}

AppConfig AppConfig::withEntries(std::string_view url, std::string_view password) const {
    AppConfig record = *this;
    if (!url.empty()) record.encryptedUrl = encrypt(url);
    if (!password.empty()) record.passwordHash = hashPassword(password);
    return record;
}

AppConfig AppConfig::load() {
    return loadFrom(configFilePath());
}

AppConfig AppConfig::loadFrom(const std::string& path) {
    // Missing, unreadable, not a plain file, too large: all read as no configuration.
    if (path.empty()) return {};
    const FileRead read = readRegularFile(AT_FDCWD, path, true);
    return read.outcome == FileRead::Outcome::Read ? fromJson(read.bytes) : AppConfig();
}

AppConfig AppConfig::fromJson(std::string_view bytes) {
    AppConfig record;
    if (auto fields = parseConfigJson(bytes)) {
        record.encryptedUrl = std::move(fields->encryptedUrl);
        record.passwordHash = std::move(fields->passwordHash);
    }
    return record;
}

std::optional<std::string> AppConfig::toJson() const {
    return writeConfigJson({encryptedUrl, passwordHash});
}

void AppConfig::save() const {
    const std::string path = configFilePath();
    if (!path.empty()) saveTo(path);
}

bool AppConfig::saveTo(const std::string& path, const FileSystemCalls& calls) const {
    const auto json = toJson();
    if (!json || path.empty()) return false;
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    if (!folder.empty()) createFolder(folder);
    return replaceFileAtomically(path, *json, calls);
}

}  // namespace delvaronte
