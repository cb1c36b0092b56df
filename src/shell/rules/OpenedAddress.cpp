#include "shell/rules/OpenedAddress.h"

#include "base/UriParts.h"

namespace delvaronte {

OpenedAddress openedAddress(const HomeOrigin& home, std::string_view uri) {
    const std::string scheme = uriScheme(uri);
    if (!parsesAsUrl(uri) || (scheme != "http" && scheme != "https") || uriHost(uri).empty()) {
        return OpenedAddress::Refused;
    }
    return home.isHomeAddress(uri) ? OpenedAddress::InWindow : OpenedAddress::ToBrowser;
}

}  // namespace delvaronte
