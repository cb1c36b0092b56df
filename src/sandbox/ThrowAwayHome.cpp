#include "sandbox/ThrowAwayHome.h"

#include <glib.h>

#include "base/Identity.h"
#include "config/AppConfig.h"

namespace delvaronte {

ThrowAwayHome::ThrowAwayHome() {
    if (gchar* made = g_dir_make_tmp("delvaronte-XXXXXX", nullptr)) {
        path_ = made;
        g_free(made);
    }
}

ThrowAwayHome::~ThrowAwayHome() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
}

Environment ThrowAwayHome::environment() const {
    return {{"HOME", path_},
            {"XDG_CONFIG_HOME", path_ / "config"},
            {"XDG_DATA_HOME", path_ / "data"},
            {"XDG_CACHE_HOME", path_ / "cache"}};
}

bool ThrowAwayHome::provision(const std::string& homeUrl, const std::string& password) const {
    return AppConfig()
        .withEntries(homeUrl, password)
        .saveTo((path_ / "config" / kDataFolderName / "config.dat").string());
}

}  // namespace delvaronte
