#include "tools/ConfigTool.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <ostream>

#include "base/Utf8.h"
#include "config/AppConfig.h"
#include "config/EntryRules.h"

namespace delvaronte {

namespace {

constexpr int kDone = 0;
constexpr int kRefused = 1;
constexpr int kBadUsage = 2;

constexpr char kUsage[] =
    "Usage : delvaronte-config [--file CHEMIN] [--owner UTILISATEUR] COMMANDE\n"
    "\n"
    "Prepare ou inspecte la configuration de DELVARONTE (config.dat).\n"
    "\n"
    "Commandes :\n"
    "  show              indique si la configuration est complete et affiche l'URL\n"
    "  set-url URL       enregistre l'URL de l'application (le mot de passe est garde)\n"
    "  set-password      lit le mot de passe administrateur sur l'entree standard\n"
    "                    et l'enregistre (l'URL est gardee)\n"
    "  check-password    lit un mot de passe sur l'entree standard ; code de sortie 0\n"
    "                    s'il est correct, 1 sinon\n"
    "\n"
    "Options :\n"
    "  --file CHEMIN     agit sur ce fichier au lieu du config.dat de l'utilisateur\n"
    "  --owner UTILISATEUR  (root) donne le fichier ecrit et les dossiers crees a cet\n"
    "                    utilisateur ; sans cette option, au proprietaire du dossier\n"
    "                    existant le plus proche\n"
    "  --help            affiche cette aide\n"
    "\n"
    "Le mot de passe est lu sur une ligne ; le saut de ligne final est retire, rien\n"
    "d'autre. Codes de sortie : 0 succes, 1 mot de passe incorrect ou fichier non\n"
    "enregistre, 2 usage ou saisie invalide.\n";

int usageError(ConfigToolIo& io, const std::string& message) {
    io.err << "Erreur : " << message << " (voir delvaronte-config --help)\n";
    return kBadUsage;
}

int invalidEntry(ConfigToolIo& io, std::string_view message) {
    io.err << "Erreur : " << message << "\n";
    return kBadUsage;
}

struct Target {
    std::string path;
    std::string owner;  // --owner, empty when not given
};

// Who gets a file that root writes for a user: the one named, or the owner of the nearest
// folder that already exists.
struct Owner {
    uid_t uid;
    gid_t gid;
    std::string name;
};

std::optional<Owner> ownerNamed(const std::string& name) {
    const passwd* entry = getpwnam(name.c_str());
    if (entry == nullptr) return std::nullopt;
    return Owner{entry->pw_uid, entry->pw_gid, entry->pw_name};
}

std::optional<Owner> ownerOf(const std::filesystem::path& folder) {
    struct stat status {};
    if (::stat(folder.c_str(), &status) != 0) return std::nullopt;
    const passwd* entry = getpwuid(status.st_uid);
    return Owner{status.st_uid, status.st_gid,
                 entry != nullptr ? entry->pw_name : std::to_string(status.st_uid)};
}

int saveRecord(const AppConfig& record, const Target& target, ConfigToolIo& io) {
    // The folders the save is about to create, to be given away with the file.
    std::vector<std::filesystem::path> created;
    std::filesystem::path existing = std::filesystem::absolute(target.path).parent_path();
    std::error_code error;
    while (!std::filesystem::exists(existing, error) && existing.has_relative_path()) {
        created.push_back(existing);
        existing = existing.parent_path();
    }
    if (!record.saveTo(target.path)) {
        io.err << "Erreur : impossible d'enregistrer " << target.path << "\n";
        return kRefused;
    }
    if (geteuid() != 0) return kDone;

    // Root prepares a desk for its user: a file only root could read would leave the user
    // with the first-run dialog and saves that fail.
    const auto owner = target.owner.empty() ? ownerOf(existing) : ownerNamed(target.owner);
    if (!owner || owner->uid == 0) return kDone;
    bool given = ::chown(target.path.c_str(), owner->uid, owner->gid) == 0;
    for (const auto& folder : created) {
        given = ::chown(folder.c_str(), owner->uid, owner->gid) == 0 && given;
    }
    if (!given) {
        io.err << "Erreur : impossible de donner " << target.path << " a " << owner->name << "\n";
        return kRefused;
    }
    io.out << "Proprietaire : " << owner->name << " (uid " << owner->uid << ", gid " << owner->gid
           << "), pour le fichier" << (created.empty() ? "" : " et les dossiers crees") << ".\n";
    return kDone;
}

// A text for the terminal: control characters (C0, DEL and C1) are written as \xNN, so that
// a forged file cannot send escape sequences to the administrator's terminal.
std::string printable(std::string_view text) {
    std::string shown;
    const auto escape = [&](unsigned char byte) {
        char code[5];
        std::snprintf(code, sizeof code, "\\x%02x", byte);
        shown += code;
    };
    for (size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
        if (byte < 0x20 || byte == 0x7F) {
            escape(byte);
        } else if (byte == 0xC2 && next >= 0x80 && next <= 0x9F) {
            escape(byte);
            escape(next);
            ++i;
        } else {
            shown += text[i];
        }
    }
    return shown;
}

std::optional<std::string> readPassword(ConfigToolIo& io, const std::string& prompt) {
    auto password = io.readSecret(prompt);
    if (password && !isValidUtf8(*password)) return std::nullopt;
    return password ? password : std::string();
}

int showConfiguration(const std::string& path, ConfigToolIo& io) {
    const AppConfig record = AppConfig::loadFrom(path);
    io.out << "Fichier : " << path << "\n";
    io.out << "Configure : " << (record.isConfigured() ? "oui" : "non") << "\n";
    if (record.encryptedUrl.empty()) {
        io.out << "URL : (aucune)\n";
    } else if (const std::string url = record.homeUrl(); !url.empty()) {
        io.out << "URL : " << printable(url) << "\n";
    } else {
        io.out << "URL : (illisible, ne peut pas etre dechiffree)\n";
    }
    io.out << "Mot de passe administrateur : "
           << (record.passwordHash.empty() ? "non defini" : "defini") << "\n";
    return kDone;
}

int setUrl(const Target& target, const std::string& url, ConfigToolIo& io) {
    if (!isValidUtf8(url)) return invalidEntry(io, "l'URL n'est pas un texte UTF-8 valide.");
    const std::string trimmed = trimEntry(url);
    if (auto failure = checkUrlRule(trimmed)) return invalidEntry(io, *failure);

    return saveRecord(AppConfig::loadFrom(target.path).withEntries(trimmed, {}), target, io);
}

int setPassword(const Target& target, ConfigToolIo& io) {
    const auto password = readPassword(io, "Nouveau mot de passe : ");
    if (!password) return invalidEntry(io, "le mot de passe n'est pas un texte UTF-8 valide.");
    if (auto failure = checkLengthRule(*password)) return invalidEntry(io, *failure);
    if (io.interactive) {
        const auto confirmation = readPassword(io, "Confirmer : ");
        if (auto failure = checkMatchRule(*password, confirmation.value_or(std::string()))) {
            return invalidEntry(io, *failure);
        }
    }

    return saveRecord(AppConfig::loadFrom(target.path).withEntries({}, *password), target, io);
}

int checkPassword(const std::string& path, ConfigToolIo& io) {
    const auto password = readPassword(io, "Mot de passe : ");
    if (password && AppConfig::loadFrom(path).verifyPassword(*password)) return kDone;
    io.err << "Mot de passe incorrect.\n";
    return kRefused;
}

}  // namespace

std::string firstLine(const std::string& text) {
    std::string line = text.substr(0, text.find('\n'));
    if (line.size() < text.size() && !line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

int runConfigTool(const std::vector<std::string>& arguments, ConfigToolIo& io) {
    Target target;
    bool fileGiven = false;
    size_t i = 0;
    for (; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--help" || argument == "-h") {
            io.out << kUsage;
            return kDone;
        }
        if (argument == "--file" || argument == "--owner") {
            if (i + 1 >= arguments.size() || arguments[i + 1].empty()) {
                return usageError(io, argument == "--file" ? "--file attend un chemin."
                                                           : "--owner attend un utilisateur.");
            }
            (argument == "--file" ? target.path : target.owner) = arguments[++i];
            fileGiven = fileGiven || argument == "--file";
        } else if (argument.starts_with("--file=")) {
            target.path = argument.substr(7);
            fileGiven = true;
            if (target.path.empty()) return usageError(io, "--file attend un chemin.");
        } else {
            break;
        }
    }
    if (i >= arguments.size()) return usageError(io, "aucune commande donnee.");

    const std::string& command = arguments[i];
    const std::vector<std::string> rest(arguments.begin() + static_cast<long>(i) + 1,
                                        arguments.end());
    const size_t expected = command == "set-url" ? 1 : 0;
    if (command != "show" && command != "set-url" && command != "set-password" &&
        command != "check-password") {
        return usageError(io, "commande inconnue : " + command);
    }
    if (rest.size() != expected) {
        return usageError(
            io, expected == 1 ? "set-url attend une URL." : command + " n'attend pas d'argument.");
    }
    if (!target.owner.empty()) {
        if (geteuid() != 0) return usageError(io, "--owner demande les droits de root.");
        if (!ownerNamed(target.owner)) {
            return usageError(io, "utilisateur inconnu : " + target.owner + ".");
        }
    }

    if (!fileGiven) {
        target.path = AppConfig::configFilePath();
        if (target.path.empty()) {
            io.err << "Erreur : aucun dossier de configuration utilisateur.\n";
            return kRefused;
        }
    }

    if (command == "show") return showConfiguration(target.path, io);
    if (command == "set-url") return setUrl(target, rest.front(), io);
    if (command == "set-password") return setPassword(target, io);
    return checkPassword(target.path, io);
}

}  // namespace delvaronte
