#include "ThrowAwayHome.h"

#include "config/AppConfig.h"

namespace delvaronte {

Environment homeEnvironment(const std::filesystem::path& root) {
    return {{"HOME", root},
            {"XDG_CONFIG_HOME", root / "config"},
            {"XDG_DATA_HOME", root / "data"},
            {"XDG_CACHE_HOME", root / "cache"}};
}

bool provisionHome(const std::filesystem::path& root, const std::string& homeUrl,
                   const std::string& password) {
    AppConfig record;
    record.encryptedUrl = AppConfig::encrypt(homeUrl);
    record.passwordHash = AppConfig::hashPassword(password);
    return record.saveTo((root / "config" / "Delvaronte" / "config.dat").string());
}

}  // namespace delvaronte
