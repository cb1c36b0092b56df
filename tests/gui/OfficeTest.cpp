// The office around the application: a web server that asks for a password, an intranet
// certificate, a proxy, reminders from the page, files for the page.
#include "Harness.h"

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
