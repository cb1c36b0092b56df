#include "config/Certificates.h"

#include <openssl/pem.h>
#include <openssl/x509.h>

#include <filesystem>

#include "base/PrintableText.h"
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

std::string pemProperty(GTlsCertificate* certificate, const char* property) {
    gchar* pem = nullptr;
    g_object_get(certificate, property, &pem, nullptr);
    const GText held(pem);
    return held ? held.get() : "";
}

// Whether the key is the one the certificate was issued for.
bool keyMatches(const std::string& certificatePem, const std::string& keyPem) {
    BIO* certificateText = BIO_new_mem_buf(certificatePem.data(), int(certificatePem.size()));
    BIO* keyText = BIO_new_mem_buf(keyPem.data(), int(keyPem.size()));
    X509* certificate = PEM_read_bio_X509(certificateText, nullptr, nullptr, nullptr);
    EVP_PKEY* key = PEM_read_bio_PrivateKey(keyText, nullptr, nullptr, nullptr);
    const bool matches =
        certificate != nullptr && key != nullptr && X509_check_private_key(certificate, key) == 1;
    EVP_PKEY_free(key);
    X509_free(certificate);
    BIO_free(keyText);
    BIO_free(certificateText);
    return matches;
}

constexpr int64_t kSoonSeconds = int64_t{30} * 86400;

// The moment as seconds since 1970 (0 when there is none), and its day into day.
int64_t dayOf(GDateTime* moment, std::string& day) {
    if (moment == nullptr) return 0;
    const GText text(g_date_time_format(moment, "%Y-%m-%d"));
    day = text ? text.get() : "?";
    const int64_t seconds = g_date_time_to_unix(moment);
    g_date_time_unref(moment);
    return seconds;
}

}  // namespace

CertificateEntry certificateEntryOf(std::string_view bytes, bool withKey, int64_t now) {
    CertificateEntry entry;
    const GRef<GTlsCertificate> certificate = certificateFromBytes(bytes, withKey);
    if (!certificate) return entry;
    const int64_t start =
        dayOf(g_tls_certificate_get_not_valid_before(certificate.get()), entry.validFrom);
    const int64_t end =
        dayOf(g_tls_certificate_get_not_valid_after(certificate.get()), entry.validUntil);
    if (start > now) {
        entry.verdict = CertificateEntry::Verdict::NotYetValid;
        return entry;
    }
    if (end < now) {
        entry.verdict = CertificateEntry::Verdict::Expired;
        return entry;
    }
    entry.expiresSoon = end - now < kSoonSeconds;
    // The certificate, then those that signed it when the file gave them.
    for (GTlsCertificate* each = certificate.get(); each != nullptr;
         each = g_tls_certificate_get_issuer(each)) {
        entry.pem += pemProperty(each, "certificate-pem");
    }
    if (withKey) {
        const std::string key = pemProperty(certificate.get(), "private-key-pem");
        if (!keyMatches(pemProperty(certificate.get(), "certificate-pem"), key)) {
            entry.pem.clear();
            entry.verdict = CertificateEntry::Verdict::KeyMismatch;
            return entry;
        }
        entry.pem += key;
    }
    entry.verdict = CertificateEntry::Verdict::Stored;
    return entry;
}

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
    // Names are the certificate maker's words: a line break in one must not start a line.
    std::string text = "  Sujet : " + printable(subject ? subject.get() : "?") + "\n";
    text += "  Emetteur : " + printable(issuer ? issuer.get() : "?") + "\n";
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
