// Handing an address to the user's default application (browser, mail client, dialer).
#pragma once

#include <string>

namespace delvaronte {

// Starts the user's default application for uri (an address, or the file: address of a
// local file), without waiting and without a shell. Callers decide what may leave the
// program (isSystemHandledScheme for what pages ask).
void launchDefaultHandler(const std::string& uri);

// The file: address of a local path; empty when it has none.
std::string fileUri(const std::string& path);

// Sets name=value in this program's environment, for itself and the web engine's processes
// it starts after this; the programs it hands addresses and files to start without it, with
// the environment the user started the program with.
void setVariableKeptFromLaunches(const char* name, const char* value);

}  // namespace delvaronte
