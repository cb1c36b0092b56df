// An address another program asks this one to open (`delvaronte ADDRESS`, the desktop entry).
#pragma once

#include <string_view>
#include <vector>

#include "base/HomeOrigin.h"

namespace delvaronte {

enum class OpenedAddress {
    InWindow,   // of the home host or a kept host: loaded in the main window
    ToBrowser,  // another web address: the default browser
    Refused,    // a file, a mail address, a text that is no address
};

OpenedAddress openedAddress(const HomeOrigin& home, std::string_view uri,
                            const std::vector<HomeOrigin>& kept = {});

}  // namespace delvaronte
