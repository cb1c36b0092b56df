// The first-run set-up dialog, and the password gate in front of the configuration editor.
#pragma once

#include <string>

namespace delvaronte {

// Whatever shows the application's pages: the editor hands it a changed address, the new home.
class UrlLoader {
public:
    virtual ~UrlLoader() = default;
    virtual void homeChanged(const std::string& url) = 0;
};

class ConfigWindow {
public:
    ConfigWindow() = delete;

    // Asks for the address and an administrator password until they pass the entry rules,
    // then saves a new config.dat and returns true; returns false when the user quits.
    static bool showSetup();

    // Asks for the administrator password, then lets the address and the password be
    // changed; a changed address is handed to owner once the success notice is dismissed.
    static void showConfig(UrlLoader& owner);
};

}  // namespace delvaronte
