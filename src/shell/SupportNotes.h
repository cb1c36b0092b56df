// What support is told: the desk's setup (toolkits, display, drawing, proxies, the office's
// settings, the certificates) and the pages' last troubles, noted as they come.
#pragma once

#include <webkit/webkit.h>

#include <string>
#include <vector>

#include "shell/AdminCertificates.h"
#include "shell/OfficeSettings.h"
#include "shell/SessionProxies.h"
#include "shell/rules/SupportReport.h"

namespace delvaronte {

class SupportNotes {
public:
    // A page that failed to load at uri (its host is kept, with the error's kind).
    void loadFailed(const std::string& uri, const GError* error);
    // A page whose process ended, and why.
    void processEnded(WebKitWebProcessTerminationReason reason);
    // All of it, with the desk's setup as it stands.
    SupportFacts facts(const OfficeSettings& office, const SessionProxies& proxies,
                       const AdminCertificates& certificates) const;

private:
    std::vector<std::string> failedLoads_;
    std::string lastProcessEnd_;
};

}  // namespace delvaronte
