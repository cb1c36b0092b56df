// The settings an office may set for every desk and lock (GSettings, from dconf: the user's
// database over the administrator's system databases), and where each value comes from.
#pragma once

#include <gio/gio.h>

#include <string>
#include <string_view>
#include <vector>

#include "base/GObjectPtr.h"

namespace delvaronte {

inline constexpr char kSettingsSchema[] = "ma.delvaronte.Delvaronte";

enum class SettingSource {
    Default,               // the program's own
    AdministratorDefault,  // a system database's, which the user may change
    Locked,                // a system database's, locked: the user cannot change it
    User,
};

struct SettingState {
    std::string key;
    std::string value;  // as GVariant text: true, 1.25, ['fr_FR']
    SettingSource source;
};

// The program's settings; nothing when their schema is installed nowhere (neither on the
// system nor beside the program, as in a build folder): callers then keep the defaults.
GRef<GSettings> programSettings();

// Who reads the values. The administrator sees each address without its user, password, query
// or fragment (where tokens hide); support sees an address as its origin alone and a folder
// as set or not (its path may name a client).
enum class SettingReader { Administrator, Support };

// Every key of settings, by name, with its value as that reader sees it and where it comes from.
std::vector<SettingState> settingStates(GSettings* settings, SettingReader reader);

// "par defaut", "defaut de l'administrateur", "Defini par l'administrateur", "choisi par
// l'utilisateur".
std::string_view sourceLabel(SettingSource source);

}  // namespace delvaronte
