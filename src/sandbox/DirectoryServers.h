// An office's directory on this machine's loopback, for the tests: a Kerberos KDC of its own
// realm and an Apache server that signs its visitors in with the directory's tickets (HTTP
// Negotiate), both started with configurations of their own in a folder of the caller's, and
// stopped with this object. Nothing of the machine's own configuration is read or written.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "sandbox/Launched.h"

namespace delvaronte {

class DirectoryServers {
public:
    static constexpr char kRealm[] = "DELVARONTE.TEST";
    static constexpr char kClerk[] = "comptable";
    static constexpr char kClerkPassword[] = "Bilan-2026";

    // In folder (which must exist and stay until this ends): the realm with the clerk and the
    // web server's keys for 127.0.0.1 and localhost; the web server on http, and on https with
    // certificate (a PEM file with its key), serving files from folder/www. ready() says
    // whether all of it started, error() why not.
    DirectoryServers(const std::string& folder, const std::string& certificate);
    ~DirectoryServers();
    DirectoryServers(const DirectoryServers&) = delete;
    DirectoryServers& operator=(const DirectoryServers&) = delete;

    bool ready() const { return error_.empty(); }
    const std::string& error() const { return error_; }
    unsigned httpPort() const { return httpPort_; }
    unsigned httpsPort() const { return httpsPort_; }
    // Where the web server's files are; its /prive/ asks for the directory's sign-in, its
    // /mixte/ for that or the clerk's password (HTTP Basic), and /ailleurs/x redirects to x on
    // localhost.
    std::string www() const { return folder_ + "/www"; }

    // What a program needs to find the realm and the clerk's tickets.
    std::vector<std::pair<std::string, std::string>> clientEnvironment() const;
    // Gives the clerk a ticket, as the desktop's sign-in would; whether it did.
    bool signInClerk() const;
    // The clerk's tickets gone, as after the desktop's sign-out.
    void destroyTickets() const;
    // The KDC stopped; the web server keeps running.
    void stopKdc();

    // The web server's log, a line a request: "host path user authorization status", the
    // authorization header as it came ("-" when none).
    std::string requests() const;

private:
    bool run(const std::vector<std::string>& argv, const std::string& what);

    std::string folder_;
    std::string error_;
    unsigned kdcPort_ = 0, httpPort_ = 0, httpsPort_ = 0;
    std::unique_ptr<Launched> kdc_, web_;
};

}  // namespace delvaronte
