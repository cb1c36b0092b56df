#include "config/Settings.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "base/UriParts.h"

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

// An address setting's text for the reader.
std::string addressFor(const char* address, SettingReader reader) {
    if (*address == '\0') return "";
    if (reader == SettingReader::Support) {
        const std::string origin = uriOrigin(address);
        return origin.empty() ? "(adresse sans hote)" : origin;
    }
    GUri* uri =
        g_uri_parse(address, GUriFlags(G_URI_FLAGS_ENCODED | G_URI_FLAGS_PARSE_RELAXED), nullptr);
    if (uri == nullptr) return "(adresse illisible)";
    const GText shown(g_uri_join(G_URI_FLAGS_ENCODED, g_uri_get_scheme(uri), nullptr,
                                 g_uri_get_host(uri), g_uri_get_port(uri), g_uri_get_path(uri),
                                 nullptr, nullptr));
    g_uri_unref(uri);
    return shown.get();
}

// The value as the reader sees it, as GVariant text: addresses ("-url", "-addresses") and
// folders ("-folder") as said of SettingReader, anything else as it is.
std::string valueFor(const char* key, GVariant* value, SettingReader reader) {
    const std::string_view name(key);
    const bool address = name.ends_with("-url") || name.ends_with("-addresses");
    const bool folder = name.ends_with("-folder") && reader == SettingReader::Support;
    GVariant* shown = nullptr;
    if (folder && g_variant_is_of_type(value, G_VARIANT_TYPE_STRING)) {
        const bool set = *g_variant_get_string(value, nullptr) != '\0';
        shown = g_variant_new_string(set ? "defini" : "non defini");
    } else if (address && g_variant_is_of_type(value, G_VARIANT_TYPE_STRING)) {
        shown =
            g_variant_new_string(addressFor(g_variant_get_string(value, nullptr), reader).c_str());
    } else if (address && g_variant_is_of_type(value, G_VARIANT_TYPE_STRING_ARRAY)) {
        GVariantBuilder each;
        g_variant_builder_init(&each, G_VARIANT_TYPE_STRING_ARRAY);
        GVariantIter iter;
        const char* item = nullptr;
        g_variant_iter_init(&iter, value);
        while (g_variant_iter_next(&iter, "&s", &item)) {
            g_variant_builder_add(&each, "s", addressFor(item, reader).c_str());
        }
        shown = g_variant_builder_end(&each);
    }
    const GText text(g_variant_print(shown != nullptr ? shown : value, FALSE));
    if (shown != nullptr) g_variant_unref(g_variant_ref_sink(shown));
    return text.get();
}

}  // namespace

GRef<GSettings> programSettings() {
    GSettingsSchema* schema = lookUpSchema();
    if (schema == nullptr) return {};
    auto settings = GRef<GSettings>::adopt(g_settings_new_full(schema, nullptr, nullptr));
    g_settings_schema_unref(schema);
    return settings;
}

std::vector<SettingState> settingStates(GSettings* settings, SettingReader reader) {
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
        states.push_back({*key, valueFor(*key, value, reader), source});
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
