// The office around the application: a web server that asks for a password, an intranet
// certificate, a proxy, reminders from the page, files for the page.
#include "Harness.h"
#include "tools/ConfigTool.h"

using namespace delvaronte;
using namespace delvaronte::testing;

namespace {

constexpr char kSignInPage[] =
    "<!doctype html><title>Connexion</title><h1>Connexion</h1>"
    "<input id='identifiant' autofocus>";

// The web server's own sign-in on path: Basic, realm "Comptabilite", compta / secret. A
// refusal carries the server's own page.
void requireSignIn(SiteServer& server, const std::string& path, const std::string& body) {
    server.route(path, [body](SoupServerMessage* message) {
        const char* given = soup_message_headers_get_one(
            soup_server_message_get_request_headers(message), "Authorization");
        const bool signedIn =
            given != nullptr && std::string(given) == "Basic Y29tcHRhOnNlY3JldA==";
        if (!signedIn) {
            soup_message_headers_replace(soup_server_message_get_response_headers(message),
                                         "WWW-Authenticate", "Basic realm=\"Comptabilite\"");
        }
        const std::string page = signedIn ? body : "<!doctype html><h1>Acces refuse</h1>";
        soup_server_message_set_status(message, signedIn ? 200 : 401, nullptr);
        soup_server_message_set_response(message, "text/html", SOUP_MEMORY_COPY, page.data(),
                                         page.size());
    });
}

}  // namespace

// The home page behind the server's sign-in: our dialog over the splash, a wrong answer asked
// again, the right one signs in; the first keys typed reach the page's autofocus field, after
// the window was hidden too, and in a pop-up; "Annuler" shows the server's 401 page.
TEST(Office, SignInThroughOurDialogAndTheFirstKeysReachThePage) {
    SiteServer server;
    server.serveFolder(DELVARONTE_TEST_PAGES);
    requireSignIn(server, "/", kSignInPage);
    requireSignIn(server, "/prive", "");
    RunningApp::provision(server.url("/"));
    RunningApp app;
    AlertDriver driver;
    driver
        .then([&](ShownAlert& shown) {
            EXPECT_EQ(shown.title(), "Identification requise");
            EXPECT_NE(shown.informative().find("127.0.0.1"), std::string::npos);
            EXPECT_NE(shown.informative().find("Domaine : Comptabilite"), std::string::npos);
            EXPECT_EQ(shown.buttonLabels(), (std::vector<std::string>{"Annuler", "Se connecter"}));
            EXPECT_TRUE(gtk_widget_get_mapped(app.delegate().splashView())) << "over the splash";
            saveShot(shown.window, "sign-in");
            shown.type(0, "compta");
            shown.type(1, "faux");
            shown.press("Se connecter");
        })
        .then([](ShownAlert& shown) {
            EXPECT_TRUE(
                shown.informative().starts_with("L'identifiant ou le mot de passe a ete "
                                                "refuse."))
                << shown.informative();
            shown.type(0, "compta");
            shown.type(1, "secret");
            shown.press("Se connecter");
        });
    app.activate();
    ASSERT_TRUE(waitUntil([&] { return app.heading() == "Connexion"; }));
    const auto typed = [&](WebKitWebView* view, const char* field, const std::string& text) {
        typeText(text);
        return waitUntil([&] {
            return app.evaluate(
                       view, std::string("document.getElementById('") + field + "').value") == text;
        });
    };
    EXPECT_TRUE(typed(app.view(), "identifiant", "compta"));
    gtk_window_close(app.delegate().window());
    app.activate();
    ASSERT_TRUE(waitUntil([&] { return gtk_window_is_active(app.delegate().window()); }));
    app.evaluate("identifiant.value = ''; 1");
    EXPECT_TRUE(typed(app.view(), "identifiant", "compta")) << "back from hidden";
    app.evaluate("window.open('/saisie-rapide.html'); 1");
    ASSERT_TRUE(waitUntil([&] { return app.delegate().childWindows().size() == 1; }));
    ASSERT_TRUE(app.waitForLoad(app.popup(0), server.url("/saisie-rapide.html")));
    EXPECT_TRUE(typed(app.popup(0), "montant", "1200"));

    driver.press("Annuler");
    app.delegate().loadUrl(server.url("/prive", "localhost"));  // another protection space
    EXPECT_TRUE(waitUntil([&] { return app.heading() == "Acces refuse"; }))
        << app.heading() << " " << webkit_web_view_get_uri(app.view());
}

