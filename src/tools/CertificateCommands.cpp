#include "tools/CertificateCommands.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <ostream>
#include <sstream>

#include "base/PrintableText.h"
#include "config/AtomicFile.h"
#include "config/Certificates.h"
#include "tools/DeskFolder.h"

namespace delvaronte {

const char* certificateFile(bool client) {
    return client ? kClientCertificateFile : kTrustedCertificateFile;
}

std::optional<std::string> certificateEntry(const std::string& file, bool client, ConfigToolIo& io,
                                            int& status) {
    // Root reads as it writes: through no link a desk user could have planted.
    std::string refusedLink;
    const FileRead read = readDeskFile(std::filesystem::absolute(file), geteuid() == 0,
                                       kConfigFileLimit, refusedLink);
    const std::string shown = printable(file);
    status = kBadUsage;
    switch (read.outcome) {
        case FileRead::Outcome::Read:
            break;
        case FileRead::Outcome::Link:
            status = linkRefused(io, refusedLink);
            return std::nullopt;
        case FileRead::Outcome::TooLarge:
            io.err << "Erreur : " << shown << " est trop grand (64 Kio au plus).\n";
            return std::nullopt;
        default:
            io.err << "Erreur : impossible de lire " << shown << " (un fichier ordinaire).\n";
            return std::nullopt;
    }
    const CertificateEntry entry =
        certificateEntryOf(read.bytes, client, g_get_real_time() / 1000000);
    switch (entry.verdict) {
        case CertificateEntry::Verdict::Stored:
            if (entry.expiresSoon) {
                io.err << "Attention : " << shown << " expire le " << entry.validUntil
                       << " ; il est enregistre.\n";
            }
            status = kDone;
            return entry.pem;
        case CertificateEntry::Verdict::NotYetValid:
            io.err << "Erreur : " << shown << " n'est valide qu'a partir du " << entry.validFrom
                   << ". Rien n'a ete enregistre.\n";
            return std::nullopt;
        case CertificateEntry::Verdict::Expired:
            io.err << "Erreur : " << shown << " a expire : il etait valide jusqu'au "
                   << entry.validUntil << ". Rien n'a ete enregistre.\n";
            return std::nullopt;
        case CertificateEntry::Verdict::KeyMismatch:
            io.err << "Erreur : la cle de " << shown
                   << " ne correspond pas a son certificat. Rien n'a ete enregistre.\n";
            return std::nullopt;
        case CertificateEntry::Verdict::NotACertificate:
            break;
    }
    io.err << "Erreur : " << shown
           << (client ? " n'est pas un certificat avec sa cle (PEM, ou PKCS#12 sans mot de "
                        "passe).\n"
                      : " n'est pas un certificat PEM.\n");
    return std::nullopt;
}

int forgetCertificate(Place& place, bool client, ConfigToolIo& io) {
    const char* name = certificateFile(client);
    // unlinkat takes a link itself away, never what it points at.
    if (place.folder.complete() && ::unlinkat(place.folder.existing.get(), name, 0) != 0 &&
        errno != ENOENT) {
        io.err << "Erreur : impossible de retirer " << printable(place.pathOf(name)) << "\n";
        return kRefused;
    }
    return kDone;
}

int showCertificates(const Place& place, ConfigToolIo& io) {
    int status = kDone;
    for (const bool client : {false, true}) {
        io.out << (client ? "Certificat client : " : "Certificat de confiance : ");
        const auto bytes = readInPlace(place, certificateFile(client), io, status);
        if (!bytes) return status;
        const auto certificate = certificateFromBytes(*bytes, client);
        if (bytes->empty() || !certificate) {
            io.out << (bytes->empty() ? "(aucun)\n" : "(illisible)\n");
            continue;
        }
        io.out << printable(place.pathOf(certificateFile(client))) << "\n";
        std::istringstream lines(describeCertificate(certificate.get()));
        for (std::string line; std::getline(lines, line);) io.out << printable(line) << "\n";
    }
    return status;
}

}  // namespace delvaronte
