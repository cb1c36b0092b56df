#include "shell/AdminCertificates.h"

#include <algorithm>
#include <filesystem>

#include "config/AppConfig.h"
#include "config/Certificates.h"
#include "shell/WebViews.h"

namespace delvaronte {

namespace {

std::string fingerprint(GTlsCertificate* certificate) {
    GByteArray* der = nullptr;
    g_object_get(certificate, "certificate", &der, nullptr);
    if (der == nullptr) return "(illisible)";
    std::string text =
        GText(g_compute_checksum_for_data(G_CHECKSUM_SHA256, der->data, der->len)).get();
    g_byte_array_unref(der);
    return "SHA-256 " + text;
}

}  // namespace

AdminCertificates::AdminCertificates(const HomeRules& rules) : rules_(rules) {
    const std::string folder = std::filesystem::path(AppConfig::configFilePath()).parent_path();
    pinned_ = loadCertificate(folder, kTrustedCertificateFile, false);
    client_ = loadCertificate(folder, kClientCertificateFile, true);
}

bool AdminCertificates::letThrough(GTlsCertificate* presented, const std::string& failedUri,
                                   PagePlace place) {
    const bool seen = std::any_of(allowed_.begin(), allowed_.end(), [&](const auto& allowed) {
        return g_tls_certificate_is_same(allowed.get(), presented);
    });
    if (seen ||
        !rules_.allows(PageFeature::PinnedCertificate, rules_.trust().page(failedUri, place))) {
        return false;
    }
    const std::string& host = rules_.trust().home().host();
    if (!trustedUnder(presented, pinned_.get(), host)) return false;
    allowed_.push_back(GRef<GTlsCertificate>::retain(presented));
    webkit_network_session_allow_tls_certificate_for_host(sharedNetworkSession(), presented,
                                                          host.c_str());
    return true;
}

void AdminCertificates::answerClientCertificate(WebKitAuthenticationRequest* request,
                                                const Asker& asker) const {
    if (!client_ || !rules_.allows(PageFeature::ClientCertificate, asker)) {
        // Any other server goes on without one, as it would without us.
        webkit_authentication_request_authenticate(request, nullptr);
        return;
    }
    WebKitCredential* credential = webkit_credential_new_for_certificate(
        client_.get(), WEBKIT_CREDENTIAL_PERSISTENCE_FOR_SESSION);
    webkit_authentication_request_authenticate(request, credential);
    webkit_credential_free(credential);
}

std::vector<std::string> AdminCertificates::forSupport() const {
    std::vector<std::string> lines;
    if (pinned_) lines.push_back("de confiance : " + fingerprint(pinned_.get()));
    if (client_) lines.push_back("client : " + fingerprint(client_.get()));
    return lines;
}

}  // namespace delvaronte
