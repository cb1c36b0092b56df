// What a page may do, by who it is: of the home origin (its scheme, host and port) or not, and
// where it shows: the top of the main window, the top of a pop-up, or a frame inside another
// page. One table, a row per feature that depends on it; every such decision of the program
// asks it here.
#pragma once

#include <array>
#include <string_view>

#include "base/HomeOrigin.h"

namespace delvaronte {

enum class PageFeature {
    PinnedCertificate,  // a certificate the system refuses, let through under the pinned one
    ClientCertificate,  // the administrator's client certificate, when the server asks
    Notifications,      // the desktop's notifications (every other permission is refused)
    SignInPrompt,       // our dialog for a server's sign-in (Basic, Digest, NTLM, Negotiate)
    KeptTyping,         // what was typed in a form, kept to be brought back after a failure
    SavedSignIn,        // the sign-in kept in the keyring: offered, and filled in again
};

enum class PagePlace { MainWindow, PopUp, Frame };

// Who asks: whether it is of the home origin, and where it shows.
struct Asker {
    bool homeOrigin;
    PagePlace place;
};

struct TrustRow {
    PageFeature feature;
    // Allowed at each place, in the order of PagePlace, to the home origin and to any other.
    std::array<bool, 3> home;
    std::array<bool, 3> other;
    std::string_view what;  // in the README's words
};

// Every feature once, in the order above.
extern const std::array<TrustRow, 6> kTrustTable;

bool allows(PageFeature feature, const Asker& asker);

// The rule over one home origin.
class PageTrust {
public:
    PageTrust() = default;
    explicit PageTrust(HomeOrigin home) : home_(std::move(home)) {}

    const HomeOrigin& home() const { return home_; }

    // The page at pageUri, at the top of a window of that place, asking for itself.
    Asker page(std::string_view pageUri, PagePlace place) const;
    // A request of that page to the origin of the address `to` (a sign-in, a client
    // certificate): the page's own when it goes to the page's origin, a frame's otherwise, as
    // far as the engine tells.
    Asker request(std::string_view pageUri, std::string_view to, PagePlace place) const;

private:
    HomeOrigin home_;
};

}  // namespace delvaronte
