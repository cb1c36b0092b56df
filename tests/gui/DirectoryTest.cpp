// The desk's directory account (Kerberos) against a real KDC and a web server that takes its
// tickets, both on this machine's loopback: signed in where the office says, nowhere else.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "../TempDir.h"
#include "Harness.h"
#include "config/Settings.h"
#include "sandbox/DirectoryServers.h"
#include "tools/ConfigTool.h"

using namespace delvaronte;
using namespace delvaronte::testing;

namespace {

const std::string kSignedIn =
    std::string("Connecte : ") + DirectoryServers::kClerk + "@" + DirectoryServers::kRealm;

// The realm and the web server, with the clerk's ticket in this process's environment (the
// engine's processes take it from there), and two pages that name who they signed in.
struct Directory {
    Directory() : servers(folder.path().string(), DELVARONTE_FIXTURES "/self-signed.pem") {
        if (!servers.ready()) return;
        for (const auto& [name, value] : servers.clientEnvironment())
            g_setenv(name.c_str(), value.c_str(), TRUE);
        home("");
        page("/prive/page.shtml", kNamed);
    }
    static constexpr char kNamed[] = "<h1>Connecte : <!--#echo var=\"REMOTE_USER\" --></h1>";
    void page(const std::string& path, const std::string& body) const {
        std::ofstream(servers.www() + path) << "<!doctype html><meta charset=utf-8>" << body;
    }
    // The home page, with a frame of that page when given.
    void home(const std::string& frame) const {
        page("/prive/accueil.shtml",
             kNamed + (frame.empty() ? "" : "<iframe src=\"" + frame + "\"></iframe>"));
    }
    std::string httpHost(const std::string& host = "127.0.0.1") const {
        return host + ":" + std::to_string(servers.httpPort());
    }
    std::string http(const std::string& host = "127.0.0.1") const {
        return "http://" + httpHost(host);
    }
    std::string https() const { return "https://127.0.0.1:" + std::to_string(servers.httpsPort()); }
    // The requests the web server was sent for that host and port, and how many of them
    // carried a Negotiate token.
    int requestsTo(const std::string& hostAndPort, bool withToken) const {
        std::istringstream lines(servers.requests());
        int found = 0;
        for (std::string line; std::getline(lines, line);)
            if (line.starts_with(hostAndPort + " ") &&
                (!withToken || line.find("\"Negotiate ") != std::string::npos))
                ++found;
        return found;
    }

    TempDir folder;
    DirectoryServers servers;
};

}  // namespace

// The office names no address: the home's origin alone, here on http.
TEST(Directory, TheDesksTicketSignsInAtTheHomeAndNowhereElse) {
    Directory directory;
    ASSERT_TRUE(directory.servers.ready()) << directory.servers.error();
    const std::string elsewhere = directory.http("localhost");
    directory.home(elsewhere + "/prive/page.shtml");
    ASSERT_TRUE(directory.servers.signInClerk());
    // Links to localhost stay in the window: the redirect below is followed there.
    const GRef<GSettings> settings = programSettings();
    const char* const kept[] = {"localhost", nullptr};
    g_settings_set_strv(settings.get(), "kept-hosts", kept);

    const std::string home = directory.http() + "/prive/accueil.shtml";
    const std::string otherHost = directory.httpHost("localhost");
    RunningApp::provision(home);
    RunningApp app;
    app.activate();
    ASSERT_TRUE(app.waitForLoad(home));
    EXPECT_EQ(app.heading(), kSignedIn);
    // The frame of another host was asked for the same sign-in, and sent no token.
    ASSERT_TRUE(waitUntil([&] { return directory.requestsTo(otherHost, false) > 0; }));
    EXPECT_EQ(directory.requestsTo(otherHost, true), 0) << directory.servers.requests();

    // A redirect to another host: no token either.
    const std::string redirected = elsewhere + "/prive/page.shtml";
    app.evaluate("location.href = '/ailleurs/prive/page.shtml'; 1");
    ASSERT_TRUE(app.waitForLoad(redirected));
    EXPECT_NE(app.heading(), kSignedIn);
    EXPECT_EQ(directory.requestsTo(otherHost, true), 0) << directory.servers.requests();

    // Without a ticket: the server's refusal.
    directory.servers.destroyTickets();
    app.evaluate("location.href = '" + home + "'; 1");
    ASSERT_TRUE(app.waitForLoad(home));
    EXPECT_EQ(app.heading(), "Unauthorized");
    // Where the server also takes a password: our sign-in dialog, and the clerk's password.
    directory.page("/mixte/page.shtml", Directory::kNamed);
    const std::string mixed = directory.http() + "/mixte/page.shtml";
    AlertDriver driver;
    driver.fill({DirectoryServers::kClerk, DirectoryServers::kClerkPassword}, "Se connecter");
    app.evaluate("location.href = '" + mixed + "'; 1");
    ASSERT_TRUE(waitUntil([&] { return driver.pending() == 0; }));
    EXPECT_EQ(driver.seen().at(0).title, "Identification requise");
    ASSERT_TRUE(app.waitForLoad(mixed));
    EXPECT_EQ(app.heading(), kSignedIn);
    // With a ticket but no directory to turn it into one for the web server: the same.
    ASSERT_TRUE(directory.servers.signInClerk());
    directory.servers.stopKdc();
    app.evaluate("location.href = '" + home + "?sans-annuaire'; 1");
    ASSERT_TRUE(app.waitForLoad(home + "?sans-annuaire"));
    EXPECT_EQ(app.heading(), "Unauthorized");
}

// The office's list replaces the home: an https home it names is signed in; the same host on
// http, which it does not name, gets no token.
TEST(Directory, TheOfficesListReplacesTheHome) {
    Directory directory;
    ASSERT_TRUE(directory.servers.ready()) << directory.servers.error();
    ASSERT_TRUE(directory.servers.signInClerk());
    std::ostringstream out, err;
    ConfigToolIo io{out, err, nullptr};
    ASSERT_EQ(runConfigTool({"trust-certificate", DELVARONTE_FIXTURES "/self-signed.pem"}, io), 0);
    const GRef<GSettings> settings = programSettings();
    const std::string listed = directory.https() + "/prive/";
    const char* const addresses[] = {"ftp://127.0.0.1", listed.c_str(), nullptr};
    g_settings_set_strv(settings.get(), "negotiate-addresses", addresses);

    const std::string home = directory.https() + "/prive/accueil.shtml";
    RunningApp::provision(home);
    RunningApp app;
    app.activate();
    ASSERT_TRUE(app.waitForLoad(home));
    EXPECT_EQ(app.heading(), kSignedIn);
    const std::string plain = directory.http() + "/prive/page.shtml";
    app.evaluate("location.href = '" + plain + "'; 1");
    ASSERT_TRUE(app.waitForLoad(plain));
    EXPECT_EQ(app.heading(), "Unauthorized");
    EXPECT_EQ(directory.requestsTo(directory.httpHost(), true), 0) << directory.servers.requests();
}
