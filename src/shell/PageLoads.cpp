// A page's loads: where its navigations go (in the view, to the system, nowhere), responses
// saved as downloads, failed loads and our own pages in their place, and the form it sent.
#include <optional>
#include <utility>

#include "base/UriParts.h"
#include "shell/Page.h"
#include "shell/WebViews.h"
#include "shell/rules/ErrorPage.h"
#include "shell/rules/NavigationPolicy.h"

namespace delvaronte {

namespace {

// The text at name of a script's object; empty when there is none.
std::string textOf(JSCValue* object, const char* name) {
    if (object == nullptr || !jsc_value_is_object(object)) return "";
    const auto value = GRef<JSCValue>::adopt(jsc_value_object_get_property(object, name));
    return value && jsc_value_is_string(value.get())
               ? std::string(GText(jsc_value_to_string(value.get())).get())
               : std::string();
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

}  // namespace

bool Page::mayLoad(WebKitNavigationAction* action) {
    const char* uri = webkit_uri_request_get_uri(webkit_navigation_action_get_request(action));
    const std::string requested = uri != nullptr ? uri : "";
    const NavigationVerdict verdict = decideNavigation(site_.rules().trust().home(), requested,
                                                       kindOf(action), site_.office().keptHosts());
    if (verdict == NavigationVerdict::OpenWithSystemCancel) {
        handOff(requested, webkit_navigation_action_is_user_gesture(action));
    }
    return verdict == NavigationVerdict::Allow;
}

bool Page::handledAsDownload(WebKitPolicyDecision* decision) {
    if (!isDownload(WEBKIT_RESPONSE_POLICY_DECISION(decision))) return false;
    webkit_policy_decision_download(decision);
    // A pop-up opened only to fetch a file would stay empty: it is hidden now and goes when
    // the download ends (closing it sooner would cancel the download).
    if (place_ == PagePlace::PopUp && !committedOnce_) {
        downloadOnly_ = true;
        gtk_widget_set_visible(GTK_WIDGET(window()), FALSE);
    }
    return true;
}

gboolean Page::decidePolicyCb(WebKitWebView*, WebKitPolicyDecision* decision,
                              WebKitPolicyDecisionType type, Page* self) {
    if (type == WEBKIT_POLICY_DECISION_TYPE_RESPONSE) return self->handledAsDownload(decision);
    if (type != WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION &&
        type != WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION) {
        return FALSE;
    }
    WebKitNavigationAction* action = webkit_navigation_policy_decision_get_navigation_action(
        WEBKIT_NAVIGATION_POLICY_DECISION(decision));
    // Reloading the error page of a failed form would ask its address with a GET; going back
    // from it would skip the form's page, which that page replaced in the history.
    const NavigationKind kind = kindOf(action);
    const bool ownNavigation = type == WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION;
    if (ownNavigation && (kind == NavigationKind::Reload || kind == NavigationKind::BackForward) &&
        self->bringFormBack()) {
        webkit_policy_decision_ignore(decision);
        return TRUE;
    }
    if (!self->mayLoad(action)) {
        webkit_policy_decision_ignore(decision);
        return TRUE;
    }
    if (ownNavigation) {
        self->form_.navigating(kind == NavigationKind::FormSubmitted);
        self->signIn_.navigating(
            kind, webkit_uri_request_get_uri(webkit_navigation_action_get_request(action)));
        // A link the user followed: the page's dialogs are its own again. What the page does
        // by itself (a reload in a loop of alerts) goes on counting.
        if (webkit_navigation_action_is_user_gesture(action)) self->userNavigates();
    }
    webkit_policy_decision_use(decision);
    return TRUE;
}

void Page::loadChangedCb(WebKitWebView*, WebKitLoadEvent event, Page* self) {
    self->documentAsked_ = event == WEBKIT_LOAD_STARTED || event == WEBKIT_LOAD_REDIRECTED;
    if (event == WEBKIT_LOAD_COMMITTED) {
        self->input_.pageChanged();
        // A page of its own arrived (not our error page): no retry is waiting any more.
        if (!self->placeholderPending_) {
            self->stopRetries();
            self->form_.committed();
            self->typed_.committed(self->uri());
            self->signIn_.committed(self->uri());
            // Each host at the zoom the user last chose for it; a pop-up keeps its opener's.
            if (self->place_ == PagePlace::MainWindow) {
                webkit_web_view_set_zoom_level(self->view(),
                                               self->site_.zoomAndPrint().zoomFor(self->uri()));
            }
            // What the page's typing is sent with, in the program's world of that page.
            const std::string mark = "window.delvaronteView = " +
                                     std::to_string(webkit_web_view_get_page_id(self->view())) +
                                     ";";
            webkit_web_view_evaluate_javascript(self->view(), mark.c_str(), -1, kFormWorld, nullptr,
                                                nullptr, nullptr, nullptr);
        }
        self->showsPlaceholder_ = std::exchange(self->placeholderPending_, false);
        self->committedOnce_ = true;
        self->timeLimit_.stop();
    }
    if (event == WEBKIT_LOAD_FINISHED && !self->showsPlaceholder_) {
        // The form whose send failed, or the page whose process ended, as it was typed.
        const std::string at = self->uri();
        if (const std::optional<std::string> fields = self->form_.loaded(at)) {
            self->fillFields(*fields);
        } else if (const std::optional<std::string> typed = self->typed_.loaded(at)) {
            self->fillFields(*typed);
        }
        self->signIn_.loaded(at);
    }
    if (event == WEBKIT_LOAD_FINISHED) {
        // A retry that came due while another load ran (our error page's own) goes now.
        self->retryIfDue();
        self->host_.pageShown(*self);
    }
}

gboolean Page::loadFailedCb(WebKitWebView*, WebKitLoadEvent, const char* failedUri, GError* error,
                            Page* self) {
    self->documentAsked_ = false;
    if (isNoFailure(error)) return TRUE;
    self->site_.support().loadFailed(failedUri != nullptr ? failedUri : "", error);
    if (retriesByItself(classifyLoadFailure(error->domain, error->code), self->form_.sending())) {
        self->failedUnreachable(failedUri != nullptr ? failedUri : "");
        return TRUE;
    }
    self->stopRetries();
    self->form_.loadFailed();
    self->signIn_.failed();
    self->showErrorPage(failedUri);
    return TRUE;
}

// A certificate the system does not trust brings the error page, unless the site lets it
// through under the one the administrator pinned: then the page is asked for again.
gboolean Page::loadFailedWithTlsErrorsCb(WebKitWebView*, const char* failedUri,
                                         GTlsCertificate* certificate, GTlsCertificateFlags,
                                         Page* self) {
    const std::string failed = failedUri != nullptr ? failedUri : "";
    if (self->site_.certificates().letThrough(certificate, failed, self->place_)) {
        webkit_web_view_load_uri(self->view(), failedUri);
    } else {
        self->showErrorPage(failedUri);
    }
    return TRUE;
}

// The page goes in the view whose load failed, with the failed address as its own, so that
// its "Reessayer" (the page's reload) asks for that address again. (Loaded as alternate
// content instead, the page's reload lands on about:blank.)
void Page::showErrorPage(const char* failedUri) {
    timeLimit_.stop();
    showPlaceholder(kConnectionErrorPage, failedUri);
}

// The engine's process behind the view ended (killed for memory, or a fault): the view would
// keep its last picture, frozen. It gets a page that brings the address back.
void Page::webProcessTerminatedCb(WebKitWebView*, WebKitWebProcessTerminationReason reason,
                                  Page* self) {
    self->site_.support().processEnded(reason);
    self->input_.pageChanged();
    self->timeLimit_.stop();
    self->typed_.processEnded();
    self->showPlaceholder(self->typed_.waiting() ? kPageStoppedKeepingTypingPage : kPageStoppedPage,
                          webkit_web_view_get_uri(self->view()));
}

void Page::typedCb(WebKitUserContentManager*, JSCValue* message, Page* self) {
    const auto text = [message](const char* name) { return textOf(message, name); };
    // Only for the page this view shows: another view's, or one being left, count for nothing.
    const std::string page = text("page");
    if (text("view") != std::to_string(webkit_web_view_get_page_id(self->view())) || page.empty() ||
        page != self->uri()) {
        return;
    }
    self->typed_.typed(page, text("fields"));
}

void Page::showPlaceholder(const char* html, const char* uri) {
    // Should the placeholder itself fail, it is not asked for again: no loop.
    if (!placeholderPending_) {
        placeholderPending_ = true;
        webkit_web_view_load_html(view(), html, uri);
    }
    host_.pageShown(*this);
}

// The form goes once what was typed in its page is read (the engine sends it when the request
// is let go): its fields, and the application's sign-in where it may be kept.
gboolean Page::submitFormCb(WebKitWebView*, WebKitFormSubmissionRequest* request, Page* self) {
    const std::string at = self->uri();
    const bool typing = self->site_.rules().allows(PageFeature::KeptTyping, self->asker());
    const bool signIn = self->signIn_.reads(at);
    if (!typing && !signIn) return FALSE;
    struct Reading {
        std::weak_ptr<Page> page;
        GRef<WebKitFormSubmissionRequest> request;
        std::string at;
    };
    GVariantDict arguments;
    g_variant_dict_init(&arguments, nullptr);
    // The engine takes no boolean arguments: an empty text is false.
    g_variant_dict_insert(&arguments, "typing", "s", typing ? "1" : "");
    g_variant_dict_insert(&arguments, "signIn", "s", signIn ? "1" : "");
    webkit_web_view_call_async_javascript_function(
        self->view(), sendingFormScript().c_str(), -1, g_variant_dict_end(&arguments), kFormWorld,
        nullptr, nullptr,
        +[](GObject* source, GAsyncResult* result, gpointer data) {
            std::unique_ptr<Reading> reading(static_cast<Reading*>(data));
            const auto value =
                GRef<JSCValue>::adopt(webkit_web_view_call_async_javascript_function_finish(
                    WEBKIT_WEB_VIEW(source), result, nullptr));
            const auto text = [&value](const char* name) { return textOf(value.get(), name); };
            if (const auto page = reading->page.lock()) {
                const std::string fields = text("fields");
                page->form_.kept(fields.empty() ? "" : reading->at, fields);
                page->signIn_.sent(text("signIn"));
            }
            webkit_form_submission_request_submit(reading->request.get());
        },
        new Reading{self->weak_from_this(), GRef<WebKitFormSubmissionRequest>::retain(request),
                    at});
    return TRUE;
}

// "Reessayer", "Actualiser" or "Retour" on the error page of a form that failed: the form's
// page, to be filled again once loaded. True when the navigation was taken over.
bool Page::bringFormBack() {
    const std::optional<std::string> page = form_.bringBack();
    if (page) webkit_web_view_load_uri(view(), page->c_str());
    return page.has_value();
}

void Page::fillFields(const std::string& fields) {
    GVariantDict arguments;
    g_variant_dict_init(&arguments, nullptr);
    g_variant_dict_insert(&arguments, "fields", "s", fields.c_str());
    g_variant_dict_insert(&arguments, "origin", "s", uriOrigin(uri()).c_str());
    webkit_web_view_call_async_javascript_function(view(), fillFieldsScript().c_str(), -1,
                                                   g_variant_dict_end(&arguments), kFormWorld,
                                                   nullptr, nullptr, nullptr, nullptr);
}

}  // namespace delvaronte
