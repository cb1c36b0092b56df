// Page loads, for the main view and every pop-up: where navigations go (in the view, to the
// system, nowhere), responses saved as downloads, failed loads, and our own pages in place of
// one that failed or whose web process ended.
#include <algorithm>

#include "base/GObjectPtr.h"
#include "base/UriParts.h"
#include "config/Certificates.h"
#include "shell/AppDelegate.h"
#include "shell/ViewRecord.h"
#include "shell/WebViews.h"
#include "shell/rules/ErrorPage.h"
#include "shell/rules/NavigationPolicy.h"
#include "shell/rules/RetrySchedule.h"

namespace delvaronte {

namespace {

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
    connectSignal(view, "authenticate", &AppDelegate::authenticateCb, this);
    connectSignal(view, "permission-request", &AppDelegate::permissionRequestCb, this);
    connectSignal(view, "show-notification", &AppDelegate::showNotificationCb, this);
    connectSignal(view, "run-file-chooser", &AppDelegate::runFileChooserCb, this);
    connectSignal(view, "notify::is-web-process-responsive", &AppDelegate::responsivenessCb, this);
    connectSignal(view, "submit-form", &AppDelegate::submitFormCb, this);
}

// Gives the address to the system when the user asked for it, at most once a second per view.
void AppDelegate::handOff(WebKitWebView* view, const std::string& uri, bool userGesture) {
    ViewRecord& record = recordOf(view);
    const gint64 now = g_get_monotonic_time();
    if (!mayHandOff(userGesture, record.lastHandOff, now)) return;
    record.lastHandOff = now;
    if (isSystemHandledScheme(uri)) seams_.open(uri);
}

bool AppDelegate::mayLoad(WebKitWebView* view, WebKitNavigationAction* action) {
    const char* uri = webkit_uri_request_get_uri(webkit_navigation_action_get_request(action));
    const std::string requested = uri != nullptr ? uri : "";
    const NavigationVerdict verdict = decideNavigation(appUrl_, requested, kindOf(action));
    if (verdict == NavigationVerdict::OpenWithSystemCancel) {
        handOff(view, requested, webkit_navigation_action_is_user_gesture(action));
    }
    return verdict == NavigationVerdict::Allow;
}

gboolean AppDelegate::decidePolicyCb(WebKitWebView* view, WebKitPolicyDecision* decision,
                                     WebKitPolicyDecisionType type, AppDelegate* self) {
    if (type == WEBKIT_POLICY_DECISION_TYPE_RESPONSE) {
        if (!isDownload(WEBKIT_RESPONSE_POLICY_DECISION(decision))) return FALSE;
        webkit_policy_decision_download(decision);
        // A pop-up opened only to fetch a file would stay empty: it is hidden now and goes
        // when the download ends (closing it sooner would cancel the download).
        ViewRecord& record = recordOf(view);
        if (view != self->webView_ && !record.committedOnce) {
            if (GtkWindow* popup = windowOf(view)) {
                record.downloadOnly = true;
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
    // Reloading the error page of a failed form would ask its address with a GET; going back
    // from it would skip the form's page, which that page replaced in the history.
    const NavigationKind kind = kindOf(action);
    if (type == WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION &&
        (kind == NavigationKind::Reload || kind == NavigationKind::BackForward) &&
        self->bringFormBack(view)) {
        webkit_policy_decision_ignore(decision);
        return TRUE;
    }
    if (self->mayLoad(view, action)) {
        // A link the user followed: the page's dialogs are its own again. What the page does by
        // itself (a reload in a loop of alerts) goes on counting.
        if (type == WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION) {
            recordOf(view).formSent = kindOf(action) == NavigationKind::FormSubmitted;
            if (webkit_navigation_action_is_user_gesture(action)) self->userNavigates(view);
        }
        webkit_policy_decision_use(decision);
    } else {
        webkit_policy_decision_ignore(decision);
    }
    return TRUE;
}

void AppDelegate::loadChangedCb(WebKitWebView* view, WebKitLoadEvent event, AppDelegate* self) {
    if (event == WEBKIT_LOAD_COMMITTED) {
        ViewRecord& record = recordOf(view);
        // A page of its own arrived (not our error page): no retry is waiting any more.
        if (!record.placeholderPending) {
            self->cancelRetry(view);
            self->formPageCommitted(view);
        }
        record.placeholderPending = false;
        record.committedOnce = true;
        if (view == self->webView_) self->stopHomeTimer();
    }
    if (event == WEBKIT_LOAD_FINISHED) {
        self->formPageLoaded(view);
        self->splash_->fadeOut();
    }
}

gboolean AppDelegate::loadFailedCb(WebKitWebView* view, WebKitLoadEvent, const char* failedUri,
                                   GError* error, AppDelegate* self) {
    if (isNoFailure(error)) return TRUE;
    if (retriesByItself(classifyLoadFailure(error->domain, error->code), recordOf(view).formSent)) {
        self->failedUnreachable(view, failedUri);
        return TRUE;
    }
    self->cancelRetry(view);
    ViewRecord& record = recordOf(view);
    record.sentForm.failed = record.formSent && !record.sentForm.page.empty();
    self->showErrorPage(view, failedUri);
    return TRUE;
}

// A certificate the system does not trust brings the error page, but for the home host when
// it verifies against the one the administrator pinned (the server's own, or the company
// authority's): then it is let through for that host, once, and the page asked for again.
gboolean AppDelegate::loadFailedWithTlsErrorsCb(WebKitWebView* view, const char* failedUri,
                                                GTlsCertificate* certificate, GTlsCertificateFlags,
                                                AppDelegate* self) {
    const std::string host = uriHost(failedUri != nullptr ? failedUri : "");
    const bool seen = std::any_of(
        self->allowedCertificates_.begin(), self->allowedCertificates_.end(),
        [&](const auto& allowed) { return g_tls_certificate_is_same(allowed.get(), certificate); });
    if (!seen && host == uriHost(self->appUrl_) &&
        trustedUnder(certificate, self->trustedCertificate_.get(), host)) {
        self->allowedCertificates_.push_back(GRef<GTlsCertificate>::retain(certificate));
        webkit_network_session_allow_tls_certificate_for_host(sharedNetworkSession(), certificate,
                                                              host.c_str());
        webkit_web_view_load_uri(view, failedUri);
        return TRUE;
    }
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
    ViewRecord& record = recordOf(view);
    if (!record.placeholderPending) {
        record.placeholderPending = true;
        webkit_web_view_load_html(view, html, uri);
    }
    splash_->fadeOut();
}

}  // namespace delvaronte