// An intranet server with a certificate of its own: "Connexion impossible" until the
// administrator trusts it (and again once it is forgotten); then the page, for the home host
// only. A server that asks for a client certificate gets the one the administrator set.
TEST(Office, IntranetCertificatesSetByTheAdministrator) {
    const auto tool = [](const std::vector<std::string>& arguments) {
        std::ostringstream out, err;
        ConfigToolIo io{out, err, nullptr};
        return runConfigTool(arguments, io);
    };
    const std::string certificate = DELVARONTE_FIXTURES "/self-signed.pem";
    const auto secure = selfSignedServer();
    secure->serveFolder(DELVARONTE_TEST_PAGES);
    RunningApp::provision(secure->url("/connexion.html"));
    const auto headingOnStart = [](RunningApp& app) {
        app.activate();
        waitUntil([&] { return !app.heading().empty(); });
        return app.heading();
    };
    for (const auto& steps : {std::vector<std::vector<std::string>>{},
                              {{"trust-certificate", certificate}, {"forget-certificate"}}}) {
        for (const auto& step : steps) ASSERT_EQ(tool(step), 0);
        RunningApp app;
        EXPECT_EQ(headingOnStart(app), "Connexion impossible");
    }
    ASSERT_EQ(tool({"trust-certificate", certificate}), 0);
    {
        RunningApp app;
        EXPECT_EQ(headingOnStart(app), "Connexion");
        app.evaluate("location.href = '" + secure->url("/saisie-rapide.html", "localhost") +
                     "'; 1");
        EXPECT_TRUE(waitUntil([&] { return app.heading() == "Connexion impossible"; }))
            << "another host, the same certificate";
    }

    const auto authorities =
        GRef<GTlsDatabase>::adopt(g_tls_file_database_new(certificate.c_str(), nullptr));
    const auto asking = selfSignedServer();
    asking->requireClientCertificate(authorities.get());
    asking->serveFolder(DELVARONTE_TEST_PAGES);
    RunningApp::provision(asking->url("/connexion.html"));
    for (const bool set : {false, true}) {
        if (set) {
            ASSERT_EQ(tool({"client-certificate", DELVARONTE_FIXTURES "/client.pem"}), 0);
        }
        RunningApp app;
        EXPECT_EQ(headingOnStart(app), set ? "Connexion" : "Connexion impossible");
    }
}

// The pages and the update check go through the proxy the session names: the environment's
// where only it is set, GNOME's settings where they say so.
TEST(Office, PagesAndTheUpdateCheckGoThroughTheDesktopsProxy) {
    SiteServer proxy;
    std::vector<std::string> forwarded;
    const std::pair<const char*, const char*> answers[] = {
        {"/tableau.html", "<!doctype html><h1>Par le proxy</h1>"},
        {"/version.json", R"({"version":"3.0.0"})"}};
    for (const auto& [path, body] : answers) {
        proxy.route(path, [&forwarded, body = std::string(body)](SoupServerMessage* message) {
            forwarded.push_back(GText(g_uri_to_string(soup_server_message_get_uri(message))).get());
            soup_server_message_set_status(message, 200, nullptr);
            soup_server_message_set_response(message, "text/html", SOUP_MEMORY_COPY, body.data(),
                                             body.size());
        });
    }
    const std::string home = "http://compta.intranet.test/tableau.html";
    const std::string manifest = "http://mises-a-jour.intranet.test/version.json";
    RunningApp::provision(home);
    const auto settings = GRef<GSettings>::adopt(g_settings_new("org.gnome.system.proxy"));
    const auto http = GRef<GSettings>::adopt(g_settings_get_child(settings.get(), "http"));
    for (const bool gnome : {false, true}) {
        SCOPED_TRACE(gnome ? "GNOME's settings" : "http_proxy");
        if (gnome) {
            g_unsetenv("http_proxy");
            g_settings_set_string(settings.get(), "mode", "manual");
            g_settings_set_string(http.get(), "host", "127.0.0.1");
            g_settings_set_int(http.get(), "port", int(proxy.port()));
        } else {
            g_setenv("http_proxy", ("127.0.0.1:" + std::to_string(proxy.port())).c_str(), TRUE);
        }
        forwarded.clear();
        RunningApp app;
        app.seams.updates.manifestUrl = manifest;
        app.activate();
        EXPECT_TRUE(waitUntil([&] { return app.heading() == "Par le proxy"; }));
        EXPECT_TRUE(waitUntil([&] {
            return std::count(forwarded.begin(), forwarded.end(), manifest) == 1;
        })) << "the check at start-up";
        EXPECT_NE(std::find(forwarded.begin(), forwarded.end(), home), forwarded.end());
    }
}
