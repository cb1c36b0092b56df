// The update check: fetches the version manifest, compares its version with ours and
// tells the user through alerts.
#pragma once

#include <gio/gio.h>

#include <functional>
#include <map>
#include <string>
#include <string_view>

#include "base/DesktopProxy.h"
#include "base/GObjectPtr.h"
#include "ui/SystemOpener.h"
#include "update/rules/Manifest.h"
#include "update/rules/VersionCompare.h"

namespace delvaronte {

// How one check is run. The program uses the defaults; tests point it at a local server,
// shorten the timeout and learn when the check is over.
struct UpdateCheckSettings {
    std::string manifestUrl;  // empty: the address fixed at build time
    unsigned timeoutSeconds = 10;
    std::function<void(UpdateOutcome)> onFinished;  // after the alert, if any, was answered
    // The certificate authorities the check trusts; the system's when empty.
    GRef<GTlsDatabase> authorities;
    // The proxies it goes through; the system's when empty; and what each proxy gets when it
    // asks for a user and password.
    GRef<GProxyResolver> proxy;
    std::map<std::string, ProxyChoice::Credentials> proxyCredentials;
    // "Telecharger" hands the download address to it.
    std::function<void(const std::string&)> open = launchDefaultHandler;
};

class UpdateChecker {
public:
    UpdateChecker() = delete;

    // Starts a check and returns at once. silent: only a newer version is reported (the
    // check at start-up); otherwise every outcome but an unusable manifest is (the menu).
    static void checkForUpdates(bool silent);
    static void checkForUpdates(bool silent, UpdateCheckSettings settings);

    // Whether candidate is a later version than current (see update/rules/VersionCompare.h).
    static bool isNewerVersion(std::string_view candidate, std::string_view current) {
        return delvaronte::isNewerVersion(candidate, current);
    }

private:
    static void showUpdateAvailable(const Manifest& manifest,
                                    const std::function<void(const std::string&)>& open);
    static void showUpToDate();
    static void showCheckFailed();
};

}  // namespace delvaronte
