#include "config/Settings.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>

namespace delvaronte {

namespace {

// The schema as the system knows it, or as compiled beside the program (schemas/ in the
// folder of the running program: a build folder).
GSettingsSchema* lookUpSchema() {
    GSettingsSchemaSource* system = g_settings_schema_source_get_default();
    if (system != nullptr) {
        if (GSettingsSchema* found =
                g_settings_schema_source_lookup(system, kSettingsSchema, TRUE)) {
            return found;
        }
    }
    std::error_code error;
    const auto program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) return nullptr;
    const std::string folder = (program.parent_path() / "schemas").string();
    GSettingsSchemaSource* beside =
        g_settings_schema_source_new_from_directory(folder.c_str(), system, FALSE, nullptr);
    if (beside == nullptr) return nullptr;
    GSettingsSchema* found = g_settings_schema_source_lookup(beside, kSettingsSchema, FALSE);
    g_settings_schema_source_unref(beside);
    return found;
}

}  // namespace

GRef<GSettings> programSettings() {
    GSettingsSchema* schema = lookUpSchema();
    if (schema == nullptr) return {};
    auto settings = GRef<GSettings>::adopt(g_settings_new_full(schema, nullptr, nullptr));
    g_settings_schema_unref(schema);
    return settings;
}

std::vector<SettingState> settingStates(GSettings* settings) {
    std::vector<SettingState> states;
    if (settings == nullptr) return states;
    GSettingsSchema* schema = nullptr;
    g_object_get(settings, "settings-schema", &schema, nullptr);
    gchar** keys = g_settings_schema_list_keys(schema);
    for (gchar** key = keys; *key != nullptr; ++key) {
        GVariant* value = g_settings_get_value(settings, *key);
        GVariant* user = g_settings_get_user_value(settings, *key);
        GVariant* standing = g_settings_get_default_value(settings, *key);
        GSettingsSchemaKey* described = g_settings_schema_get_key(schema, *key);
        GVariant* own = g_settings_schema_key_get_default_value(described);
        SettingSource source = SettingSource::Default;
        if (!g_settings_is_writable(settings, *key)) {
            source = SettingSource::Locked;
        } else if (user != nullptr) {
            source = SettingSource::User;
        } else if (standing != nullptr && !g_variant_equal(standing, own)) {
            source = SettingSource::AdministratorDefault;
        }
        states.push_back({*key, GText(g_variant_print(value, FALSE)).get(), source});
        for (GVariant* each : {value, user, standing, own}) {
            if (each != nullptr) g_variant_unref(each);
        }
        g_settings_schema_key_unref(described);
    }
    g_strfreev(keys);
    g_settings_schema_unref(schema);
    std::sort(states.begin(), states.end(),
              [](const SettingState& a, const SettingState& b) { return a.key < b.key; });
    return states;
}

std::string_view sourceLabel(SettingSource source) {
    switch (source) {
        case SettingSource::Default:
            return "par defaut";
        case SettingSource::AdministratorDefault:
            return "defaut de l'administrateur";
        case SettingSource::Locked:
            return "Defini par l'administrateur";
        case SettingSource::User:
            return "choisi par l'utilisateur";
    }
    return "";
}

}  // namespace delvaronte
