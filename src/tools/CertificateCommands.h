// The certificates beside config.dat, from the command line: the one the program trusts for
// the home origin, and the client certificate it answers the home origin with.
#pragma once

#include <optional>
#include <string>

#include "tools/ConfigPlace.h"
#include "tools/ConfigTool.h"

namespace delvaronte {

// The file's name beside config.dat.
const char* certificateFile(bool client);

// The bytes of the certificate file given on the command line, when they hold a certificate
// (with its key, for a client certificate); nothing, said, otherwise.
std::optional<std::string> certificateEntry(const std::string& file, bool client, ConfigToolIo& io,
                                            int& status);

// Removes the certificate beside config.dat; none there is no failure.
int forgetCertificate(Place& place, bool client, ConfigToolIo& io);

// What show says of both: subject, issuer, validity, SHA-256 fingerprint, or that there is
// none. The exit status.
int showCertificates(const Place& place, ConfigToolIo& io);

}  // namespace delvaronte
