#include "shell/OfficeSettings.h"

namespace delvaronte {

OfficeSettings::OfficeSettings() : settings_(programSettings()) {
    if (settings_) connectSignal(settings_.get(), "changed", &OfficeSettings::changedCb, this);
}

OfficeSettings::~OfficeSettings() {
    if (settings_) g_signal_handlers_disconnect_by_data(settings_.get(), this);
}

void OfficeSettings::changedCb(GSettings*, const char*, OfficeSettings* self) {
    for (const auto& changed : self->listeners_) changed();
}

bool OfficeSettings::isOn(const char* key) const {
    return !settings_ || g_settings_get_boolean(settings_.get(), key);
}

std::vector<std::string> OfficeSettings::listOf(const char* key) const {
    std::vector<std::string> items;
    if (!settings_) return items;
    GStrv values = g_settings_get_strv(settings_.get(), key);
    for (GStrv each = values; *each != nullptr; ++each) items.emplace_back(*each);
    g_strfreev(values);
    return items;
}

std::optional<std::string> OfficeSettings::text(const char* key) const {
    if (!settings_) return std::nullopt;
    return std::string(GText(g_settings_get_string(settings_.get(), key)).get());
}

std::optional<double> OfficeSettings::number(const char* key) const {
    if (!settings_) return std::nullopt;
    return g_settings_get_double(settings_.get(), key);
}

std::vector<SettingState> OfficeSettings::states(SettingReader reader) const {
    return settingStates(settings_.get(), reader);
}

std::string OfficeSettings::downloadsFolder() const {
    const std::string chosen = text("downloads-folder").value_or("");
    if (g_path_is_absolute(chosen.c_str())) return chosen;
    const char* folder = g_get_user_special_dir(G_USER_DIRECTORY_DOWNLOAD);
    return folder != nullptr ? folder : g_get_home_dir();
}

std::vector<HomeOrigin> OfficeSettings::keptHosts() const {
    std::vector<HomeOrigin> kept;
    for (const std::string& host : listOf("kept-hosts")) kept.emplace_back("https://" + host + "/");
    return kept;
}

}  // namespace delvaronte
