// What the web views ask of the program: where navigations go, pop-up windows, the page's
// dialogs, the end of the splash, the error page, a web process that ended.
#include <algorithm>
#include <optional>

#include "shell/AppDelegate.h"
#include "shell/ErrorPage.h"
#include "shell/NavigationPolicy.h"
#include "shell/PageDialogGuard.h"
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
// Pages that open windows in a loop get no more than this many at once.
constexpr size_t kMaxOpenPopups = 20;
// Set on a pop-up window that only fetched a file; see also Downloads.
constexpr char kDownloadOnlyWindow[] = "delvaronte-download-only";
constexpr char kPageStateKey[] = "delvaronte-page-state";

// What the program keeps about the page of one web view, for as long as the view lives.
struct PageState {
    // Our error or stopped page was asked for and has not committed yet.
    bool placeholderPending = false;
    bool committedOnce = false;
    std::optional<int64_t> lastHandOff;
    PageDialogGuard dialogs;
};

PageState& pageState(WebKitWebView* view) {
    auto* state = static_cast<PageState*>(g_object_get_data(G_OBJECT(view), kPageStateKey));
    if (state == nullptr) {
        state = new PageState;
        g_object_set_data_full(
            G_OBJECT(view), kPageStateKey, state,
            +[](gpointer data) { delete static_cast<PageState*>(data); });
    }
    return *state;
}

