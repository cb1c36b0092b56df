// What the web views ask of the program: where navigations go, pop-up windows, the page's
// alert and confirm, the end of the splash, the error page.
#include <algorithm>

#include "shell/AppDelegate.h"
#include "shell/ErrorPage.h"
#include "shell/NavigationPolicy.h"
#include "shell/Printing.h"
#include "shell/ScreenArea.h"
#include "shell/WebViews.h"
#include "shell/WindowGeometry.h"
#include "ui/GObjectPtr.h"
#include "ui/ModalAlert.h"
#include "ui/SystemOpener.h"

namespace delvaronte {

namespace {

constexpr gint64 kSplashFadeMicroseconds = 500'000;
// Set on a web view from the moment its error page is asked for until a page commits.
constexpr char kErrorPagePending[] = "delvaronte-error-page-pending";
// Set on a pop-up window that only fetched a file; see also Downloads.
constexpr char kDownloadOnlyWindow[] = "delvaronte-download-only";
// Set on a web view once any page has committed in it.
constexpr char kCommittedOnce[] = "delvaronte-committed-once";

NavigationKind kindOf(WebKitNavigationType type) {
    switch (type) {
        case WEBKIT_NAVIGATION_TYPE_LINK_CLICKED:
            return NavigationKind::LinkActivated;
        case WEBKIT_NAVIGATION_TYPE_FORM_SUBMITTED:
        case WEBKIT_NAVIGATION_TYPE_FORM_RESUBMITTED:
            return NavigationKind::FormSubmitted;
        case WEBKIT_NAVIGATION_TYPE_BACK_FORWARD:
            return NavigationKind::BackForward;
        case WEBKIT_NAVIGATION_TYPE_RELOAD:
            return NavigationKind::Reload;
        default:
            return NavigationKind::Other;
    }
}

// Responses the web view cannot show, or that the server marks as attachments, are saved.
bool isDownload(WebKitResponsePolicyDecision* decision) {
    if (!webkit_response_policy_decision_is_main_frame_main_resource(decision)) return false;
    if (!webkit_response_policy_decision_is_mime_type_supported(decision)) return true;
    WebKitURIResponse* response = webkit_response_policy_decision_get_response(decision);
    SoupMessageHeaders* headers = webkit_uri_response_get_http_headers(response);
    const char* disposition =
        headers != nullptr ? soup_message_headers_get_one(headers, "Content-Disposition") : nullptr;
    return disposition != nullptr && g_ascii_strncasecmp(disposition, "attachment", 10) == 0;
}

// A load that gave way to another one, or to the navigation policy, did not fail.
bool isCancellation(const GError* error) {
    return g_error_matches(error, WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_CANCELLED) ||
           g_error_matches(error, WEBKIT_POLICY_ERROR,
                           WEBKIT_POLICY_ERROR_FRAME_LOAD_INTERRUPTED_BY_POLICY_CHANGE);
}

GtkWindow* windowOf(WebKitWebView* view) {
    GtkRoot* root = gtk_widget_get_root(GTK_WIDGET(view));
    return root != nullptr && GTK_IS_WINDOW(root) ? GTK_WINDOW(root) : nullptr;
}

}  // namespace

void AppDelegate::connectWebView(WebKitWebView* view) {
    connectSignal(view, "decide-policy", &AppDelegate::decidePolicyCb, this);
    connectSignal(view, "load-changed", &AppDelegate::loadChangedCb, this);
    connectSignal(view, "load-failed", &AppDelegate::loadFailedCb, this);
    connectSignal(view, "load-failed-with-tls-errors", &AppDelegate::loadFailedWithTlsErrorsCb,
                  this);
    connectSignal(view, "create", &AppDelegate::createCb, this);
    connectSignal(view, "close", &AppDelegate::closeCb, this);
    connectSignal(view, "script-dialog", &AppDelegate::scriptDialogCb, this);
    connectSignal(view, "print", &AppDelegate::printCb, this);
}

gboolean AppDelegate::printCb(WebKitWebView* view, WebKitPrintOperation* operation, AppDelegate*) {
    runPrintDialog(operation, windowOf(view));
    return TRUE;
}

gboolean AppDelegate::decidePolicyCb(WebKitWebView* view, WebKitPolicyDecision* decision,
                                     WebKitPolicyDecisionType type, AppDelegate* self) {
    if (type == WEBKIT_POLICY_DECISION_TYPE_RESPONSE) {
        if (!isDownload(WEBKIT_RESPONSE_POLICY_DECISION(decision))) return FALSE;
        webkit_policy_decision_download(decision);
        // A pop-up opened only to fetch a file would stay empty: it is hidden now and goes
        // when the download ends (closing it sooner would cancel the download).
        if (view != self->webView_ &&
            g_object_get_data(G_OBJECT(view), kCommittedOnce) == nullptr) {
            if (GtkWindow* popup = windowOf(view)) {
                g_object_set_data(G_OBJECT(popup), kDownloadOnlyWindow, GINT_TO_POINTER(1));
                gtk_widget_set_visible(GTK_WIDGET(popup), FALSE);
            }
        }
        return TRUE;
    }
    if (type != WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION &&
        type != WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION) {
        return FALSE;
    }
    WebKitNavigationAction* action = webkit_navigation_policy_decision_get_navigation_action(
        WEBKIT_NAVIGATION_POLICY_DECISION(decision));
    const char* uri = webkit_uri_request_get_uri(webkit_navigation_action_get_request(action));
    const std::string requested = uri != nullptr ? uri : "";

    switch (decideNavigation(self->appUrl_, requested,
                             kindOf(webkit_navigation_action_get_navigation_type(action)))) {
        case NavigationVerdict::Allow:
            webkit_policy_decision_use(decision);
            break;
        case NavigationVerdict::OpenWithSystemCancel:
            openWithSystem(requested);
            webkit_policy_decision_ignore(decision);
            break;
        case NavigationVerdict::Cancel:
            webkit_policy_decision_ignore(decision);
            break;
    }
    return TRUE;
}

void AppDelegate::loadChangedCb(WebKitWebView* view, WebKitLoadEvent event, AppDelegate* self) {
    if (event == WEBKIT_LOAD_COMMITTED) {
        g_object_set_data(G_OBJECT(view), kErrorPagePending, nullptr);
        g_object_set_data(G_OBJECT(view), kCommittedOnce, GINT_TO_POINTER(1));
        if (view == self->webView_) self->stopHomeTimer();
    }
    if (event == WEBKIT_LOAD_FINISHED) self->hideSplash();
}

gboolean AppDelegate::loadFailedCb(WebKitWebView* view, WebKitLoadEvent, const char* failedUri,
                                   GError* error, AppDelegate* self) {
    if (isCancellation(error)) return TRUE;
    self->showErrorPage(view, failedUri);
    return TRUE;
}

gboolean AppDelegate::loadFailedWithTlsErrorsCb(WebKitWebView* view, const char* failedUri,
                                                GTlsCertificate*, GTlsCertificateFlags,
                                                AppDelegate* self) {
    self->showErrorPage(view, failedUri);
    return TRUE;
}

// The page goes in the view whose load failed, with the failed address as its own, so that
// its "Reessayer" (the page's reload) asks for that address again. (Loaded as alternate
// content instead, the page's reload lands on about:blank.)
void AppDelegate::showErrorPage(WebKitWebView* view, const char* failedUri) {
    if (view == webView_) stopHomeTimer();
    // Should the error page itself fail, it is not shown again: no loop.
    if (g_object_get_data(G_OBJECT(view), kErrorPagePending) == nullptr) {
        g_object_set_data(G_OBJECT(view), kErrorPagePending, GINT_TO_POINTER(1));
        webkit_web_view_load_html(view, kConnectionErrorPage, failedUri);
    }
    hideSplash();
}

void AppDelegate::hideSplash() {
    if (splashView_ == nullptr || fadeTick_ != 0 || !gtk_widget_get_visible(splashView_)) return;
    gtk_widget_set_can_target(splashView_, FALSE);
    fadeStart_ = 0;
    fadeTick_ = gtk_widget_add_tick_callback(splashView_, &AppDelegate::fadeTickCb, this, nullptr);
}

gboolean AppDelegate::fadeTickCb(GtkWidget* splash, GdkFrameClock* clock, gpointer data) {
    auto* self = static_cast<AppDelegate*>(data);
    const gint64 now = gdk_frame_clock_get_frame_time(clock);
    if (self->fadeStart_ == 0) self->fadeStart_ = now;
    const double progress = double(now - self->fadeStart_) / double(kSplashFadeMicroseconds);
    if (progress < 1.0) {
        gtk_widget_set_opacity(splash, 1.0 - progress);
        return G_SOURCE_CONTINUE;
    }
    gtk_widget_set_opacity(splash, 0.0);
    gtk_widget_set_visible(splash, FALSE);
    // Hidden for good: nothing of the splash runs any more.
    if (self->progressIndicator_ != nullptr) {
        gtk_spinner_stop(GTK_SPINNER(self->progressIndicator_));
    }
    self->fadeTick_ = 0;
    return G_SOURCE_REMOVE;
}

GtkWidget* AppDelegate::createCb(WebKitWebView* opener, WebKitNavigationAction*,
                                 AppDelegate* self) {
    return self->openPopup(opener);
}

GtkWidget* AppDelegate::openPopup(WebKitWebView* opener) {
    GtkWindow* popup = GTK_WINDOW(gtk_application_window_new(application_));
    // The size a page gets when it asks for none; ready-to-show reads it back as requested.
    const Rect standard = popupRect(primaryWorkArea(), std::nullopt, std::nullopt);
    gtk_window_set_default_size(popup, int(standard.width), int(standard.height));
    gtk_widget_set_size_request(GTK_WIDGET(popup), kPopupMinimumWidth, kPopupMinimumHeight);

    WebKitWebView* view = newRelatedWebView(opener);
    connectWebView(view);
    connectSignal(view, "ready-to-show", &AppDelegate::readyToShowCb, this);
    connectSignal(view, "notify::title", &AppDelegate::titleChangedCb, this);
    gtk_window_set_child(popup, GTK_WIDGET(view));

    childWindows_.push_back(GTK_WINDOW(g_object_ref(popup)));
    return GTK_WIDGET(view);
}

void AppDelegate::readyToShowCb(WebKitWebView* view, AppDelegate*) {
    GtkWindow* popup = windowOf(view);
    if (popup == nullptr || g_object_get_data(G_OBJECT(popup), kDownloadOnlyWindow) != nullptr) {
        return;
    }
    GdkRectangle geometry{};
    webkit_window_properties_get_geometry(webkit_web_view_get_window_properties(view), &geometry);
    const Rect frame =
        popupRect(primaryWorkArea(),
                  geometry.width > 0 ? std::optional<double>(geometry.width) : std::nullopt,
                  geometry.height > 0 ? std::optional<double>(geometry.height) : std::nullopt);
    gtk_window_set_default_size(popup, int(frame.width), int(frame.height));
    gtk_window_present(popup);
}

void AppDelegate::titleChangedCb(WebKitWebView* view, GParamSpec*, AppDelegate*) {
    GtkWindow* popup = windowOf(view);
    const char* title = webkit_web_view_get_title(view);
    if (popup == nullptr || title == nullptr) return;
    gtk_window_set_title(popup, *title != '\0' ? title : "DELVARONTE");
}

void AppDelegate::closeCb(WebKitWebView* view, AppDelegate* self) {
    GtkWindow* window = windowOf(view);
    if (window == nullptr) return;
    if (window == self->window_) {
        gtk_window_close(window);  // hidden, back on the next activation
    } else {
        gtk_window_destroy(window);  // leaving the application, it leaves childWindows
    }
}

void AppDelegate::windowRemovedCb(GtkApplication*, GtkWindow* window, AppDelegate* self) {
    self->forgetPopup(window);
}

void AppDelegate::forgetPopup(GtkWindow* popup) {
    const auto removed = std::remove(childWindows_.begin(), childWindows_.end(), popup);
    const auto references = std::distance(removed, childWindows_.end());
    childWindows_.erase(removed, childWindows_.end());
    // The list's references go last: this may free the window and its web view.
    for (auto i = references; i > 0; --i) g_object_unref(popup);
}

gboolean AppDelegate::scriptDialogCb(WebKitWebView*, WebKitScriptDialog* dialog, AppDelegate*) {
    const WebKitScriptDialogType type = webkit_script_dialog_get_dialog_type(dialog);
    if (type != WEBKIT_SCRIPT_DIALOG_ALERT && type != WEBKIT_SCRIPT_DIALOG_CONFIRM) {
        return FALSE;  // prompt and leave-page questions keep the engine's own dialog
    }
    ModalAlert alert;
    alert.setMessageText("DELVARONTE");
    alert.setInformativeText(webkit_script_dialog_get_message(dialog));
    alert.addButton("OK");
    if (type == WEBKIT_SCRIPT_DIALOG_CONFIRM) alert.addButton("Annuler");
    // The page waits here until the alert is answered.
    const int response = alert.runModal();
    if (type == WEBKIT_SCRIPT_DIALOG_CONFIRM) {
        webkit_script_dialog_confirm_set_confirmed(dialog, response == kAlertFirstButton);
    }
    return TRUE;
}

}  // namespace delvaronte
