// What pages ask of the program, against local pages: 127.0.0.1 is the home host and
// localhost another one.
#include <gtest/gtest.h>

#include "AlertDriver.h"
#include "LocalServer.h"
#include "RunningApp.h"
#include "shell/Zoom.h"
#include "ui/SystemOpener.h"

using namespace delvaronte;
using namespace delvaronte::testing;

namespace {

constexpr char kHtml[] = "text/html";

class WebDelegation : public AppOnDemoSite {
protected:
    void SetUp() override {
        setSystemOpenerForTesting([this](const std::string& uri) { opened_.push_back(uri); });
        server_.serve("/untitled.html", 200, kHtml, "<html><body>Sans titre</body></html>");
        AppOnDemoSite::SetUp();
    }
    void TearDown() override { setSystemOpenerForTesting(nullptr); }

    WebKitWebView* popupView(size_t index) {
        return WEBKIT_WEB_VIEW(gtk_window_get_child(app_.delegate().childWindows().at(index)));
    }
    // Opens a pop-up from the page's script and waits until it is shown and has loaded path.
    GtkWindow* openPopup(const std::string& script, const std::string& path) {
        const size_t before = app_.delegate().childWindows().size();
        app_.evaluate(script + "; 1");
        if (!waitUntil([&] { return app_.delegate().childWindows().size() == before + 1; })) {
            return nullptr;
        }
        GtkWindow* popup = app_.delegate().childWindows().back();
        EXPECT_TRUE(waitUntil([&] { return gtk_widget_get_visible(GTK_WIDGET(popup)); }));
        EXPECT_TRUE(app_.waitForLoad(popupView(before), server_.url(path)));
        return popup;
    }

    std::vector<std::string> opened_;
};

}  // namespace

TEST_F(WebDelegation, LinksToAnotherHostGoToTheSystemAndThePageStays) {
    app_.click("other");
    EXPECT_TRUE(waitUntil([&] { return opened_.size() == 1; }));
    EXPECT_EQ(opened_.at(0), server_.url("/autre.html", "localhost"));

    // A file: link is cancelled and handed to nothing.
    app_.evaluate(
        "var f = document.createElement('a'); f.href = 'file:///etc/passwd';"
        "document.body.appendChild(f); f.click(); 1");
    app_.click("same");
    ASSERT_TRUE(app_.waitForLoad(server_.url("/factures.html")));
    EXPECT_EQ(opened_.size(), 1u);
    EXPECT_EQ(server_.requests("/autre.html"), 0) << "the web view never went there";
}

TEST_F(WebDelegation, NewWindowLinksOpenAPopupOnlyOnTheHomeHost) {
    app_.evaluate("var o = document.getElementById('other'); o.target = '_blank'; o.click(); 1");
    EXPECT_TRUE(waitUntil([&] { return opened_.size() == 1; }));
    EXPECT_TRUE(app_.delegate().childWindows().empty());

    app_.click("blank");
    ASSERT_TRUE(waitUntil([&] { return app_.delegate().childWindows().size() == 1; }));
    EXPECT_TRUE(app_.waitForLoad(popupView(0), server_.url("/fenetre.html")));
    EXPECT_STREQ(webkit_web_view_get_uri(app_.view()), server_.url("/").c_str());
}

TEST_F(WebDelegation, FormPostedToAnotherHostStays) {
    const std::string other = server_.url("/enregistrer.html", "localhost");
    app_.evaluate("var form = document.getElementById('form'); form.action = '" + other +
                  "'; form.submit(); 1");
    EXPECT_TRUE(app_.waitForLoad(other));
    EXPECT_TRUE(opened_.empty());
}

