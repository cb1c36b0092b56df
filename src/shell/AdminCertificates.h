// The certificates the administrator set beside config.dat: one pinned for the home origin's
// server, and the desk's own for a server of the home origin that asks for one.
#pragma once

#include <webkit/webkit.h>

#include <string>
#include <vector>

#include "base/GObjectPtr.h"
#include "shell/HomeRules.h"

namespace delvaronte {

class AdminCertificates {
public:
    // Reads both files beside config.dat; a missing or unreadable one is no certificate.
    explicit AdminCertificates(const HomeRules& rules);

    // A certificate the system refused for the top of a page at failedUri, in that place:
    // true when it verifies against the pinned one and the rules let it be tried; it is then
    // allowed for the home's host, once.
    bool letThrough(GTlsCertificate* presented, const std::string& failedUri, PagePlace place);
    // Answers a server's request for a client certificate: the administrator's, or none.
    void answerClientCertificate(WebKitAuthenticationRequest* request, const Asker& asker) const;
    // Each certificate set, with its fingerprint, as support is told.
    std::vector<std::string> forSupport() const;

private:
    const HomeRules& rules_;
    GRef<GTlsCertificate> pinned_, client_;
    std::vector<GRef<GTlsCertificate>> allowed_;  // already let through once
};

}  // namespace delvaronte
