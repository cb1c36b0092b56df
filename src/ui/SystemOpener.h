// Handing an address to the user's default application (browser, mail client, dialer).
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace delvaronte {

// Only these ever leave the program: http, https, mailto, tel (ASCII case-insensitive).
bool isSystemHandledScheme(std::string_view uri);

// Opens uri with the system's default handler for it, without waiting and without a shell.
// Any other scheme, or an address that does not parse, is dropped.
void openWithSystem(const std::string& uri);

// Opens a local file or folder with its default application (a downloaded file).
void openFileWithSystem(const std::string& path);

// Sets name=value in this program's environment, for itself and the web engine's processes
// it starts after this; the programs it hands addresses and files to start without it, with
// the environment the user started the program with.
void setVariableKeptFromLaunches(const char* name, const char* value);

// Tests record hand-offs instead of launching anything. An empty function restores the
// system's handler.
void setSystemOpenerForTesting(std::function<void(const std::string&)> opener);

}  // namespace delvaronte
