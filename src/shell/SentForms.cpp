// A form whose send failed is not sent as something else: what the user typed is read from
// the page as the form goes, and when the send fails, "Reessayer" and "Actualiser" bring the
// form's page back with it filled in again, ready to be sent, instead of asking the form's
// address with a GET the server would take for something else.
#include "base/GObjectPtr.h"
#include "shell/AppDelegate.h"
#include "shell/ViewRecord.h"

namespace delvaronte {

namespace {

// Our own script world: the page's scripts cannot change what these see or call.
constexpr char kWorld[] = "delvaronte-forms";
// What could be typed, by form and place in it; never a password, a file or a hidden field
// (the page sends fresh ones of these).
constexpr char kReadFields[] = R"(
const skipped = ['hidden', 'password', 'file', 'submit', 'button', 'reset', 'image'];
const kept = [];
Array.from(document.forms).forEach((form, f) => Array.from(form.elements).forEach((el, e) => {
    const type = String(el.type || '').toLowerCase();
    if (!('value' in el) || el.tagName === 'BUTTON' || el.tagName === 'OUTPUT' ||
        skipped.includes(type)) return;
    const value = type === 'checkbox' || type === 'radio' ? el.checked
        : el.tagName === 'SELECT' ? Array.from(el.options).map(o => o.selected) : el.value;
    kept.push([f, e, el.name, type, value]);
}));
return JSON.stringify(kept);)";
// Fills the same fields again, where the page still has them, as the user's typing would.
constexpr char kFillFields[] = R"(
for (const [f, e, name, type, value] of JSON.parse(fields)) {
    const el = document.forms[f]?.elements[e];
    if (!el || el.name !== name || String(el.type || '').toLowerCase() !== type) continue;
    if (typeof value === 'boolean') el.checked = value;
    else if (Array.isArray(value)) Array.from(el.options).forEach((o, i) => o.selected = !!value[i]);
    else el.value = value;
    el.dispatchEvent(new Event('input', {bubbles: true}));
    el.dispatchEvent(new Event('change', {bubbles: true}));
}
return true;)";
// More than an entry form holds: not kept.
constexpr gsize kMaxTyped = 1 << 20;

}  // namespace

// The form goes once its fields are read (the engine sends it when the request is let go).
gboolean AppDelegate::submitFormCb(WebKitWebView* view, WebKitFormSubmissionRequest* request,
                                   AppDelegate*) {
    struct Reading {
        GRef<WebKitWebView> view;
        GRef<WebKitFormSubmissionRequest> request;
        std::string page;
    };
    const char* page = webkit_web_view_get_uri(view);
    auto* reading = new Reading{GRef<WebKitWebView>::retain(view),
                                GRef<WebKitFormSubmissionRequest>::retain(request),
                                page != nullptr ? page : ""};
    webkit_web_view_call_async_javascript_function(
        view, kReadFields, -1, nullptr, kWorld, nullptr, nullptr,
        +[](GObject* source, GAsyncResult* result, gpointer data) {
            std::unique_ptr<Reading> reading(static_cast<Reading*>(data));
            const auto value =
                GRef<JSCValue>::adopt(webkit_web_view_call_async_javascript_function_finish(
                    WEBKIT_WEB_VIEW(source), result, nullptr));
            ViewRecord::SentForm& sent = recordOf(reading->view.get()).sentForm;
            sent = {};
            if (value && jsc_value_is_string(value.get())) {
                GText fields(jsc_value_to_string(value.get()));
                if (strlen(fields.get()) <= kMaxTyped) sent = {reading->page, fields.get()};
            }
            webkit_form_submission_request_submit(reading->request.get());
        },
        reading);
    return TRUE;
}

// "Reessayer", "Actualiser" or "Retour" on the error page of a form that failed: the form's
// page, to be filled again once loaded. True when the navigation was taken over.
bool AppDelegate::bringFormBack(WebKitWebView* view) {
    ViewRecord::SentForm& sent = recordOf(view).sentForm;
    if (!sent.failed || sent.page.empty()) return false;
    sent.refill = true;
    webkit_web_view_load_uri(view, sent.page.c_str());
    return true;
}

// A page of its own has committed in the view: the form kept for it, if any, stays only when
// this is its page coming back.
void AppDelegate::formPageCommitted(WebKitWebView* view) {
    ViewRecord::SentForm& sent = recordOf(view).sentForm;
    if (sent.refill) {
        sent.failed = false;
    } else {
        sent = {};
    }
}

void AppDelegate::formPageLoaded(WebKitWebView* view) {
    ViewRecord::SentForm& sent = recordOf(view).sentForm;
    if (!sent.refill || sent.failed) return;
    const char* at = webkit_web_view_get_uri(view);
    if (at != nullptr && sent.page == at) {
        GVariantDict arguments;
        g_variant_dict_init(&arguments, nullptr);
        g_variant_dict_insert(&arguments, "fields", "s", sent.fields.c_str());
        webkit_web_view_call_async_javascript_function(view, kFillFields, -1,
                                                       g_variant_dict_end(&arguments), kWorld,
                                                       nullptr, nullptr, nullptr, nullptr);
    }
    sent = {};
}

}  // namespace delvaronte
