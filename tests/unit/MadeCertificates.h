// Certificates made for a test, as an administrator's file would hold them: any subject, any
// validity, with their key or another one.
#pragma once

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>

#include <memory>
#include <string>

namespace delvaronte::testing {

struct MadeCertificate {
    std::string certificate;  // PEM
    std::string key;          // PEM, the certificate's own
};

// Self-signed, valid from `from` to `until` seconds from now, its common name `name` (bytes as
// given, line breaks included).
inline MadeCertificate makeCertificate(const std::string& name, long from = -3600,
                                       long until = 365L * 86400) {
    const auto pem = [](auto write) {
        BIO* out = BIO_new(BIO_s_mem());
        write(out);
        char* data = nullptr;
        const long size = BIO_get_mem_data(out, &data);
        std::string text(data, size_t(size));
        BIO_free(out);
        return text;
    };
    EVP_PKEY* key = EVP_EC_gen("P-256");
    X509* made = X509_new();
    X509_set_version(made, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(made), 1);
    X509_gmtime_adj(X509_getm_notBefore(made), from);
    X509_gmtime_adj(X509_getm_notAfter(made), until);
    X509_NAME* subject = X509_get_subject_name(made);
    X509_NAME_add_entry_by_txt(subject, "CN", MBSTRING_UTF8,
                               reinterpret_cast<const unsigned char*>(name.c_str()),
                               int(name.size()), -1, 0);
    X509_set_issuer_name(made, subject);
    X509_set_pubkey(made, key);
    X509_sign(made, key, EVP_sha256());
    MadeCertificate result{
        pem([&](BIO* out) { PEM_write_bio_X509(out, made); }), pem([&](BIO* out) {
            PEM_write_bio_PrivateKey(out, key, nullptr, nullptr, 0, nullptr, nullptr);
        })};
    X509_free(made);
    EVP_PKEY_free(key);
    return result;
}

}  // namespace delvaronte::testing
