#include "shell/SignInKeeper.h"

#include <utility>

#include "base/GObjectPtr.h"
#include "shell/Keyring.h"
#include "shell/rules/FormFields.h"

namespace delvaronte {

SignInKeeper::SignInKeeper(WebKitWebView* view, PagePlace place, const Site& site)
    : view_(view), place_(place), site_(site) {}

void SignInKeeper::sent(const std::string& reading) {
    if (auto signIn = sentSignIn(reading)) watch_.sent(std::move(*signIn));
}

void SignInKeeper::navigating(NavigationKind kind, const std::string& to) {
    watch_.navigating(kind, reads(to));
}

void SignInKeeper::committed(const std::string& uri) {
    ++loads_;
    watch_.committed();
    if (signInOrigin(uri) != offeredOrigin_) bar_.hide();
}

// Only a page of the home origin gets this far: the sign-in an earlier version kept for the
// home host is its own.
void SignInKeeper::loaded(const std::string& uri) {
    if (!reads(uri)) return;
    const std::string origin = signInOrigin(uri);
    if (const std::optional<SentSignIn> sent = watch_.loaded()) {
        findForm([this, sent = *sent, origin](const SignInForm* form) {
            // The same form again: the sign-in was refused.
            if (form == nullptr || form->field != sent.field) offer(sent, origin);
        });
        return;
    }
    findForm([this, origin](const SignInForm* form) {
        if (form == nullptr) return;
        findSignIns(
            origin,
            [this, alive = std::weak_ptr<bool>(alive_), load = loads_, typed = form->typed,
             origin](std::optional<KeptSignIns> kept) {
                if (alive.expired() || load != loads_ || !kept) return;
                if (const std::optional<SignIn> signIn = signInToFill(*kept, typed)) {
                    fill(*signIn, origin);
                }
            },
            formerSignInOrigin(origin));
    });
}

void SignInKeeper::findForm(std::function<void(const SignInForm*)> found) {
    struct Finding {
        std::weak_ptr<bool> alive;
        SignInKeeper* keeper;
        unsigned load;
        std::function<void(const SignInForm*)> found;
    };
    webkit_web_view_call_async_javascript_function(
        view_, findSignInScript().c_str(), -1, nullptr, kFormWorld, nullptr, nullptr,
        +[](GObject* source, GAsyncResult* result, gpointer data) {
            const std::unique_ptr<Finding> finding(static_cast<Finding*>(data));
            const auto value =
                GRef<JSCValue>::adopt(webkit_web_view_call_async_javascript_function_finish(
                    WEBKIT_WEB_VIEW(source), result, nullptr));
            if (finding->alive.expired() || finding->load != finding->keeper->loads_) return;
            std::optional<SignInForm> form;
            if (value && jsc_value_is_string(value.get())) {
                form = signInForm(GText(jsc_value_to_string(value.get())).get());
            }
            finding->found(form ? &*form : nullptr);
        },
        new Finding{alive_, this, loads_, std::move(found)});
}

void SignInKeeper::offer(const SentSignIn& sent, const std::string& origin) {
    findSignIns(origin, [this, alive = std::weak_ptr<bool>(alive_), signIn = sent.signIn,
                         origin](std::optional<KeptSignIns> kept) {
        // No keyring answered: nothing could be kept, nothing is offered.
        if (alive.expired() || !kept) return;
        const SignInOffer what = offerFor(signIn, *kept);
        if (what == SignInOffer::None) return;
        offeredOrigin_ = origin;
        bar_.offer(signIn.user, what == SignInOffer::Update,
                   [origin, signIn](SignInBar::Answer answer) {
                       if (answer == SignInBar::Answer::Keep) keepSignIn(origin, signIn);
                       if (answer == SignInBar::Answer::Never) neverKeepSignIns(origin);
                   });
    });
}

void SignInKeeper::fill(const SignIn& signIn, const std::string& origin) {
    GVariantDict arguments;
    g_variant_dict_init(&arguments, nullptr);
    g_variant_dict_insert(&arguments, "user", "s", signIn.user.c_str());
    g_variant_dict_insert(&arguments, "password", "s", signIn.password.c_str());
    g_variant_dict_insert(&arguments, "origin", "s", origin.c_str());
    webkit_web_view_call_async_javascript_function(view_, fillSignInScript().c_str(), -1,
                                                   g_variant_dict_end(&arguments), kFormWorld,
                                                   nullptr, nullptr, nullptr, nullptr);
}

}  // namespace delvaronte
