// Parts of an address, with GLib's parser. No toolkit.
#pragma once

#include <string>
#include <string_view>

namespace delvaronte {

// The scheme, lowercased; empty when there is none.
std::string uriScheme(std::string_view url);

// The host, or empty when the address does not parse or has none.
std::string uriHost(std::string_view url);

}  // namespace delvaronte
