// An HTTP (or HTTPS) server on 127.0.0.1 inside the test process, for pages and manifests.
#pragma once

#include <libsoup/soup.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace delvaronte::testing {

class LocalServer {
public:
    using Handler = std::function<void(SoupServerMessage* message)>;

    // Plain HTTP; with a PEM file holding a certificate and its key, HTTPS. Port 0 lets the
    // system choose.
    explicit LocalServer(const std::string& certificatePem = "", guint port = 0);
    ~LocalServer();
    LocalServer(const LocalServer&) = delete;
    LocalServer& operator=(const LocalServer&) = delete;

    void route(const std::string& path, Handler handler);
    void serve(const std::string& path, guint status, const std::string& contentType,
               const std::string& body);
    // Accepts the request and never answers it.
    void hang(const std::string& path);
    // Serves the files of the folders for paths no route claims ("/" is index.html), and
    // answers the pages' "/loaded" report.
    void serveDirectory(const std::string& folder);

    // An address of this server; host may be "localhost" for a second host name.
    std::string url(const std::string& path, const std::string& host = "127.0.0.1") const;
    int requests(const std::string& path) const;
    // A header of the last request for path, empty when absent.
    std::string lastHeader(const std::string& path, const std::string& name) const;

    // A port on 127.0.0.1 where nothing listens: connections are refused.
    static guint closedPort();

private:
    static void requestCb(SoupServer* server, SoupServerMessage* message, const char* path,
                          GHashTable* query, gpointer data);

    SoupServer* server_ = nullptr;
    std::string scheme_;
    guint port_ = 0;
    std::map<std::string, Handler> routes_;
    std::vector<std::string> folders_;
    std::map<std::string, int> counts_;
    std::map<std::string, std::map<std::string, std::string>> lastHeaders_;
};

}  // namespace delvaronte::testing
