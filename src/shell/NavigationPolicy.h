// Which navigations stay in the application and which leave it for the system.
#pragma once

#include <string>
#include <string_view>

namespace delvaronte {

enum class NavigationKind { LinkActivated, FormSubmitted, BackForward, Reload, Other };

enum class NavigationVerdict {
    Allow,                 // the web view goes ahead
    OpenWithSystemCancel,  // handed to the default browser or mail client, not loaded here
    Cancel,                // neither loaded nor handed to anything
};

// Links the user follows to another host than the home address's leave the application;
// everything else (forms, redirects, scripts, history) stays. Hosts compare without regard
// to ASCII case; a sub-domain is another host. Only http, https, mailto and tel are ever
// handed to the system: a link to another host in any other scheme is cancelled, and mailto
// and tel links, which the web view cannot show, always go to the system.
NavigationVerdict decideNavigation(std::string_view homeUrl, std::string_view requestUrl,
                                   NavigationKind kind);

}  // namespace delvaronte
