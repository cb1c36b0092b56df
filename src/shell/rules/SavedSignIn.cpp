#include "shell/rules/SavedSignIn.h"

#include <algorithm>
#include <nlohmann/json.hpp>

#include "base/UriParts.h"

namespace delvaronte {

namespace {

// A script's answer as a JSON object; nothing when it is not one.
std::optional<nlohmann::json> objectOf(std::string_view json) {
    auto parsed = nlohmann::json::parse(json, nullptr, false);
    if (!parsed.is_object()) return std::nullopt;
    return parsed;
}

// The text at key; empty when there is none.
std::string textAt(const nlohmann::json& object, const char* key) {
    const auto found = object.find(key);
    return found != object.end() && found->is_string() ? found->get<std::string>() : "";
}

}  // namespace

SignInOffer offerFor(const SignIn& sent, const KeptSignIns& kept) {
    if (kept.never || sent.user.empty() || sent.password.empty()) return SignInOffer::None;
    const auto same = std::find_if(kept.signIns.begin(), kept.signIns.end(),
                                   [&](const SignIn& each) { return each.user == sent.user; });
    if (same == kept.signIns.end()) return SignInOffer::Save;
    return same->password == sent.password ? SignInOffer::None : SignInOffer::Update;
}

std::optional<SignIn> signInToFill(const KeptSignIns& kept, std::string_view typedUser) {
    for (const SignIn& each : kept.signIns) {
        if (typedUser.empty() || each.user == typedUser) return each;
    }
    return std::nullopt;
}

std::string signInOrigin(std::string_view uri) {
    return uriOrigin(uri);
}

std::string formerSignInOrigin(std::string_view uri) {
    const std::string host = uriHost(uri);
    return host.empty() ? "" : uriScheme(uri) + "://" + host;
}

std::optional<SentSignIn> sentSignIn(std::string_view json) {
    const auto object = objectOf(json);
    if (!object) return std::nullopt;
    SentSignIn sent{{textAt(*object, "user"), textAt(*object, "password")},
                    textAt(*object, "field")};
    if (sent.signIn.user.empty() || sent.signIn.password.empty()) return std::nullopt;
    return sent;
}

std::optional<SignInForm> signInForm(std::string_view json) {
    const auto object = objectOf(json);
    if (!object) return std::nullopt;
    return SignInForm{textAt(*object, "typed"), textAt(*object, "field")};
}

void SignInWatch::navigating(NavigationKind kind, bool keptFrom) {
    if (kind == NavigationKind::FormSubmitted) {
        going_ = keptFrom;
    } else if (kind == NavigationKind::Redirect) {
        going_ = going_ && keptFrom;
    } else {
        *this = SignInWatch();  // the user, or the page, went somewhere else
    }
}

void SignInWatch::committed() {
    arrived_ = going_ && pending_;
    going_ = false;
    if (!arrived_) pending_.reset();
}

std::optional<SentSignIn> SignInWatch::loaded() {
    if (!arrived_) return std::nullopt;
    std::optional<SentSignIn> sent = std::move(pending_);
    *this = SignInWatch();
    return sent;
}

}  // namespace delvaronte
