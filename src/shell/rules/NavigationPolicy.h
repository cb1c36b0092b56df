// Which navigations stay in the application and which leave it for the system.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/HomeOrigin.h"

namespace delvaronte {

enum class NavigationKind { LinkActivated, FormSubmitted, BackForward, Reload, Redirect, Other };

enum class NavigationVerdict {
    Allow,                 // the web view goes ahead
    OpenWithSystemCancel,  // handed to the default browser or mail client, not loaded here
    Cancel,                // neither loaded nor handed to anything
};

// Links the user follows to another host than the home address's leave the application;
// everything else on the web (forms, redirects, scripts, history) stays. Hosts compare as
// DNS compares them; a sub-domain is another host. mailto: and tel:, which the web view
// cannot show, go to the mail client or dialer however they were reached (a link, a
// script, a form); every other scheme that is not the web's (file:, smb:, custom handlers)
// is cancelled and handed to nothing. Links to the kept hosts (an office's sign-in service,
// its document server) stay as the home host's do.
NavigationVerdict decideNavigation(const HomeOrigin& home, std::string_view requestUrl,
                                   NavigationKind kind, const std::vector<HomeOrigin>& kept = {});

// Whether a navigation the policy hands to the system may go now, at `now` (microseconds of
// a monotonic clock): only at the user's request (a click or key, not a script on its own),
// and at most once a second per web view, `lastHandOff` being that view's previous one.
bool mayHandOff(bool userGesture, std::optional<int64_t> lastHandOff, int64_t now);

// Whether an address may be handed to the system at all: http, https, mailto and tel (ASCII
// case-insensitive), and nothing no address holds as such (spaces, control characters).
bool isSystemHandledScheme(std::string_view uri);

}  // namespace delvaronte
