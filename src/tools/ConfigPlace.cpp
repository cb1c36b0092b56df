#include "tools/ConfigPlace.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <ostream>

#include "base/PrintableText.h"

namespace delvaronte {

std::optional<Owner> ownerNamed(const std::string& name) {
    const passwd* entry = getpwnam(name.c_str());
    if (entry == nullptr) return std::nullopt;
    return Owner{{entry->pw_uid, entry->pw_gid}, entry->pw_name};
}

namespace {

std::optional<Owner> ownerOf(int folder) {
    struct stat status {};
    if (::fstat(folder, &status) != 0) return std::nullopt;
    const passwd* entry = getpwuid(status.st_uid);
    return Owner{{status.st_uid, status.st_gid},
                 entry != nullptr ? entry->pw_name : std::to_string(status.st_uid)};
}

}  // namespace

int linkRefused(ConfigToolIo& io, const std::string& link) {
    io.err << "Erreur : " << printable(link)
           << " est un lien symbolique ; root ne suit pas un lien qu'un utilisateur a pu "
              "poser. Rien n'a ete enregistre.\n";
    return kRefused;
}

std::optional<Place> openPlace(const std::string& path, const std::string& owner, ConfigToolIo& io,
                               int& status) {
    const std::filesystem::path absolute = std::filesystem::absolute(path);
    Place place{path, absolute.filename().string(), {}, geteuid() == 0, std::nullopt};
    // As root, links a user could have planted are refused; a user follows their own.
    place.folder = openDeskFolder(absolute.parent_path(), place.asRoot);
    if (!place.folder.refusedLink.empty()) {
        status = linkRefused(io, place.folder.refusedLink);
        return std::nullopt;
    }
    if (!place.folder.existing || place.folder.blocked || place.name.empty()) {
        io.err << "Erreur : impossible d'atteindre le dossier de " << printable(path) << "\n";
        status = kRefused;
        return std::nullopt;
    }
    if (place.asRoot) {
        // Root prepares a desk for its user: a file only root could read would leave the user
        // with the first-run dialog and saves that fail. Root's own files stay root's.
        place.owner = owner.empty() ? ownerOf(place.folder.existing.get()) : ownerNamed(owner);
        if (place.owner && place.owner->ids.uid == 0) place.owner.reset();
    }
    return place;
}

std::optional<std::string> readInPlace(const Place& place, const std::string& name,
                                       ConfigToolIo& io, int& status) {
    if (!place.folder.complete()) return std::string();
    const std::string path = place.pathOf(name);
    const FileRead read = readRegularFile(place.folder.existing.get(), name, !place.asRoot);
    switch (read.outcome) {
        case FileRead::Outcome::Read:
            return read.bytes;
        case FileRead::Outcome::Missing:
            return std::string();
        case FileRead::Outcome::Link:
            status = linkRefused(io, path);
            return std::nullopt;
        case FileRead::Outcome::NotRegular:
        case FileRead::Outcome::TooLarge:
            io.err << "Erreur : " << printable(path)
                   << " n'est pas un fichier ordinaire de 64 Kio au plus ; il n'est ni lu ni "
                      "remplace.\n";
            break;
        case FileRead::Outcome::Unreadable:
            io.err << "Erreur : impossible de lire " << printable(path) << "\n";
            break;
    }
    status = kRefused;
    return std::nullopt;
}

int saveInPlace(Place& place, const std::string& name, std::string_view bytes, ConfigToolIo& io) {
    const std::optional<FileOwner> owner =
        place.owner ? std::optional(place.owner->ids) : std::nullopt;
    const bool madeFolders = !place.folder.missing.empty();
    if (!makeMissingFolders(place.folder, owner) ||
        !replaceFileAtomically(place.folder.existing.get(), name, bytes, owner)) {
        if (!place.folder.refusedLink.empty()) return linkRefused(io, place.folder.refusedLink);
        io.err << "Erreur : impossible d'enregistrer " << printable(place.pathOf(name)) << "\n";
        return kRefused;
    }
    if (place.owner) {
        io.out << "Proprietaire : " << printable(place.owner->name) << " (uid "
               << place.owner->ids.uid << ", gid " << place.owner->ids.gid << "), pour le fichier"
               << (madeFolders ? " et les dossiers crees" : "") << ".\n";
    }
    return kDone;
}

}  // namespace delvaronte
