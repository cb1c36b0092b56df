// A page stuck in a script (while (true) {}): once the engine has found its process not
// answering for 5 seconds, our alert offers to wait or to stop the page; stopping ends the
// page's web process, which brings the stopped page and its "Recharger". The alert goes by
// itself when the page recovers.
#include "base/GObjectPtr.h"
#include "shell/AppDelegate.h"
#include "shell/ViewRecord.h"
#include "shell/WebViews.h"
#include "ui/ModalAlert.h"

namespace delvaronte {

namespace {

constexpr guint kUnresponsiveSeconds = 5;

}  // namespace

void AppDelegate::responsivenessCb(WebKitWebView* view, GParamSpec*, AppDelegate* self) {
    ViewRecord& record = recordOf(view);
    if (webkit_web_view_get_is_web_process_responsive(view)) {
        record.stuckTimer.stop();
        // Recovered: the question no longer stands.
        if (record.stuckAlert != nullptr && record.stuckAlert->window() != nullptr) {
            gtk_window_close(record.stuckAlert->window());
        }
        return;
    }
    self->watchStuckPage(view);
}

void AppDelegate::watchStuckPage(WebKitWebView* view) {
    ViewRecord& record = recordOf(view);
    if (record.stuckTimer.running() || record.stuckAlert != nullptr) return;
    record.stuckTimer.start(kUnresponsiveSeconds * 1000, [this, view] { askAboutStuckPage(view); });
}

void AppDelegate::askAboutStuckPage(WebKitWebView* view) {
    if (webkit_web_view_get_is_web_process_responsive(view)) return;
    // The view, and what is kept about it, outlive the alert's own loop.
    const auto held = GRef<WebKitWebView>::retain(view);
    ModalAlert alert;
    alert.setParent(windowOf(view));
    alert.setMessageText("La page ne repond pas");
    alert.setInformativeText(
        "Cette page est occupee et ne repond plus.\nVous pouvez attendre qu'elle reprenne, ou "
        "l'arreter : ce qui n'a pas ete enregistre sur la page serait perdu.");
    alert.addButton("Arreter la page");
    alert.addButton("Attendre");  // last: Escape, the close button and a recovery answer it
    recordOf(view).stuckAlert = &alert;
    const bool stop = alert.runModal() == kAlertFirstButton;
    recordOf(view).stuckAlert = nullptr;
    if (stop) {
        webkit_web_view_terminate_web_process(view);
    } else if (!webkit_web_view_get_is_web_process_responsive(view)) {
        watchStuckPage(view);  // still stuck: asked again in a while
    }
}

// "Actualiser" and "Accueil" on a page that does not answer stop it at once: the engine would
// queue them behind the script that holds the page.
bool AppDelegate::stopIfStuck() {
    if (webView_ == nullptr || webkit_web_view_get_is_web_process_responsive(webView_)) {
        return false;
    }
    webkit_web_view_terminate_web_process(webView_);
    return true;
}

}  // namespace delvaronte
