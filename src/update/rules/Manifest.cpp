#include "update/rules/Manifest.h"

#include <glib.h>

#include <nlohmann/json.hpp>

#include "base/GObjectPtr.h"
#include "update/rules/VersionCompare.h"

namespace delvaronte {

namespace {

std::string downloadUrlOf(const nlohmann::json& manifest) {
    const auto mac = manifest.find("mac");
    if (mac == manifest.end() || !mac->is_object()) return {};
    // One member that is not a string makes the whole object unusable.
    for (const auto& member : mac->items()) {
        if (!member.value().is_string()) return {};
    }
    const auto url = mac->find("url");
    return url != mac->end() ? url->get<std::string>() : std::string();
}

}  // namespace

std::optional<Manifest> readManifest(std::string_view body) {
    const nlohmann::json document =
        nlohmann::json::parse(body.begin(), body.end(), nullptr, /*allow_exceptions=*/false);
    if (!document.is_object()) return std::nullopt;
    const auto version = document.find("version");
    if (version == document.end() || !version->is_string()) return std::nullopt;

    Manifest manifest;
    manifest.version = version->get<std::string>();
    const auto changelog = document.find("changelog");
    if (changelog != document.end() && changelog->is_string()) {
        manifest.changelog = changelog->get<std::string>();
    }
    manifest.downloadUrl = downloadUrlOf(document);
    return manifest;
}

UpdateDecision decideUpdate(const FetchResult& fetched, bool silent) {
    UpdateDecision decision;
    if (fetched.status == FetchResult::Status::Failed) {
        decision.outcome = silent ? UpdateOutcome::Nothing : UpdateOutcome::CheckFailed;
        return decision;
    }
    if (fetched.status == FetchResult::Status::TooLarge ||
        fetched.status == FetchResult::Status::NotAManifest) {
        return decision;
    }

    auto manifest = readManifest(fetched.body);
    if (!manifest) return decision;
    if (isNewerVersion(manifest->version, kVersion)) {
        decision.outcome = UpdateOutcome::UpdateAvailable;
        decision.manifest = std::move(*manifest);
    } else if (!silent) {
        decision.outcome = UpdateOutcome::UpToDate;
    }
    return decision;
}

std::string updateAvailableText(const Manifest& manifest) {
    std::string text = "Version actuelle : " + std::string(kVersion) + "\n";
    text += "Nouvelle version : " + manifest.version + "\n";
    if (!manifest.changelog.empty()) text += "\nNouveautes :\n" + manifest.changelog + "\n";
    text += "\nVoulez-vous telecharger la mise a jour ?";
    return text;
}

std::string upToDateText() {
    return "Vous utilisez la derniere version (" + std::string(kVersion) + ").";
}

bool isDownloadAddress(std::string_view url) {
    // Spaces and control characters make no address, whatever a lenient parser says.
    for (const char c : url) {
        if (static_cast<unsigned char>(c) <= 0x20 || c == 0x7F) return false;
    }
    const std::string text(url);
    const GOwned<GUri, g_uri_unref> uri(g_uri_parse(text.c_str(), G_URI_FLAGS_NONE, nullptr));
    if (!uri) return false;
    const char* scheme = g_uri_get_scheme(uri.get());
    const char* host = g_uri_get_host(uri.get());
    return (g_ascii_strcasecmp(scheme, "http") == 0 || g_ascii_strcasecmp(scheme, "https") == 0) &&
           host != nullptr && *host != '\0';
}

}  // namespace delvaronte
