#include "tools/CertificateCommands.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <ostream>
#include <sstream>

#include "config/AtomicFile.h"
#include "config/Certificates.h"
#include "base/PrintableText.h"

namespace delvaronte {

const char* certificateFile(bool client) {
    return client ? kClientCertificateFile : kTrustedCertificateFile;
}

std::optional<std::string> certificateEntry(const std::string& file, bool client, ConfigToolIo& io,
                                            int& status) {
    FileRead read = readRegularFile(AT_FDCWD, file, true);
    if (read.outcome == FileRead::Outcome::Read && certificateFromBytes(read.bytes, client)) {
        return std::move(read.bytes);
    }
    io.err << "Erreur : " << printable(file)
           << (client ? " n'est pas un certificat avec sa cle (PEM, ou PKCS#12 sans mot de "
                        "passe).\n"
                      : " n'est pas un certificat PEM.\n");
    status = kBadUsage;
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
