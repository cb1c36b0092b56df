#include "shell/rules/OpenedAddress.h"

#include "base/UriParts.h"
#include "shell/rules/NavigationPolicy.h"

namespace delvaronte {

OpenedAddress openedAddress(const HomeOrigin& home, std::string_view uri,
                            const std::vector<HomeOrigin>& kept) {
    const std::string scheme = uriScheme(uri);
    if (!parsesAsUrl(uri) || (scheme != "http" && scheme != "https") || uriHost(uri).empty()) {
        return OpenedAddress::Refused;
    }
    // A link to it would stay in the window: so does the address.
    return decideNavigation(home, uri, NavigationKind::LinkActivated, kept) ==
                   NavigationVerdict::Allow
               ? OpenedAddress::InWindow
               : OpenedAddress::ToBrowser;
}

}  // namespace delvaronte
