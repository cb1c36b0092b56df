// Parts of an address, read as the web engine reads the addresses it hands us. No toolkit.
#pragma once

#include <string>
#include <string_view>

namespace delvaronte {

// The scheme, lowercased; empty when there is none.
std::string uriScheme(std::string_view url);

// The host, in the form DNS compares it: lowercased, an international name in its ASCII
// (punycode) form, an IPv6 address without its brackets. Empty when the address has no
// authority ("mailto:", "file:///") or no scheme. Only the authority is read: escapes in the
// path or query (Latin-1 "%E9", a bare "%", "%00") do not make a host disappear.
std::string uriHost(std::string_view url);

// The origin, as pages are told apart: scheme, host (as uriHost gives it, an IPv6 address in
// brackets) and port, the scheme's default made explicit ("https://compta.exemple.ma:443").
// Empty when the address has no host, or a port that is not one.
std::string uriOrigin(std::string_view url);

// An absolute address with a scheme, and nothing a URL cannot hold (spaces, controls); its
// escapes, whatever they decode to, are its own.
bool parsesAsUrl(std::string_view text);

}  // namespace delvaronte
