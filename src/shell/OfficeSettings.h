// The office's settings for the program (its schema, locked for every desk or chosen by the
// user), read as they stand and followed as they change.
#pragma once

#include <gio/gio.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/GObjectPtr.h"
#include "base/HomeOrigin.h"
#include "config/Settings.h"

namespace delvaronte {

class OfficeSettings {
public:
    OfficeSettings();
    ~OfficeSettings();
    OfficeSettings(const OfficeSettings&) = delete;
    OfficeSettings& operator=(const OfficeSettings&) = delete;

    // A setting that is on or off: on where the settings are not installed.
    bool isOn(const char* key) const;
    // A list setting: empty where the settings are not installed.
    std::vector<std::string> listOf(const char* key) const;
    // A text or a number setting: nothing where the settings are not installed.
    std::optional<std::string> text(const char* key) const;
    std::optional<double> number(const char* key) const;
    // Called after each change, whichever setting it was.
    void onChange(std::function<void()> changed) { listeners_.push_back(std::move(changed)); }
    // Each setting with its value as that reader is shown it, and where it comes from.
    std::vector<SettingState> states(SettingReader reader) const;

    // Where downloads go: the office's folder, or the user's Downloads folder.
    std::string downloadsFolder() const;
    // The hosts whose links stay in the window as the home host's do (and nothing more).
    std::vector<HomeOrigin> keptHosts() const;

private:
    static void changedCb(GSettings*, const char* key, OfficeSettings* self);

    GRef<GSettings> settings_;
    std::vector<std::function<void()>> listeners_;
};

}  // namespace delvaronte
