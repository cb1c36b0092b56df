// A page's part in keeping the application's sign-in: it reads the sign-in as the page's form
// goes, offers to keep it in the keyring once the page after it has loaded (unless that is the
// form again), and fills the form in from the keyring when it comes back. Only where the home's
// rules let the page's sign-in be kept.
#pragma once

#include <webkit/webkit.h>

#include <functional>
#include <memory>
#include <string>

#include "shell/SignInBar.h"
#include "shell/Site.h"
#include "shell/rules/SavedSignIn.h"

namespace delvaronte {

class SignInKeeper {
public:
    SignInKeeper(WebKitWebView* view, PagePlace place, const Site& site);

    GtkWidget* bar() const { return bar_.widget(); }
    // Whether the sign-in of the page at uri is read as its form goes.
    bool reads(const std::string& uri) const {
        return site_.rules().allows(PageFeature::SavedSignIn,
                                    site_.rules().trust().page(uri, place_));
    }
    // A form of the page goes: reading is the reading script's answer.
    void sent(const std::string& reading);
    // A navigation of the page, to that address, was decided.
    void navigating(NavigationKind kind, const std::string& to);
    void committed(const std::string& uri);
    void failed() { watch_.failed(); }
    // A page of its own finished loading at uri.
    void loaded(const std::string& uri);

private:
    // Runs the finding script on the page, then found with its sign-in form (null when it has
    // none), unless the page was left meanwhile.
    void findForm(std::function<void(const SignInForm*)> found);
    void offer(const SentSignIn& sent, const std::string& origin);
    // Fills the page's form with signIn, if the page is still of origin.
    void fill(const SignIn& signIn, const std::string& origin);

    WebKitWebView* view_;
    const PagePlace place_;
    const Site& site_;
    SignInBar bar_;
    SignInWatch watch_;
    std::string offeredOrigin_;  // of the offer the bar shows
    unsigned loads_ = 0;         // answers for a page since left count for nothing
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace delvaronte
