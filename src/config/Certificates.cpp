#include "config/Certificates.h"

#include <filesystem>

#include "config/AtomicFile.h"

namespace delvaronte {

namespace {

bool holdsKey(GTlsCertificate* certificate) {
    gchar* key = nullptr;
    g_object_get(certificate, "private-key-pem", &key, nullptr);
    const GText held(key);
    return held != nullptr;
}

std::string dateOf(GDateTime* date) {
    if (date == nullptr) return "?";
    const GText text(g_date_time_format(date, "%Y-%m-%d %H:%M:%S UTC"));
    g_date_time_unref(date);
    return text ? text.get() : "?";
}

}  // namespace

GRef<GTlsCertificate> certificateFromBytes(std::string_view bytes, bool withKey) {
    const std::string text(bytes);
    auto certificate = GRef<GTlsCertificate>::adopt(
        g_tls_certificate_new_from_pem(text.c_str(), static_cast<gssize>(text.size()), nullptr));
    if (!certificate && withKey) {
        certificate = GRef<GTlsCertificate>::adopt(g_tls_certificate_new_from_pkcs12(
            reinterpret_cast<const guint8*>(text.data()), text.size(), nullptr, nullptr));
    }
    if (certificate && withKey && !holdsKey(certificate.get())) return {};
    return certificate;
}

GRef<GTlsCertificate> loadCertificate(const std::string& folder, const char* name, bool withKey) {
    if (folder.empty()) return {};
    const FileRead read =
        readRegularFile(AT_FDCWD, (std::filesystem::path(folder) / name).string(), true);
    if (read.outcome != FileRead::Outcome::Read) return {};
    return certificateFromBytes(read.bytes, withKey);
}

std::string describeCertificate(GTlsCertificate* certificate) {
    GText subject(g_tls_certificate_get_subject_name(certificate));
    GText issuer(g_tls_certificate_get_issuer_name(certificate));
    GByteArray* der = nullptr;
    g_object_get(certificate, "certificate", &der, nullptr);
    GText fingerprint(der != nullptr
                          ? g_compute_checksum_for_data(G_CHECKSUM_SHA256, der->data, der->len)
                          : nullptr);
    if (der != nullptr) g_byte_array_unref(der);
    std::string text = "  Sujet : " + std::string(subject ? subject.get() : "?") + "\n";
    text += "  Emetteur : " + std::string(issuer ? issuer.get() : "?") + "\n";
    text += "  Valide du " + dateOf(g_tls_certificate_get_not_valid_before(certificate)) + " au " +
            dateOf(g_tls_certificate_get_not_valid_after(certificate)) + "\n";
    text += "  SHA-256 : " + std::string(fingerprint ? fingerprint.get() : "?") + "\n";
    return text;
}

bool trustedUnder(GTlsCertificate* presented, GTlsCertificate* pinned, const std::string& host) {
    if (presented == nullptr || pinned == nullptr || host.empty()) return false;
    const auto identity = GRef<GSocketConnectable>::adopt(g_network_address_new(host.c_str(), 443));
    return g_tls_certificate_verify(presented, identity.get(), pinned) == 0;
}

}  // namespace delvaronte
