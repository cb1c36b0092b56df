// The version manifest: what it says, what the check makes of it, what the alerts say.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "base/Version.h"

namespace delvaronte {

// A manifest body is read up to this size; a larger one is not a manifest.
inline constexpr size_t kManifestSizeLimit = size_t{1024} * 1024;

struct Manifest {
    std::string version;
    std::string changelog;    // empty when missing or not a string
    std::string downloadUrl;  // empty when mac or mac.url is unusable
};

// Nothing unless the body is a JSON object with a string "version".
std::optional<Manifest> readManifest(std::string_view body);

// What came back from the manifest address.
struct FetchResult {
    // NotAManifest: the server answered something else than 200, an error page whatever its
    // body says.
    enum class Status { Failed, TooLarge, NotAManifest, Received };
    Status status = Status::Failed;
    std::string body;
};

enum class UpdateOutcome { Nothing, CheckFailed, UpToDate, UpdateAvailable };

struct UpdateDecision {
    UpdateOutcome outcome = UpdateOutcome::Nothing;
    Manifest manifest;  // set for UpdateAvailable
};

// The outcome table: transport failures speak only when not silent, unusable bodies never,
// a newer version always, anything else only when not silent.
UpdateDecision decideUpdate(const FetchResult& fetched, bool silent);

// The update alert's body: current and new version, the changelog when there is one, and
// the question.
std::string updateAvailableText(const Manifest& manifest);

// "Vous utilisez la derniere version (3.0.0)." with the program's version.
std::string upToDateText();
inline constexpr std::string_view kCheckFailedText =
    "Impossible de verifier les mises a jour.\nVerifiez votre connexion internet.";

// Whether "Telecharger" may hand the address to the system: a well-formed http or https
// address, nothing else (no file:, no custom handlers).
bool isDownloadAddress(std::string_view url);

}  // namespace delvaronte
