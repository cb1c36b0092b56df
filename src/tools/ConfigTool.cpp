#include "tools/ConfigTool.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <ostream>

#include "base/PrintableText.h"
#include "base/Utf8.h"
#include "config/AppConfig.h"
#include "config/EntryRules.h"
#include "config/Settings.h"
#include "tools/CertificateCommands.h"
#include "tools/ConfigPlace.h"

namespace delvaronte {

namespace {

constexpr char kUsage[] =
    "Usage : delvaronte-config [--file CHEMIN] [--owner UTILISATEUR] COMMANDE\n"
    "\n"
    "Prepare ou inspecte la configuration de DELVARONTE (config.dat).\n"
    "\n"
    "Commandes :\n"
    "  show              indique si la configuration est complete, affiche l'URL, les\n"
    "                    certificats et chaque reglage avec son origine\n"
    "  set-url URL       enregistre l'URL de l'application (le mot de passe est garde)\n"
    "  set-password      lit le mot de passe administrateur sur l'entree standard\n"
    "                    et l'enregistre (l'URL est gardee)\n"
    "  check-password    lit un mot de passe sur l'entree standard ; code de sortie 0\n"
    "                    s'il est correct, 1 sinon\n"
    "  trust-certificate FICHIER.pem\n"
    "                    fait confiance a ce certificat (celui du serveur, ou l'autorite\n"
    "                    qui l'a signe) pour l'hote de l'URL, et pour lui seul\n"
    "  forget-certificate  retire ce certificat\n"
    "  client-certificate FICHIER\n"
    "                    repond a l'hote de l'URL avec ce certificat client et sa cle\n"
    "                    (PEM, ou PKCS#12 sans mot de passe)\n"
    "  forget-client-certificate  retire ce certificat client\n"
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

// The commands and what their one argument is, if they take one.
struct Command {
    const char* name;
    const char* argument;
};
constexpr Command kCommands[] = {
    {"show", nullptr},
    {"set-url", "une URL"},
    {"set-password", nullptr},
    {"check-password", nullptr},
    {"trust-certificate", "un fichier"},
    {"forget-certificate", nullptr},
    {"client-certificate", "un fichier"},
    {"forget-client-certificate", nullptr},
};

struct Target {
    std::string path;
    std::string owner;  // --owner, empty when not given
};

std::optional<std::string> readPassword(ConfigToolIo& io, const std::string& prompt) {
    auto password = io.readSecret(prompt);
    if (password && (password->size() > kMaxSecretBytes || !isValidUtf8(*password))) {
        return std::nullopt;
    }
    return password ? password : std::string();
}

// Every setting of the program, its value and where it comes from.
void showSettings(ConfigToolIo& io) {
    const GRef<GSettings> settings = programSettings();
    if (!settings) {
        io.out << "Reglages : schema " << kSettingsSchema << " introuvable\n";
        return;
    }
    io.out << "Reglages :\n";
    for (const SettingState& state : settingStates(settings.get(), SettingReader::Administrator)) {
        io.out << "  " << state.key << " = " << printable(state.value) << " ("
               << sourceLabel(state.source) << ")\n";
    }
}

void showConfiguration(const std::string& path, const AppConfig& record, ConfigToolIo& io) {
    io.out << "Fichier : " << printable(path) << "\n";
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
}

// The address set-url stores, trimmed; nothing, said, when the rules refuse it.
std::optional<std::string> urlEntry(const std::string& url, ConfigToolIo& io, int& status) {
    if (!isValidUtf8(url)) {
        status = invalidEntry(io, "l'URL n'est pas un texte UTF-8 valide.");
        return std::nullopt;
    }
    std::string trimmed = trimEntry(url);
    if (auto failure = checkUrlRule(trimmed)) {
        status = invalidEntry(io, *failure);
        return std::nullopt;
    }
    return trimmed;
}

// The password set-password stores (asked twice at a terminal) or check-password checks.
std::optional<std::string> passwordEntry(bool setting, ConfigToolIo& io, int& status) {
    auto password = readPassword(io, setting ? "Nouveau mot de passe : " : "Mot de passe : ");
    if (!setting) return password;
    std::optional<std::string_view> failure;
    if (!password)
        failure = "le mot de passe n'est pas un texte UTF-8 valide de 4096 octets au plus.";
    if (!failure) failure = checkLengthRule(*password);
    if (!failure && io.interactive) {
        failure = checkMatchRule(*password, readPassword(io, "Confirmer : ").value_or(""));
    }
    if (failure) status = invalidEntry(io, *failure);
    return failure ? std::nullopt : password;
}

}  // namespace

std::optional<std::string> readLine(std::istream& input) {
    std::string line;
    char c = 0;
    bool any = false;
    while (line.size() <= kMaxSecretBytes && input.get(c)) {
        any = true;
        if (c == '\n') break;
        line += c;
    }
    if (!any) return std::nullopt;
    if (c == '\n' && !line.empty() && line.back() == '\r') line.pop_back();
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
    int status = kDone;

    const std::string& command = arguments[i];
    const std::vector<std::string> rest(arguments.begin() + static_cast<long>(i) + 1,
                                        arguments.end());
    const auto known = std::find_if(std::begin(kCommands), std::end(kCommands),
                                    [&](const Command& c) { return command == c.name; });
    if (known == std::end(kCommands)) {
        return usageError(io, "commande inconnue : " + printable(command));
    }
    if (rest.size() != (known->argument != nullptr ? 1u : 0u)) {
        return usageError(io, known->argument != nullptr
                                  ? command + " attend " + known->argument + "."
                                  : command + " n'attend pas d'argument.");
    }
    if (!target.owner.empty()) {
        if (geteuid() != 0) return usageError(io, "--owner demande les droits de root.");
        if (!ownerNamed(target.owner)) {
            return usageError(io, "utilisateur inconnu : " + printable(target.owner) + ".");
        }
    }

    if (!fileGiven) {
        target.path = AppConfig::configFilePath();
        if (target.path.empty()) {
            io.err << "Erreur : aucun dossier de configuration utilisateur.\n";
            return kRefused;
        }
    }

    // Entries first: nothing is read or written for an entry the rules refuse.
    std::optional<std::string> entry;
    if (command == "set-url") {
        entry = urlEntry(rest.front(), io, status);
    } else if (command == "trust-certificate" || command == "client-certificate") {
        entry = certificateEntry(rest.front(), command == "client-certificate", io, status);
    } else if (command.ends_with("password")) {
        entry = passwordEntry(command == "set-password", io, status);
    }
    if (status != kDone) return status;

    std::optional<Place> place = openPlace(target.path, target.owner, io, status);
    if (!place) return status;
    if (command.ends_with("-certificate")) {
        const bool client = command.find("client") != std::string::npos;
        return entry ? saveInPlace(*place, certificateFile(client), *entry, io)
                     : forgetCertificate(*place, client, io);
    }
    const std::optional<std::string> bytes = readInPlace(*place, place->name, io, status);
    if (!bytes) return status;
    const AppConfig record = AppConfig::fromJson(*bytes);
    if (command == "show") {
        showConfiguration(place->path, record, io);
        const int status = showCertificates(*place, io);
        showSettings(io);
        return status;
    }
    if (command == "check-password") {
        if (entry && record.verifyPassword(*entry)) return kDone;
        io.err << "Mot de passe incorrect.\n";
        return kRefused;
    }
    const auto json =
        (command == "set-url" ? record.withEntries(*entry, {}) : record.withEntries({}, *entry))
            .toJson();
    if (!json) return invalidEntry(io, "la configuration ne peut pas etre ecrite.");
    return saveInPlace(*place, place->name, *json, io);
}

}  // namespace delvaronte
