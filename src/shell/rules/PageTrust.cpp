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
            return (asker.homeOrigin ? row.home : row.other)[static_cast<size_t>(asker.place)];
        }
    }
    return false;
}

Asker PageTrust::page(std::string_view pageUri, PagePlace place) const {
    return {home_.isHomeOrigin(pageUri), place};
}

Asker PageTrust::request(std::string_view pageUri, std::string_view to, PagePlace place) const {
    // A request to another origin than the page's own comes from a part of the page: a frame.
    const std::string origin = uriOrigin(to);
    const bool pagesOwn = !origin.empty() && origin == uriOrigin(pageUri);
    return {home_.isHomeOrigin(to), pagesOwn ? place : PagePlace::Frame};
}

}  // namespace delvaronte
