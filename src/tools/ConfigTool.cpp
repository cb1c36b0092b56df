#include "tools/ConfigTool.h"

#include <ostream>

#include "config/AppConfig.h"
#include "config/Utf8.h"
#include "dialogs/EntryRules.h"

namespace delvaronte {

namespace {

constexpr int kDone = 0;
constexpr int kRefused = 1;
constexpr int kBadUsage = 2;

constexpr char kUsage[] =
    "Usage : delvaronte-config [--file CHEMIN] COMMANDE\n"
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

int saveRecord(const AppConfig& record, const std::string& path, ConfigToolIo& io) {
    if (!record.saveTo(path)) {
        io.err << "Erreur : impossible d'enregistrer " << path << "\n";
        return kRefused;
    }
    return kDone;
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
    } else if (const std::string url = AppConfig::decrypt(record.encryptedUrl); !url.empty()) {
        io.out << "URL : " << url << "\n";
    } else {
        io.out << "URL : (illisible, ne peut pas etre dechiffree)\n";
    }
    io.out << "Mot de passe administrateur : "
           << (record.passwordHash.empty() ? "non defini" : "defini") << "\n";
    return kDone;
}

int setUrl(const std::string& path, const std::string& url, ConfigToolIo& io) {
    if (!isValidUtf8(url)) return invalidEntry(io, "l'URL n'est pas un texte UTF-8 valide.");
    const std::string trimmed = trimEntry(url);
    if (auto failure = checkUrlRule(trimmed)) return invalidEntry(io, *failure);

    AppConfig record = AppConfig::loadFrom(path);
    record.encryptedUrl = AppConfig::encrypt(trimmed);
    return saveRecord(record, path, io);
}

int setPassword(const std::string& path, ConfigToolIo& io) {
    const auto password = readPassword(io, "Nouveau mot de passe : ");
    if (!password) return invalidEntry(io, "le mot de passe n'est pas un texte UTF-8 valide.");
    if (auto failure = checkLengthRule(*password)) return invalidEntry(io, *failure);
    if (io.interactive) {
        const auto confirmation = readPassword(io, "Confirmer : ");
        if (auto failure = checkMatchRule(*password, confirmation.value_or(std::string()))) {
            return invalidEntry(io, *failure);
        }
    }

    AppConfig record = AppConfig::loadFrom(path);
    record.passwordHash = AppConfig::hashPassword(*password);
    return saveRecord(record, path, io);
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
    std::string path;
    bool fileGiven = false;
    size_t i = 0;
    for (; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--help" || argument == "-h") {
            io.out << kUsage;
            return kDone;
        }
        if (argument == "--file") {
            if (i + 1 >= arguments.size() || arguments[i + 1].empty()) {
                return usageError(io, "--file attend un chemin.");
            }
            path = arguments[++i];
            fileGiven = true;
        } else if (argument.starts_with("--file=")) {
            path = argument.substr(7);
            fileGiven = true;
            if (path.empty()) return usageError(io, "--file attend un chemin.");
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

    if (!fileGiven) {
        path = AppConfig::configFilePath();
        if (path.empty()) {
            io.err << "Erreur : aucun dossier de configuration utilisateur.\n";
            return kRefused;
        }
    }

    if (command == "show") return showConfiguration(path, io);
    if (command == "set-url") return setUrl(path, rest.front(), io);
    if (command == "set-password") return setPassword(path, io);
    return checkPassword(path, io);
}

}  // namespace delvaronte
