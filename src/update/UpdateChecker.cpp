#include "update/UpdateChecker.h"

#include <glib.h>

#include "ui/ModalAlert.h"
#include "ui/StandardAlerts.h"
#include "ui/SystemOpener.h"
#include "update/ManifestFetch.h"
#include "update/rules/ManifestAddress.h"

namespace delvaronte {

void UpdateChecker::checkForUpdates(bool silent) {
    checkForUpdates(silent, {});
}

void UpdateChecker::checkForUpdates(bool silent, UpdateCheckSettings settings) {
    const std::string url =
        settings.manifestUrl.empty() ? std::string(manifestAddress()) : settings.manifestUrl;
    auto finished = std::move(settings.onFinished);
    auto open = std::move(settings.open);
    const bool started = fetchManifest(
        url, settings.timeoutSeconds, kManifestSizeLimit, settings.authorities.get(),
        settings.proxy.get(), settings.proxyCredentials,
        [silent, finished, open](const FetchResult& fetched) {
            const UpdateDecision decision = decideUpdate(fetched, silent);
            // The alert runs its own loop: show it from an idle callback, once libsoup is
            // done with this request.
            struct Pending {
                UpdateDecision decision;
                std::function<void(UpdateOutcome)> finished;
                std::function<void(const std::string&)> open;
            };
            auto* pending = new Pending{decision, finished, open};
            g_idle_add_full(
                G_PRIORITY_DEFAULT,
                +[](gpointer data) -> gboolean {
                    auto* work = static_cast<decltype(pending)>(data);
                    switch (work->decision.outcome) {
                        case UpdateOutcome::UpdateAvailable:
                            showUpdateAvailable(work->decision.manifest, work->open);
                            break;
                        case UpdateOutcome::UpToDate:
                            showUpToDate();
                            break;
                        case UpdateOutcome::CheckFailed:
                            showCheckFailed();
                            break;
                        case UpdateOutcome::Nothing:
                            break;
                    }
                    if (work->finished) work->finished(work->decision.outcome);
                    return G_SOURCE_REMOVE;
                },
                pending, +[](gpointer data) { delete static_cast<decltype(pending)>(data); });
        });
    if (!started && finished) finished(UpdateOutcome::Nothing);
}

void UpdateChecker::showUpdateAvailable(const Manifest& manifest,
                                        const std::function<void(const std::string&)>& open) {
    ModalAlert alert;
    alert.setMessageText("Mise a jour disponible");
    alert.setInformativeText(updateAvailableText(manifest));
    alert.setStyle(AlertStyle::Informational);
    alert.addButton("Telecharger");
    alert.addButton("Plus tard");
    if (alert.runModal() != kAlertFirstButton) return;
    if (isDownloadAddress(manifest.downloadUrl) && open) open(manifest.downloadUrl);
}

void UpdateChecker::showUpToDate() {
    runTextAlert("DELVARONTE", upToDateText(), AlertStyle::Informational);
}

void UpdateChecker::showCheckFailed() {
    runTextAlert("DELVARONTE", std::string(kCheckFailedText), AlertStyle::Warning);
}

}  // namespace delvaronte