NavigationKind kindOf(WebKitNavigationAction* action) {
    // A server's redirect keeps the type of the navigation it answers (a link click).
    if (webkit_navigation_action_is_redirect(action)) return NavigationKind::Redirect;
    switch (webkit_navigation_action_get_navigation_type(action)) {
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

// A load that gave way to another one, or to the navigation policy, did not fail; nor did
// one of an address the web view cannot show (its scheme is for other programs): the page
// stays as it was.
bool isNoFailure(const GError* error) {
    return g_error_matches(error, WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_CANCELLED) ||
           g_error_matches(error, WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_UNKNOWN_PROTOCOL) ||
           g_error_matches(error, WEBKIT_POLICY_ERROR, WEBKIT_POLICY_ERROR_CANNOT_SHOW_URI) ||
           g_error_matches(error, WEBKIT_POLICY_ERROR,
                           WEBKIT_POLICY_ERROR_FRAME_LOAD_INTERRUPTED_BY_POLICY_CHANGE);
}

GtkWindow* windowOf(WebKitWebView* view) {
    GtkRoot* root = gtk_widget_get_root(GTK_WIDGET(view));
    return root != nullptr && GTK_IS_WINDOW(root) ? GTK_WINDOW(root) : nullptr;
}

// Gives the address to the system when the user asked for it, at most once a second per view.
void handOff(WebKitWebView* view, const std::string& uri, bool userGesture) {
    PageState& page = pageState(view);
    const gint64 now = g_get_monotonic_time();
    if (!mayHandOff(userGesture, page.lastHandOff, now)) return;
    page.lastHandOff = now;
    openWithSystem(uri);
}

// Decides a navigation of view, handing it to the system when the policy says so; true
// when the view may load it.
bool mayLoad(const std::string& homeUrl, WebKitWebView* view, WebKitNavigationAction* action) {
    const char* uri = webkit_uri_request_get_uri(webkit_navigation_action_get_request(action));
    const std::string requested = uri != nullptr ? uri : "";
    const NavigationVerdict verdict = decideNavigation(homeUrl, requested, kindOf(action));
    if (verdict == NavigationVerdict::OpenWithSystemCancel) {
        handOff(view, requested, webkit_navigation_action_is_user_gesture(action));
    }
    return verdict == NavigationVerdict::Allow;
}

bool askToLeavePage(GtkWindow* parent) {
    ModalAlert alert;
    alert.setParent(parent);
    alert.setMessageText("DELVARONTE");
    alert.setInformativeText(
        "Voulez-vous quitter cette page ? Les modifications non enregistrees pourraient etre "
        "perdues.");
    alert.addButton("Quitter la page");
    alert.addButton("Rester");
    return alert.runModal() == kAlertFirstButton;
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
    connectSignal(view, "web-process-terminated", &AppDelegate::webProcessTerminatedCb, this);
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
        if (view != self->webView_ && !pageState(view).committedOnce) {
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
    if (mayLoad(self->appUrl_, view, action)) {
        webkit_policy_decision_use(decision);
    } else {
        webkit_policy_decision_ignore(decision);
    }
    return TRUE;
}

void AppDelegate::loadChangedCb(WebKitWebView* view, WebKitLoadEvent event, AppDelegate* self) {
    if (event == WEBKIT_LOAD_COMMITTED) {
        PageState& page = pageState(view);
        page.placeholderPending = false;
        page.committedOnce = true;
        // Reloaded or left: the page's dialogs are its own again.
        page.dialogs.reset();
        if (view == self->webView_) self->stopHomeTimer();
    }
    if (event == WEBKIT_LOAD_FINISHED) self->hideSplash();
}

gboolean AppDelegate::loadFailedCb(WebKitWebView* view, WebKitLoadEvent, const char* failedUri,
                                   GError* error, AppDelegate* self) {
    if (isNoFailure(error)) return TRUE;
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
    showPlaceholder(view, kConnectionErrorPage, failedUri);
}

// The engine's process behind the view ended (killed for memory, or a fault): the view would
// keep its last picture, frozen. It gets a page that brings the address back.
void AppDelegate::webProcessTerminatedCb(WebKitWebView* view, WebKitWebProcessTerminationReason,
                                         AppDelegate* self) {
    if (view == self->webView_) self->stopHomeTimer();
    self->showPlaceholder(view, kPageStoppedPage, webkit_web_view_get_uri(view));
}

void AppDelegate::showPlaceholder(WebKitWebView* view, const char* html, const char* uri) {
    // Should the placeholder itself fail, it is not asked for again: no loop.
    PageState& page = pageState(view);
    if (!page.placeholderPending) {
        page.placeholderPending = true;
        webkit_web_view_load_html(view, html, uri);
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

GtkWidget* AppDelegate::createCb(WebKitWebView* opener, WebKitNavigationAction* action,
                                 AppDelegate* self) {
    if (self->childWindows_.size() >= kMaxOpenPopups) return nullptr;
    // A page's window.open comes here without a navigation decision: a mail or phone
    // address goes to the system, and neither that nor a refused one leaves an empty window.
    return mayLoad(self->appUrl_, opener, action) ? self->openPopup(opener) : nullptr;
}

GtkWidget* AppDelegate::openPopup(WebKitWebView* opener) {
    GtkWindow* popup = GTK_WINDOW(gtk_application_window_new(application_));
    // Named from the start, as for a page without a title, until its page sets one.
    gtk_window_set_title(popup, "DELVARONTE");
    // The size a page gets when it asks for none; ready-to-show reads it back as requested.
    const Rect standard = popupRect(primaryWorkFrame(), std::nullopt, std::nullopt);
    gtk_window_set_default_size(popup, int(standard.width), int(standard.height));
    gtk_widget_set_size_request(GTK_WIDGET(popup), kPopupMinimumWidth, kPopupMinimumHeight);
    addContentKeys(popup);

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
        popupRect(primaryWorkFrame(),
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
    // Last, as this may free the window and its web view.
    for (auto i = references; i > 0; --i) g_object_unref(popup);  // the list's, see openPopup
}

gboolean AppDelegate::scriptDialogCb(WebKitWebView* view, WebKitScriptDialog* dialog,
                                     AppDelegate* self) {
    // The view, and what is kept about its page, outlive the dialog's own loop.
    const auto held = GRef<WebKitWebView>::retain(view);
    PageDialogGuard& guard = pageState(view).dialogs;
    const WebKitScriptDialogType type = webkit_script_dialog_get_dialog_type(dialog);
    if (type == WEBKIT_SCRIPT_DIALOG_BEFORE_UNLOAD_CONFIRM) {
        // The home page's time limit waits for the answer: it must not bring the error page
        // over the page while the user thinks, nor after they chose to stay on it.
        const bool homeTimed = view == self->webView_ && self->homeTimer_ != 0;
        if (homeTimed) self->stopHomeTimer();
        // A page whose dialogs were blocked lets the user go without asking.
        const bool leave = guard.blocked() || askToLeavePage(windowOf(view));
        webkit_script_dialog_confirm_set_confirmed(dialog, leave);
        if (leave && homeTimed) self->startHomeTimer();
        return TRUE;
    }
    if (type != WEBKIT_SCRIPT_DIALOG_ALERT && type != WEBKIT_SCRIPT_DIALOG_CONFIRM &&
        type != WEBKIT_SCRIPT_DIALOG_PROMPT) {
        return FALSE;
    }
    // Blocked: an alert returns at once, a confirm answers false, a prompt null.
    if (guard.blocked()) return TRUE;

    ModalAlert alert;
    alert.setParent(windowOf(view));
    alert.setMessageText("DELVARONTE");
    alert.setInformativeText(webkit_script_dialog_get_message(dialog));
    alert.addButton("OK");
    if (type != WEBKIT_SCRIPT_DIALOG_ALERT) alert.addButton("Annuler");
    GtkWidget* answer = nullptr;
    GtkWidget* blockOthers = nullptr;
    const bool offersBlock = guard.starting(g_get_monotonic_time());
    if (type == WEBKIT_SCRIPT_DIALOG_PROMPT || offersBlock) {
        GtkWidget* form = gtk_box_new(GTK_ORIENTATION_VERTICAL, 10);
        if (type == WEBKIT_SCRIPT_DIALOG_PROMPT) {
            answer = gtk_entry_new();
            gtk_editable_set_text(GTK_EDITABLE(answer),
                                  webkit_script_dialog_prompt_get_default_text(dialog));
            gtk_editable_set_width_chars(GTK_EDITABLE(answer), 40);
            gtk_box_append(GTK_BOX(form), answer);
            alert.setInitialFocus(answer);
        }
        if (offersBlock) {
            blockOthers =
                gtk_check_button_new_with_label("Bloquer les autres dialogues de cette page");
            gtk_box_append(GTK_BOX(form), blockOthers);
        }
        alert.setAccessory(form);
    }
    // The page waits here until the alert is answered.
    const bool accepted = alert.runModal() == kAlertFirstButton;
    guard.ended(g_get_monotonic_time());
    if (blockOthers != nullptr && gtk_check_button_get_active(GTK_CHECK_BUTTON(blockOthers))) {
        guard.block();
    }
    if (type == WEBKIT_SCRIPT_DIALOG_CONFIRM) {
        webkit_script_dialog_confirm_set_confirmed(dialog, accepted);
    }
    if (type == WEBKIT_SCRIPT_DIALOG_PROMPT && accepted) {
        webkit_script_dialog_prompt_set_text(dialog, gtk_editable_get_text(GTK_EDITABLE(answer)));
    }
    return TRUE;
}

}  // namespace delvaronte
