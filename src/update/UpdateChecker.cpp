#include "update/UpdateChecker.h"

#include <glib.h>

#include "ui/ModalAlert.h"
#include "ui/StandardAlerts.h"
#include "ui/SystemOpener.h"
#include "update/ManifestAddress.h"
#include "update/ManifestFetch.h"

namespace delvaronte {

void UpdateChecker::checkForUpdates(bool silent) {
    checkForUpdates(silent, {});
}

void UpdateChecker::checkForUpdates(bool silent, UpdateCheckSettings settings) {
    const std::string url =
        settings.manifestUrl.empty() ? std::string(manifestAddress()) : settings.manifestUrl;
    auto finished = std::move(settings.onFinished);
    const bool started = fetchManifest(
        url, settings.timeoutSeconds, kManifestSizeLimit,
        [silent, finished](const FetchResult& fetched) {
            const UpdateDecision decision = decideUpdate(fetched, silent);
            // The alert runs its own loop: show it from an idle callback, once libsoup is
            // done with this request.
            auto* pending = new std::pair<UpdateDecision, std::function<void(UpdateOutcome)>>(
                decision, finished);
            g_idle_add_full(
                G_PRIORITY_DEFAULT,
                +[](gpointer data) -> gboolean {
                    auto* work = static_cast<decltype(pending)>(data);
                    switch (work->first.outcome) {
                        case UpdateOutcome::UpdateAvailable:
                            showUpdateAvailable(work->first.manifest);
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
                    if (work->second) work->second(work->first.outcome);
                    return G_SOURCE_REMOVE;
                },
                pending, +[](gpointer data) { delete static_cast<decltype(pending)>(data); });
        });
    if (!started && finished) finished(UpdateOutcome::Nothing);
}

void UpdateChecker::showUpdateAvailable(const Manifest& manifest) {
    ModalAlert alert;
    alert.setMessageText("Mise a jour disponible");
    alert.setInformativeText(updateAvailableText(manifest));
    alert.setStyle(AlertStyle::Informational);
    alert.addButton("Telecharger");
    alert.addButton("Plus tard");
    if (alert.runModal() != kAlertFirstButton) return;
    if (isDownloadAddress(manifest.downloadUrl)) openWithSystem(manifest.downloadUrl);
}

void UpdateChecker::showUpToDate() {
    runTextAlert("DELVARONTE", std::string(kUpToDateText), AlertStyle::Informational);
}

void UpdateChecker::showCheckFailed() {
    runTextAlert("DELVARONTE", std::string(kCheckFailedText), AlertStyle::Warning);
}

}  // namespace delvaronte
