// A site served on this machine's loopback: the files of its folders, and routes of its own
// for what a file cannot answer. The demo program, the tests and the benchmarks serve their
// pages this one way.
#pragma once

#include <libsoup/soup.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace delvaronte {

class SiteServer {
public:
    using Handler = std::function<void(SoupServerMessage* message)>;

    // Listens on 127.0.0.1 at port (0: the system chooses); over HTTPS with a certificate.
    explicit SiteServer(guint port = 0, GTlsCertificate* certificate = nullptr);
    ~SiteServer();
    SiteServer(const SiteServer&) = delete;
    SiteServer& operator=(const SiteServer&) = delete;

    // The port listened on; 0, with error() saying why, when the server could not listen.
    guint port() const { return port_; }
    const std::string& error() const { return error_; }

    // Serves the plain files of folder ("/" is index.html; no sub-folders, no hidden files)
    // for paths no route claims; the folders given first are looked in first.
    void serveFolder(const std::string& folder) { folders_.push_back(folder); }
    void route(const std::string& path, Handler handler) { routes_[path] = std::move(handler); }
    void serve(const std::string& path, guint status, const std::string& type,
               const std::string& body);
    // Answers a message with this status and body, as serve does; for routes of their own.
    static void respond(SoupServerMessage* message, guint status, const std::string& type,
                        const std::string& body);

    // Asks for a sign-in (HTTP Basic, in that realm) before anything is served; a request
    // without the right one gets 401 and a page "Acces refuse".
    void requireSignIn(const std::string& realm, const std::string& user,
                       const std::string& password);

    // Over HTTPS, asks every client for a certificate that authorities trust, and refuses the
    // connection of one that has none.
    void requireClientCertificate(GTlsDatabase* authorities);

    // An address of this server; "localhost" for a second host name on the same machine.
    std::string url(const std::string& path, const std::string& host = "127.0.0.1") const;
    // How many requests came for path.
    int requests(const std::string& path) const;

private:
    // Whether the request may be answered; when not, it is answered with the sign-in's 401.
    bool signedIn(SoupServerMessage* message) const;

    SoupServer* server_;
    std::string scheme_;
    guint port_ = 0;
    std::string error_;
    std::vector<std::string> folders_;
    std::map<std::string, Handler> routes_;
    std::map<std::string, int> counts_;
    std::string realm_, credentials_;  // the sign-in asked for, when one is
};

}  // namespace delvaronte
