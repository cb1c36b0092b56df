// The error page tries again by itself when the server could not be reached: on the schedule
// of shell/rules/RetrySchedule, at once when the network comes back, never while the window is
// out of sight; the user's own navigation ends it.
#include "shell/AppDelegate.h"
#include "shell/ViewRecord.h"
#include "shell/WebViews.h"
#include "shell/rules/RetrySchedule.h"

namespace delvaronte {

namespace {

bool windowShown(WebKitWebView* view) {
    GtkWindow* window = windowOf(view);
    if (window == nullptr || !gtk_widget_get_visible(GTK_WIDGET(window))) return false;
    GdkSurface* surface = gtk_native_get_surface(GTK_NATIVE(window));
    return surface == nullptr ||
           (gdk_toplevel_get_state(GDK_TOPLEVEL(surface)) & GDK_TOPLEVEL_STATE_MINIMIZED) == 0;
}

}  // namespace

// The server could not be reached: the error page, once, then retries on the schedule. A
// retry that fails again leaves the error page as it is (its load never replaced it).
void AppDelegate::failedUnreachable(WebKitWebView* view, const char* uri) {
    ViewRecord& record = recordOf(view);
    const bool retried = std::exchange(record.retry.inFlight, false);
    record.retry.uri = uri != nullptr ? uri : "";
    if (!retried) {
        record.retry.attempt = 0;
        showErrorPage(view, uri);
    } else if (view == webView_) {
        stopHomeTimer();
    }
    record.retry.due = false;
    record.retry.timer.start(guint(seams_.retryDelayMs(record.retry.attempt)), [this, view] {
        recordOf(view).retry.due = true;
        retryIfDue(view);
    });
}

void AppDelegate::retryIfDue(WebKitWebView* view) {
    ViewRecord& record = recordOf(view);
    if (!record.retry.due) return;
    const RetryMoment moment{
        g_network_monitor_get_network_available(g_network_monitor_get_default()) != FALSE,
        windowShown(view), webkit_web_view_is_loading(view) != FALSE};
    if (!mayRetryNow(moment)) return;
    record.retry.due = false;
    record.retry.inFlight = true;
    ++record.retry.attempt;
    if (view == webView_) startHomeTimer();
    webkit_web_view_load_uri(view, record.retry.uri.c_str());
}

void AppDelegate::cancelRetry(WebKitWebView* view) {
    ViewRecord::Retry& retry = recordOf(view).retry;
    retry.timer.stop();
    retry.uri.clear();
    retry.attempt = 0;
    retry.due = retry.inFlight = false;
}

// The user went somewhere themselves: the page's dialogs are its own again, and no retry
// takes them back.
void AppDelegate::userNavigates(WebKitWebView* view) {
    recordOf(view).dialogs.reset();
    cancelRetry(view);
}

std::vector<WebKitWebView*> AppDelegate::allViews() const {
    std::vector<WebKitWebView*> views;
    if (webView_ != nullptr) views.push_back(webView_);
    for (GtkWindow* popup : childWindows_) {
        if (GtkWidget* view = gtk_window_get_child(popup)) views.push_back(WEBKIT_WEB_VIEW(view));
    }
    return views;
}

void AppDelegate::retryWaitingViews() {
    for (WebKitWebView* view : allViews()) retryIfDue(view);
}

void AppDelegate::networkChangedCb(GNetworkMonitor*, gboolean available, AppDelegate* self) {
    if (!available) return;
    // Back: what waits for its timer goes at once too.
    for (WebKitWebView* view : self->allViews()) {
        ViewRecord& record = recordOf(view);
        if (!record.retry.timer.running()) continue;
        record.retry.timer.stop();
        record.retry.due = true;
    }
    self->retryWaitingViews();
}

// A window shown again, or back in front: what waited for it goes.
void AppDelegate::windowShownCb(GtkWindow*, GParamSpec*, AppDelegate* self) {
    self->retryWaitingViews();
}

}  // namespace delvaronte
