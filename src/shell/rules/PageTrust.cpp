#include "shell/rules/PageTrust.h"

#include "base/UriParts.h"

namespace delvaronte {

// MainWindow, PopUp, Frame.
const std::array<TrustRow, 6> kTrustTable = {{
    {PageFeature::PinnedCertificate,
     {true, true, false},
     {false, false, false},
     "the pinned certificate"},
    {PageFeature::ClientCertificate,
     {true, true, true},
     {false, false, false},
     "the client certificate"},
    {PageFeature::Notifications, {true, true, false}, {false, false, false}, "notifications"},
    {PageFeature::SignInPrompt, {true, true, false}, {false, false, false}, "the sign-in dialog"},
    {PageFeature::KeptTyping,
     {true, true, false},
     {true, true, false},
     "a failed form brought back as typed"},
    {PageFeature::SavedSignIn,
     {true, true, false},
     {false, false, false},
     "the sign-in kept in the keyring"},
}};

bool allows(PageFeature feature, const Asker& asker) {
    for (const TrustRow& row : kTrustTable) {
        if (row.feature == feature) {
            return (asker.homeHost ? row.home : row.other)[static_cast<size_t>(asker.place)];
        }
    }
    return false;
}

Asker PageTrust::page(std::string_view pageUri, PagePlace place) const {
    return {home_.isHomeAddress(pageUri), place};
}

Asker PageTrust::request(std::string_view pageUri, std::string_view host, PagePlace place) const {
    // A request to another host than the page's own comes from a part of the page: a frame.
    const bool pagesOwn = HomeOrigin(pageUri).isHomeHost(host);
    return {home_.isHomeHost(host), pagesOwn ? place : PagePlace::Frame};
}

bool PageTrust::keepsSignIn(std::string_view pageUri, PagePlace place) const {
    const bool downgraded = uriScheme(home_.url()) == "https" && uriScheme(pageUri) != "https";
    return !downgraded && allows(PageFeature::SavedSignIn, page(pageUri, place));
}

}  // namespace delvaronte
