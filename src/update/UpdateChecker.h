// The update check: fetches the version manifest, compares its version with ours and
// tells the user through alerts.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "update/Manifest.h"

namespace delvaronte {

// How one check is run. The program uses the defaults; tests point it at a local server,
// shorten the timeout and learn when the check is over.
struct UpdateCheckSettings {
    std::string manifestUrl;  // empty: the address fixed at build time
    unsigned timeoutSeconds = 10;
    std::function<void(UpdateOutcome)> onFinished;  // after the alert, if any, was answered
};

class UpdateChecker {
public:
    UpdateChecker() = delete;

    // Starts a check and returns at once. silent: only a newer version is reported (the
    // check at start-up); otherwise every outcome but an unusable manifest is (the menu).
    static void checkForUpdates(bool silent);
    static void checkForUpdates(bool silent, UpdateCheckSettings settings);

    // Whether candidate is a later version than current: dot-separated signed 64-bit
    // numbers, compared position by position; pieces that are not such numbers are dropped
    // and missing positions count as 0.
    static bool isNewerVersion(std::string_view candidate, std::string_view current);

private:
    static void showUpdateAvailable(const Manifest& manifest);
    static void showUpToDate();
    static void showCheckFailed();
};

}  // namespace delvaronte
