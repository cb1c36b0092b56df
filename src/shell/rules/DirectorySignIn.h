// Where the desk's directory account (Kerberos, through HTTP Negotiate) signs the clerk in.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace delvaronte {

// What the engine's network layer reads, when its process starts, for the hosts it may give a
// Negotiate token to; with no list at all it would give one to every https host.
inline constexpr char kNegotiateVariable[] = "SOUP_GSSAPI_TRUSTED_URIS";

// An address no request ever has: the list the engine gets where nothing may be negotiated.
inline constexpr char kNegotiateNowhere[] = "https://nulle-part.invalid:1";

// The engine's list for the office's addresses (http or https, any path, which is dropped),
// each as its origin, comma-separated; the home's origin alone when the office lists none.
// What is not an http or https address of a plain host name or IP address is left out (a
// comma or a space would make two entries of one); nothing left gives kNegotiateNowhere,
// never an empty list.
std::string negotiateAddresses(const std::vector<std::string>& listed, std::string_view home);

}  // namespace delvaronte
