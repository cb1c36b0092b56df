// What every page of the program shares, handed out in parts, each with one job: the home's
// rules, the office's settings, the administrator's certificates, the session's proxies, what
// the engine is told, the zoom and print settings, downloads, notifications and what support is
// told. Made once the main window is on its way. A new office setting goes in the schema and is
// read through office(); a new permission is a row of the trust table, asked through rules();
// a new saved file goes beside KeptSettings.
#pragma once

#include <webkit/webkit.h>

#include <string>

#include "shell/AdminCertificates.h"
#include "shell/Downloads.h"
#include "shell/EngineSettings.h"
#include "shell/HomeRules.h"
#include "shell/KeptSettings.h"
#include "shell/Notifications.h"
#include "shell/OfficeSettings.h"
#include "shell/SessionProxies.h"
#include "shell/ShellSeams.h"
#include "shell/SupportNotes.h"
#include "shell/ZoomAndPrint.h"

namespace delvaronte {

class Site {
public:
    // Reads the office's settings, the certificates beside config.dat and the desktop's
    // proxies.
    Site(GApplication* application, const ShellSeams& seams, const std::string& homeUrl);
    Site(const Site&) = delete;
    Site& operator=(const Site&) = delete;

    const ShellSeams& seams() const { return seams_; }
    OfficeSettings& office() { return office_; }
    HomeRules& rules() { return rules_; }
    const HomeRules& rules() const { return rules_; }
    AdminCertificates& certificates() { return certificates_; }
    const SessionProxies& proxies() const { return proxies_; }
    EngineSettings& engine() { return engine_; }
    KeptSettings& kept() { return kept_; }
    ZoomAndPrint& zoomAndPrint() { return zoomAndPrint_; }
    Downloads& downloads() { return downloads_; }
    Notifications& notifications() { return notifications_; }
    SupportNotes& support() { return support_; }
    SupportFacts supportFacts() const { return support_.facts(office_, proxies_, certificates_); }
    // The update check's settings: the office's manifest where it names one; its download
    // address opens as the pages' hand-offs do, through the desktop's proxies.
    UpdateCheckSettings updateSettings() const;

private:
    const ShellSeams& seams_;
    OfficeSettings office_;
    HomeRules rules_;
    AdminCertificates certificates_;
    SessionProxies proxies_;
    EngineSettings engine_;
    KeptSettings kept_;
    ZoomAndPrint zoomAndPrint_;
    Downloads downloads_;
    Notifications notifications_;
    SupportNotes support_;
};

}  // namespace delvaronte