TEST_F(WebDelegation, PopupsTakeTheirSizeAndTitleAndLeaveWhenClosed) {
    GtkWindow* sized = openPopup("document.getElementById('popup').click()", "/fenetre.html");
    ASSERT_NE(sized, nullptr);
    int width = 0;
    int height = 0;
    gtk_window_get_default_size(sized, &width, &height);
    EXPECT_EQ(width, 600);
    EXPECT_EQ(height, 400);
    EXPECT_TRUE(waitUntil(
        [&] { return g_strcmp0(gtk_window_get_title(sized), "Detail de l'ecriture") == 0; }));
    saveShot(sized, "popup");

    GtkWindow* plain = openPopup("window.open('/untitled.html', 'b')", "/untitled.html");
    ASSERT_NE(plain, nullptr);
    EXPECT_STREQ(gtk_window_get_title(plain), "DELVARONTE") << "named before any title";
    gtk_window_get_default_size(plain, &width, &height);
    EXPECT_EQ(width, 1200);
    EXPECT_EQ(height, 800);
    // A title set, then emptied, shows the product name.
    app_.evaluate(popupView(1), "document.title = 'Provisoire'; 1");
    EXPECT_TRUE(
        waitUntil([&] { return g_strcmp0(gtk_window_get_title(plain), "Provisoire") == 0; }));
    app_.evaluate(popupView(1), "document.title = ''; 1");
    EXPECT_TRUE(
        waitUntil([&] { return g_strcmp0(gtk_window_get_title(plain), "DELVARONTE") == 0; }));

    GtkWindow* narrow =
        openPopup("window.open('/fenetre.html', 'c', 'width=100')", "/fenetre.html");
    ASSERT_NE(narrow, nullptr);
    int minimumWidth = 0;
    int minimumHeight = 0;
    gtk_widget_get_size_request(GTK_WIDGET(narrow), &minimumWidth, &minimumHeight);
    EXPECT_EQ(minimumWidth, 400);
    EXPECT_EQ(minimumHeight, 300);
    ASSERT_EQ(app_.delegate().childWindows().size(), 3u);

    // Closed by the user, and by the page's own script: both gone, both released.
    // Static: a weak reference that fires late must still find its flag.
    static bool userClosedFreed = false;
    static bool scriptClosedFreed = false;
    g_object_weak_ref(
        G_OBJECT(sized), +[](gpointer flag, GObject*) { *static_cast<bool*>(flag) = true; },
        &scriptClosedFreed);
    g_object_weak_ref(
        G_OBJECT(plain), +[](gpointer flag, GObject*) { *static_cast<bool*>(flag) = true; },
        &userClosedFreed);
    gtk_window_close(plain);
    EXPECT_TRUE(waitUntil([&] { return userClosedFreed; }));
    app_.evaluate(popupView(0), "document.getElementById('close').click(); 1");
    EXPECT_TRUE(waitUntil([&] { return scriptClosedFreed; }));
    ASSERT_EQ(app_.delegate().childWindows().size(), 1u);
    EXPECT_EQ(app_.delegate().childWindows()[0], narrow);
}

TEST_F(WebDelegation, PopupsShareTheSessionAndFollowTheSameRules) {
    app_.evaluate("document.cookie = 'societe=demo; path=/'; 1");
    GtkWindow* popup = openPopup("window.open('/factures.html')", "/factures.html");
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(server_.lastHeader("/factures.html", "Cookie"), "societe=demo");
    EXPECT_EQ(server_.lastHeader("/factures.html", "User-Agent"),
              "Delvaronte-Mac/1.0 Safari/605.1.15");
    for (WebKitWebView* view : {app_.view(), popupView(0)}) {
        EXPECT_TRUE(webkit_settings_get_enable_back_forward_navigation_gestures(
            webkit_web_view_get_settings(view)))
            << "swipe back and forward";
    }

    const std::string other = server_.url("/autre.html", "localhost");
    app_.evaluate(popupView(0), "var a = document.createElement('a'); a.href = '" + other +
                                    "'; document.body.appendChild(a); a.click(); 1");
    EXPECT_TRUE(waitUntil([&] { return opened_.size() == 1; }));

    // The window commands act on the main window even with the pop-up in front.
    gtk_window_present(popup);
    ASSERT_TRUE(waitUntil([&] { return gtk_window_is_active(popup); }));
    app_.activateAction("zoomIn");
    EXPECT_EQ(webkit_web_view_get_zoom_level(app_.view()), zoomedIn(1.0));
    EXPECT_EQ(webkit_web_view_get_zoom_level(popupView(0)), 1.0);
    app_.activateAction("toggleFullScreen");
    EXPECT_TRUE(waitUntil([&] { return gtk_window_is_fullscreen(app_.delegate().window()); }));
    EXPECT_FALSE(gtk_window_is_fullscreen(popup));
    app_.activateAction("toggleFullScreen");
    EXPECT_TRUE(waitUntil([&] { return !gtk_window_is_fullscreen(app_.delegate().window()); }));
}

