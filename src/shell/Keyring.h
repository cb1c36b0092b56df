// The sign-ins kept in the desktop's keyring, through the Secret Service: never in a file of
// ours. Each call answers later, on the main loop; a keyring that does not answer keeps
// nothing and finds nothing.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "shell/rules/SavedSignIn.h"

namespace delvaronte {

// What the keyring keeps for origin (see signInOrigin); nothing when no keyring service
// answered. When it keeps nothing for origin, what it keeps under former (see
// formerSignInOrigin) is answered, and moved to origin.
void findSignIns(const std::string& origin, std::function<void(std::optional<KeptSignIns>)> answer,
                 const std::string& former = "");
// Keeps the sign-in for origin, in place of the same identifier's.
void keepSignIn(const std::string& origin, const SignIn& signIn);
// Keeps that no sign-in of origin is to be offered again.
void neverKeepSignIns(const std::string& origin);

}  // namespace delvaronte
