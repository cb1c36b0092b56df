// What a page asks beyond showing itself: its dialogs, a server's sign-in, permissions and
// notifications, files, printing; and our question when it is stuck in a script.
#include "shell/Page.h"
#include "shell/PageDialogs.h"
#include "shell/rules/PageLimits.h"
#include "shell/rules/PagePermissions.h"
#include "ui/ModalAlert.h"

namespace delvaronte {

namespace {

PermissionKind kindOf(WebKitPermissionRequest* request) {
    if (WEBKIT_IS_NOTIFICATION_PERMISSION_REQUEST(request)) return PermissionKind::Notifications;
    if (WEBKIT_IS_GEOLOCATION_PERMISSION_REQUEST(request)) return PermissionKind::Location;
    if (WEBKIT_IS_USER_MEDIA_PERMISSION_REQUEST(request)) {
        return webkit_user_media_permission_is_for_display_device(
                   WEBKIT_USER_MEDIA_PERMISSION_REQUEST(request))
                   ? PermissionKind::Screen
                   : PermissionKind::CameraOrMicrophone;
    }
    if (WEBKIT_IS_CLIPBOARD_PERMISSION_REQUEST(request)) return PermissionKind::ClipboardReading;
    if (WEBKIT_IS_DEVICE_INFO_PERMISSION_REQUEST(request)) return PermissionKind::DeviceList;
    if (WEBKIT_IS_POINTER_LOCK_PERMISSION_REQUEST(request)) return PermissionKind::PointerLock;
    if (WEBKIT_IS_MEDIA_KEY_SYSTEM_PERMISSION_REQUEST(request)) return PermissionKind::MediaKeys;
    if (WEBKIT_IS_WEBSITE_DATA_ACCESS_PERMISSION_REQUEST(request)) {
        return PermissionKind::StorageAccess;
    }
    return PermissionKind::Unknown;
}

// Where a server's request for a sign-in or a certificate goes, as an address of its origin.
std::string requestOrigin(WebKitAuthenticationRequest* request) {
    WebKitSecurityOrigin* origin = webkit_authentication_request_get_security_origin(request);
    if (origin == nullptr) return {};
    const GText text(webkit_security_origin_to_string(origin));
    webkit_security_origin_unref(origin);
    return text ? std::string(text.get()) + "/" : std::string();
}

}  // namespace

// The page at the top of its window, as the trust rule sees it.
Asker Page::asker() const {
    return site_.rules().trust().page(uri(), place_);
}

bool Page::pauseTimeLimit() {
    if (!timeLimit_.running()) return false;
    timeLimit_.stop();
    return true;
}

void Page::resumeTimeLimit(bool paused) {
    if (paused) startTimeLimit(timedUri_);
}

gboolean Page::scriptDialogCb(WebKitWebView*, WebKitScriptDialog* dialog, Page* self) {
    // The page outlives the dialog's own loop, even should its window go meanwhile.
    const auto kept = self->shared_from_this();
    if (webkit_script_dialog_get_dialog_type(dialog) !=
        WEBKIT_SCRIPT_DIALOG_BEFORE_UNLOAD_CONFIRM) {
        return runScriptDialog(dialog, self->dialogs_, self->window());
    }
    // The main page's time limit waits for the answer: it must not bring the error page over
    // the page while the user thinks, nor after they chose to stay on it.
    const bool paused = self->pauseTimeLimit();
    // A page whose dialogs were blocked lets the user go without asking.
    const bool leave = self->dialogs_.blocked() || askToLeavePage(self->window());
    webkit_script_dialog_confirm_set_confirmed(dialog, leave);
    if (leave) self->resumeTimeLimit(paused);
    self->host_.pageAnswered(*self, leave);
    return TRUE;
}

gboolean Page::printCb(WebKitWebView*, WebKitPrintOperation* operation, Page* self) {
    self->site_.zoomAndPrint().print(operation, self->window());
    return TRUE;
}

gboolean Page::authenticateCb(WebKitWebView*, WebKitAuthenticationRequest* request, Page* self) {
    const auto kept = self->shared_from_this();
    const auto held = GRef<WebKitAuthenticationRequest>::retain(request);
    const char* named = webkit_authentication_request_get_host(request);
    const std::string host = named != nullptr ? named : "";
    const bool proxy = webkit_authentication_request_is_for_proxy(request);
    const Asker asker =
        self->site_.rules().trust().request(self->uri(), requestOrigin(request), self->place_);
    switch (webkit_authentication_request_get_scheme(request)) {
        case WEBKIT_AUTHENTICATION_SCHEME_CLIENT_CERTIFICATE_REQUESTED:
            self->site_.certificates().answerClientCertificate(request, asker);
            return TRUE;
        case WEBKIT_AUTHENTICATION_SCHEME_CLIENT_CERTIFICATE_PIN_REQUESTED:
        case WEBKIT_AUTHENTICATION_SCHEME_SERVER_TRUST_EVALUATION_REQUESTED:
            webkit_authentication_request_cancel(request);
            return TRUE;
        default:
            break;
    }
    if (proxy) {
        self->answerProxy(request, host);
        return TRUE;
    }
    // Going on without a credential shows the server's own answer (its 401 page); cancelling
    // would leave the page before it in place, as if nothing was asked. Only the home origin's
    // own requests may ask the user; a page that keeps asking is stopped.
    if (!self->site_.rules().allows(PageFeature::SignInPrompt, asker) || !self->signIns_.mayAsk()) {
        webkit_authentication_request_authenticate(request, nullptr);
        return TRUE;
    }
    // The main page's time limit waits for the user, as for the leave question.
    const bool paused = self->pauseTimeLimit();
    WebKitCredential* credential =
        askSignIn(request, self->window(), self->site_.office().isOn("remember-sign-in"));
    self->resumeTimeLimit(paused);
    self->signIns_.answered(credential == nullptr);
    webkit_authentication_request_authenticate(request, credential);
    if (credential != nullptr) webkit_credential_free(credential);
    return TRUE;
}

// A proxy that asks first gets the user and password of the session's proxy address; one that
// refuses them gets our dialog, for the home origin's own document only: a frame or a later
// request of a page cannot raise it, whatever realm it names (what the user typed the engine
// keeps for that proxy and realm, for the session). The engine's network layer keeps one
// sign-in for the proxy, which going on without a credential would cancel for the rest of the
// session. A refused request is answered instead with the address's (or a name no proxy
// takes): the network layer gives up on that one request after a few tries, and the proxy's
// sign-in is there for the next.
void Page::answerProxy(WebKitAuthenticationRequest* request, const std::string& host) {
    const ProxyChoice::Credentials* given = site_.proxies().credentials(host);
    WebKitCredential* credential = nullptr;
    if (given == nullptr || webkit_authentication_request_is_retry(request)) {
        if (documentAsked_ && site_.rules().allows(PageFeature::SignInPrompt, asker()) &&
            signIns_.mayAsk()) {
            const bool paused = pauseTimeLimit();
            credential = askSignIn(request, window(), site_.office().isOn("remember-sign-in"));
            resumeTimeLimit(paused);
            signIns_.answered(credential == nullptr);
        }
        documentAsked_ = documentAsked_ && credential != nullptr;  // asked once a load
    }
    if (credential == nullptr) {
        credential = given != nullptr
                         ? webkit_credential_new(given->user.c_str(), given->password.c_str(),
                                                 WEBKIT_CREDENTIAL_PERSISTENCE_FOR_SESSION)
                         : webkit_credential_new("-", "-", WEBKIT_CREDENTIAL_PERSISTENCE_NONE);
    }
    webkit_authentication_request_authenticate(request, credential);
    webkit_credential_free(credential);
}

gboolean Page::permissionRequestCb(WebKitWebView*, WebKitPermissionRequest* request, Page* self) {
    const std::optional<PageFeature> feature = permissionFeature(kindOf(request));
    if (feature && self->site_.rules().allows(*feature, self->asker())) {
        webkit_permission_request_allow(request);
    } else {
        webkit_permission_request_deny(request);
    }
    return TRUE;
}

gboolean Page::showNotificationCb(WebKitWebView*, WebKitNotification* notification, Page* self) {
    if (self->site_.rules().allows(PageFeature::Notifications, self->asker())) {
        self->site_.notifications().show(self->view(), notification);
    }
    return TRUE;  // never shown otherwise
}

gboolean Page::runFileChooserCb(WebKitWebView*, WebKitFileChooserRequest* request, Page* self) {
    chooseFiles(request, self->window());
    return TRUE;
}

// A page stuck in a script (while (true) {}): once the engine has found its process not
// answering, and a while after that, our alert offers to wait or to stop the page; stopping
// ends the page's web process, which brings the stopped page and its "Recharger". The alert
// goes by itself when the page recovers.
void Page::responsivenessCb(WebKitWebView*, GParamSpec*, Page* self) {
    if (!webkit_web_view_get_is_web_process_responsive(self->view())) {
        self->watchStuckPage();
        return;
    }
    self->stuckTimer_.stop();
    if (self->stuckAlert_ != nullptr && self->stuckAlert_->window() != nullptr) {
        gtk_window_close(self->stuckAlert_->window());  // recovered: the question no longer stands
    }
}

void Page::watchStuckPage() {
    if (stuckTimer_.running() || stuckAlert_ != nullptr) return;
    stuckTimer_.start(kStuckPageWaitSeconds * 1000, [this] { askAboutStuckPage(); });
}

void Page::askAboutStuckPage() {
    if (webkit_web_view_get_is_web_process_responsive(view())) return;
    const auto kept = shared_from_this();
    if (askToStopPage(window(), stuckAlert_)) {
        webkit_web_view_terminate_web_process(view());
    } else if (!webkit_web_view_get_is_web_process_responsive(view())) {
        watchStuckPage();  // still stuck: asked again in a while
    }
}

}  // namespace delvaronte