TEST_F(WebDelegation, AlertAndConfirmAreOurAlertsAndThePageWaits) {
    AlertDriver driver;
    driver
        .then([](ShownAlert& shown) {
            EXPECT_EQ(shown.title(), "DELVARONTE");
            EXPECT_EQ(shown.informative(), "Ecriture enregistree");
            EXPECT_EQ(shown.buttonLabels(), std::vector<std::string>{"OK"});
            shown.press("OK");
        })
        .then([](ShownAlert& shown) {
            EXPECT_EQ(shown.informative(), "Supprimer la facture ?");
            EXPECT_EQ(shown.buttonLabels(), (std::vector<std::string>{"Annuler", "OK"}));
            shown.press("OK");
        })
        .press("Annuler")
        .then([](ShownAlert& shown) { shown.close(); });
    EXPECT_EQ(app_.evaluate("var t0 = 'avant'; alert('Ecriture enregistree'); t0 + ' puis apres'"),
              "avant puis apres");
    EXPECT_EQ(app_.evaluate("confirm('Supprimer la facture ?')"), "true");
    EXPECT_EQ(app_.evaluate("confirm('Encore ?')"), "false");
    EXPECT_EQ(app_.evaluate("confirm('Fermee ?')"), "false") << "closing answers Annuler";
}

TEST_F(WebDelegation, FailedLoadShowsTheErrorPageAndRetryLoadsTheAddressAgain) {
    const guint port = LocalServer::closedPort();
    const std::string down = "http://127.0.0.1:" + std::to_string(port) + "/";
    app_.delegate().loadUrl(down);
    EXPECT_TRUE(waitUntil([&] { return app_.heading() == "Connexion impossible"; }));
    EXPECT_STREQ(webkit_web_view_get_uri(app_.view()), down.c_str());
    saveShot(app_.delegate().window(), "error-page");

    LocalServer revived("", port);
    revived.serve("/", 200, kHtml, "<html><body><h1>De retour</h1></body></html>");
    app_.evaluate("document.querySelector('button').click(); 1");  // "Reessayer"
    EXPECT_TRUE(waitUntil([&] { return app_.heading() == "De retour"; }))
        << revived.requests("/") << " " << webkit_web_view_get_uri(app_.view()) << " "
        << app_.heading();
}

TEST_F(WebDelegation, CertificateFailureShowsTheErrorPage) {
    LocalServer secure(DELVARONTE_FIXTURES "/self-signed.pem");
    secure.serve("/", 200, kHtml, "<html><body><h1>Secret</h1></body></html>");
    app_.delegate().loadUrl(secure.url("/"));
    EXPECT_TRUE(waitUntil([&] { return app_.heading() == "Connexion impossible"; }));
}

TEST_F(WebDelegation, AnInterruptedLoadIsNoFailure) {
    server_.hang("/slow.html");
    app_.delegate().loadUrl(server_.url("/slow.html"));
    ASSERT_TRUE(waitUntil([&] { return server_.requests("/slow.html") == 1; }));
    app_.delegate().loadUrl(server_.url("/factures.html"));
    ASSERT_TRUE(app_.waitForLoad(server_.url("/factures.html")));
    EXPECT_EQ(app_.evaluate("document.title"), "Factures");
    EXPECT_EQ(app_.heading(), "Factures clients");
}

TEST_F(WebDelegation, AFailureInAPopupStaysInThePopup) {
    const std::string down = "http://127.0.0.1:" + std::to_string(LocalServer::closedPort()) + "/";
    const size_t before = app_.delegate().childWindows().size();
    app_.evaluate("window.open('" + down + "'); 1");
    ASSERT_TRUE(waitUntil([&] { return app_.delegate().childWindows().size() == before + 1; }));
    EXPECT_TRUE(
        waitUntil([&] { return app_.heading(popupView(before)) == "Connexion impossible"; }));
    EXPECT_STREQ(webkit_web_view_get_uri(app_.view()), server_.url("/").c_str());
    EXPECT_EQ(app_.evaluate("document.title"), "Demo DELVARONTE - Tableau de bord");
}

TEST(HomeTimeout, AHomePageThatNeverArrivesEndsOnTheErrorPage) {
    LocalServer server;
    server.hang("/");
    RunningApp::provision(server.url("/"));
    RunningApp app;
    app.delegate().setHomeLoadTimeoutForTesting(1);
    app.activate();
    EXPECT_TRUE(waitUntil([&] { return app.heading() == "Connexion impossible"; }));
    EXPECT_TRUE(waitUntil([&] { return !gtk_widget_get_visible(app.delegate().splashView()); }));
}
