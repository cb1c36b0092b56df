// What the office decides of the web engine, applied as its settings change: the page
// inspector, spelling, and whether the home origin may notify from the start.
#pragma once

#include <webkit/webkit.h>

#include "base/GObjectPtr.h"
#include "shell/HomeRules.h"
#include "shell/OfficeSettings.h"

namespace delvaronte {

class EngineSettings {
public:
    EngineSettings(OfficeSettings& office, const HomeRules& rules);
    ~EngineSettings();
    EngineSettings(const EngineSettings&) = delete;
    EngineSettings& operator=(const EngineSettings&) = delete;

    // The web context the pages run in: the home origin may notify from the start, before any
    // click (each web process is told so as it starts; no other origin ever may), and the
    // office's setting for the page inspector applies to it, as it changes.
    void attach(WebKitWebContext* context);
    // Spelling from now on, as the office's settings say, as they change. Its dictionaries
    // take a tenth of a second to load: not before the first page is on the screen.
    void startSpelling();

private:
    static void initializeNotificationPermissionsCb(WebKitWebContext* context,
                                                    EngineSettings* self);
    void apply();

    const OfficeSettings& office_;
    const HomeRules& rules_;
    GRef<WebKitWebContext> context_;
    bool spelling_ = false;
};

}  // namespace delvaronte
