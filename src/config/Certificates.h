// The certificates an administrator sets beside config.dat (never inside it): the intranet
// server's own certificate, or the company authority that signed it, which the program trusts
// for the home origin alone; and a client certificate with its key, which it answers the home
// origin with when that server asks for one.
#pragma once

#include <gio/gio.h>

#include <string>
#include <string_view>

#include "base/GObjectPtr.h"

namespace delvaronte {

inline constexpr char kTrustedCertificateFile[] = "certificat-serveur.pem";
inline constexpr char kClientCertificateFile[] = "certificat-client";

// A certificate from PEM text; with withKey, one that holds its private key too, from PEM or
// from PKCS#12 without a password. Empty when the bytes hold no such certificate.
GRef<GTlsCertificate> certificateFromBytes(std::string_view bytes, bool withKey);

// The certificate of that name in folder (config.dat's), read as config.dat is; empty when
// there is none or it is not one.
GRef<GTlsCertificate> loadCertificate(const std::string& folder, const char* name, bool withKey);

// What an administrator's certificate file gives to store: the certificates alone (with the
// key, for a client certificate), re-encoded, nothing else the file held; or why not.
struct CertificateEntry {
    enum class Verdict { Stored, NotACertificate, NotYetValid, Expired, KeyMismatch };
    Verdict verdict = Verdict::NotACertificate;
    std::string pem;           // when Stored
    std::string validFrom;     // the start of its validity, "2026-01-31"
    std::string validUntil;    // the end of its validity, "2027-01-31"
    bool expiresSoon = false;  // within 30 days of now
};

// now: seconds since 1970.
CertificateEntry certificateEntryOf(std::string_view bytes, bool withKey, int64_t now);

// Subject, issuer, validity and SHA-256 fingerprint, one per line, each line indented.
std::string describeCertificate(GTlsCertificate* certificate);

// Whether what a server presented for host may be trusted under the pinned certificate: the
// pinned certificate itself or an authority that signed it, the name matching host, within
// its validity.
bool trustedUnder(GTlsCertificate* presented, GTlsCertificate* pinned, const std::string& host);

}  // namespace delvaronte
