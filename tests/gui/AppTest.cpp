// The program's own windows as a person uses them: start-up, splash, menus and keys, the
// configuration dialogs, the update check.
#include "Harness.h"
#include "base/Version.h"
#include "dialogs/ConfigWindow.h"
#include "shell/rules/Zoom.h"
#include "ui/ModalAlert.h"
#include "update/UpdateChecker.h"

using namespace delvaronte;
using namespace delvaronte::testing;
using AppShell = AppOnDemoSite;

namespace {

const std::string kUrlRule = "L'URL doit commencer par http:// ou https://";

// Takes what the editor hands back.
struct Owner : UrlLoader {
    void homeChanged(const std::string& url) override { loaded.push_back(url); }
    std::vector<std::string> loaded;
};

}  // namespace

// Start-up and the menus; then every key of the menu bar on a real keyboard, the editing keys
// in turn with typing, on a search field whose key handler takes its time, and in our dialogs.
TEST_F(AppShell, StartsOnTheHomePageAndAnswersEveryKey) {
    AppDelegate& delegate = app_.delegate();
    EXPECT_EQ(app_.evaluate("navigator.userAgent"), "Delvaronte-Mac/1.0 Safari/605.1.15");
    EXPECT_TRUE(waitUntil([&] { return !gtk_widget_get_visible(delegate.splash()->view()); }));
    EXPECT_FALSE(gtk_spinner_get_spinning(GTK_SPINNER(delegate.splash()->spinner())));
    saveShot(delegate.window(), "main-window");

    server_.serve("/version.json", 200, "application/json",
                  R"({"version":")" + std::string(kVersion) + R"("})");
    app_.seams.updates.manifestUrl = server_.url("/version.json");
    AlertDriver driver;
    driver.press("OK").press("OK");
    app_.action("showAbout");
    app_.action("checkUpdates");
    EXPECT_TRUE(waitUntil([&] { return driver.pending() == 0; }));
    EXPECT_EQ(driver.seen().back().informative,
              "Vous utilisez la derniere version (" + std::string(kVersion) + ").");

    ASSERT_TRUE(app_.focusPage());
    app_.evaluate("document.getElementById('same').click(); 1");
    ASSERT_TRUE(app_.waitForLoad(server_.url("/factures.html")));
    for (const auto& [keys, path] :
         {std::pair("ctrl+bracketleft", "/"), std::pair("ctrl+bracketright", "/factures.html"),
          std::pair("ctrl+r", "/factures.html"), std::pair("ctrl+h", "/")}) {
        // Back and forward may come from the page cache; a reload asks the server again.
        const int before = server_.requests(path), asked = keys == std::string("ctrl+r");
        pressKeys(keys);
        EXPECT_TRUE(waitUntil([&] { return server_.requests(path) >= before + asked; })) << keys;
        EXPECT_TRUE(app_.waitForLoad(server_.url(path))) << keys;
    }
    for (const auto& [keys, zoom] :
         {std::pair("ctrl+plus", zoomedIn(1.0)), std::pair("ctrl+0", 1.0),
          std::pair("ctrl+minus", zoomedOut(1.0))}) {
        pressKeys(keys);
        EXPECT_TRUE(waitUntil([&] { return webkit_web_view_get_zoom_level(app_.view()) == zoom; }))
            << keys;
    }

    app_.delegate().loadUrl(server_.url("/recherche.html"));
    ASSERT_TRUE(app_.waitForLoad(server_.url("/recherche.html")));
    for (int round = 1; round <= 3; ++round) {
        app_.evaluate("f.value = ''; 1");
        ASSERT_TRUE(app_.typeInto("f", "Acme Corp"));
        for (const char* key : {"ctrl+a", "ctrl+c", "End", "ctrl+v"}) pressKeys(key);
        EXPECT_TRUE(waitUntil([&] { return app_.evaluate("f.value") == "Acme CorpAcme Corp"; }))
            << round << ": " << app_.evaluate("f.value");
    }
    typeText("SA");
    pressKeys("ctrl+z");  // unhandled by the page: the Edition item runs, after the letters
    EXPECT_TRUE(waitUntil(
        [&] { return app_.evaluate("f.dataset.annule + f.value") == "vuAcme CorpAcme Corp"; }));
    pressKeys("ctrl+shift+z");
    EXPECT_TRUE(waitUntil([&] { return app_.evaluate("f.value") == "Acme CorpAcme CorpSA"; }));

    driver.fill({"secret"}, "Valider").then([&](ShownAlert& editor) {
        ASSERT_TRUE(editor.waitUntilActive());
        gtk_widget_grab_focus(editor.fields().at(0));
        for (const char* key : {"ctrl+a", "ctrl+c", "End", "ctrl+v"}) pressKeys(key);
        EXPECT_TRUE(
            waitUntil([&] { return editor.fieldText(0) == server_.url("/") + server_.url("/"); }));
        editor.press("Annuler");
    });
    pressKeys("ctrl+shift+p");
    EXPECT_TRUE(waitUntil([&] { return driver.pending() == 0; }));
}

// The first start: the set-up dialog before any window, then a home page (its address with
// Latin-1 escapes) that never comes: the splash waits with its spinner, then the error page.
TEST(FirstStart, SetUpThenTheSplashWaitsForTheHomePage) {
    std::filesystem::remove(AppConfig::configFilePath());
    SiteServer server;
    hang(server, "/");
    RunningApp app;
    AlertDriver driver;
    driver.fill({server.url("/?soc=Soci%E9t%E9"), "secret", "secret"}, "Enregistrer");
    app.seams.homeLoadTimeoutSeconds = 2;
    app.activate();
    GtkWidget* spinner = app.delegate().splash()->spinner();
    ASSERT_TRUE(
        waitUntil([&] { return server.requests("/") == 1 && gtk_widget_get_mapped(spinner); }));
    EXPECT_TRUE(gtk_spinner_get_spinning(GTK_SPINNER(spinner)));
    saveShot(app.delegate().window(), "splash");
    EXPECT_TRUE(waitUntil([&] { return app.heading() == "Connexion impossible"; }));
    EXPECT_TRUE(
        waitUntil([&] { return !gtk_widget_get_visible(app.delegate().splash()->view()); }));
}

// Set-up with the keyboard: a rule's message, the dialog back as it was left, then a save.
// The gate refuses anything but the exact password; the editor refuses, cancels, saves.
TEST(ConfigDialogs, SetUpGateAndEditor) {
    std::filesystem::remove(AppConfig::configFilePath());
    const std::string mark = "e\xCC\x81";  // an e and a combining accent
    const std::string password = mark + mark + mark + mark;
    {
        AlertDriver driver;
        driver.then([](ShownAlert& shown) {
            EXPECT_EQ(shown.buttonLabels(), (std::vector<std::string>{"Quitter", "Enregistrer"}));
            saveShot(shown.window, "setup");
            ASSERT_TRUE(shown.waitUntilActive());
            typeText("HTTPS://compta.exemple.ma");  // typed where the user looks: the address
            pressKeys("Return");                    // the default button
        });
        driver.then([](ShownAlert& shown) {
            EXPECT_EQ(shown.title() + ": " + shown.informative(), "Erreur: " + kUrlRule);
            saveShot(shown.window, "error");
            shown.press("OK");
        });
        driver.fill({"https://", "abcd", "abce"}, "Enregistrer").press("OK");
        driver.then([&](ShownAlert& shown) {
            EXPECT_EQ(shown.fieldText(2), "abce") << "shown again as it was left";
            // Accents typed as combining marks and as precomposed letters: equal, 4 long.
            shown.type(0, " \t https://compta.exemple.ma/app \t");
            shown.type(1, password);
            shown.type(2, "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9");
            shown.press("Enregistrer");
        });
        EXPECT_TRUE(ConfigWindow::showSetup());
    }
    EXPECT_EQ(AppConfig::decrypt(AppConfig::load().encryptedUrl), "https://compta.exemple.ma/app");
    EXPECT_TRUE(AppConfig::load().verifyPassword(password));

    const std::string before = readFile(AppConfig::configFilePath());
    AlertDriver editor;
    Owner owner;
    for (const std::string& typed : {password + " ", std::string()}) {
        editor.fill({typed}, "Valider").press("OK");
        ConfigWindow::showConfig(owner);
        EXPECT_EQ(editor.seen().back().informative, "Mot de passe incorrect.");
    }
    editor.then([](ShownAlert& gate) { gtk_window_close(gate.window); });  // as "Annuler"
    ConfigWindow::showConfig(owner);
    editor
        .then([&](ShownAlert& gate) {
            saveShot(gate.window, "gate");
            gate.type(0, password);
            gate.press("Valider");
        })
        .then([](ShownAlert& shown) {
            EXPECT_EQ(shown.title(), "Configuration");
            EXPECT_EQ(shown.fieldText(0), "https://compta.exemple.ma/app");
            saveShot(shown.window, "editor");
            shown.type(0, "compta.exemple.ma");
            shown.press("Enregistrer");
        })
        .press("OK");
    ConfigWindow::showConfig(owner);
    EXPECT_EQ(editor.seen().back().informative, kUrlRule);
    editor.fill({password}, "Valider").fill({"https://autre.ma", "nouveau", "nouveau"}, "Annuler");
    ConfigWindow::showConfig(owner);
    EXPECT_EQ(readFile(AppConfig::configFilePath()), before);
    EXPECT_TRUE(owner.loaded.empty());

    // Saved: a new password alone reloads nothing; a new address loads after the notice.
    editor.fill({password}, "Valider")
        .fill({" https://compta.exemple.ma/app", "nouveau", "nouveau"}, "Enregistrer")
        .press("OK");
    ConfigWindow::showConfig(owner);
    EXPECT_TRUE(owner.loaded.empty());
    EXPECT_TRUE(AppConfig::load().verifyPassword("nouveau"));
    editor.fill({"nouveau"}, "Valider").fill({"https://ailleurs.ma/"}, "Enregistrer").press("OK");
    ConfigWindow::showConfig(owner);
    EXPECT_EQ(editor.seen().back().informative, "Configuration enregistree avec succes.");
    EXPECT_EQ(owner.loaded, std::vector<std::string>{"https://ailleurs.ma/"});
    EXPECT_TRUE(AppConfig::load().verifyPassword("nouveau")) << "an empty password keeps it";

    // An address that cannot be decrypted shows empty; any valid one is then loaded.
    AppConfig{"AAAAAAAAAAAAAAAAAAAAAA==", AppConfig::load().passwordHash}.save();
    editor.fill({"nouveau"}, "Valider")
        .then([](ShownAlert& shown) {
            EXPECT_EQ(shown.fieldText(0), "");
            shown.type(0, "http://compta.local");
            shown.press("Enregistrer");
        })
        .press("OK");
    ConfigWindow::showConfig(owner);
    EXPECT_EQ(owner.loaded.back(), "http://compta.local");
}

// The update check end to end: a real fetch from a local server, the real alerts.
TEST(UpdateCheck, EveryOutcomeSilentAndAsked) {
    std::vector<std::string> opened;
    SiteServer server;
    const std::pair<const char*, std::string> manifests[] = {
        {"/huge", R"({"version":"9.0","pad":")" + std::string(1 << 20, ' ') + "\"}"},
        {"/newer", R"({"version":"3.0.1","mac":{"url":"https://dl.ma/d.deb"}})"},
        {"/file", R"({"version":"4","mac":{"url":"file:///etc/passwd"}})"}};
    for (const auto& [path, body] : manifests) server.serve(path, 200, "application/json", body);
    hang(server, "/silence");
    const auto secure = selfSignedServer();
    // The test's own authority, trusted only where a row says so.
    const auto trusted = GRef<GTlsDatabase>::adopt(
        g_tls_file_database_new(DELVARONTE_FIXTURES "/self-signed.pem", nullptr));
    const auto check = [&](const std::string& url, bool silent, bool trust = false) {
        std::optional<UpdateOutcome> outcome;
        UpdateChecker::checkForUpdates(silent,
                                       {url,
                                        1,
                                        [&](UpdateOutcome o) { outcome = o; },
                                        trust ? trusted : GRef<GTlsDatabase>(),
                                        {},
                                        {},
                                        [&](const std::string& uri) { opened.push_back(uri); }});
        EXPECT_FALSE(outcome.has_value()) << "never finished before it returns";
        EXPECT_TRUE(waitUntil([&] { return outcome.has_value(); }, 30));
        return outcome.value_or(UpdateOutcome::Nothing);
    };
    // A manifest too large is not read, nor an error page holding a manifest; a refused,
    // untrusted or silent server is a failure, and so is a redirect off https, even from a
    // server the check trusts.
    server.serve("/absent", 404, "application/json", R"({"version":"3.0.1"})");
    secure->route("/ailleurs", [&](SoupServerMessage* message) {
        soup_server_message_set_redirect(message, 302, server.url("/newer").c_str());
    });
    const std::tuple<std::string, bool, bool> cases[] = {
        {server.url("/huge"), false, false},
        {"http://127.0.0.1:" + std::to_string(closedPort()) + "/v.json", true, false},
        {secure->url("/version.json"), true, false},
        {server.url("/silence"), true, false},
        {server.url("/absent"), false, false},
        {secure->url("/ailleurs"), true, true}};
    for (const auto& [url, failed, trust] : cases) {
        AlertDriver driver;  // a silent check shows nothing here
        EXPECT_EQ(check(url, true, trust), UpdateOutcome::Nothing) << url;
        if (failed) driver.press("OK");
        EXPECT_EQ(check(url, false, trust),
                  failed ? UpdateOutcome::CheckFailed : UpdateOutcome::Nothing)
            << url;
        EXPECT_TRUE(!failed || driver.seen().at(0).informative.starts_with("Impossible de verif"));
    }
    AlertDriver driver;
    driver.press("OK");
    EXPECT_EQ(ModalAlert().runModal(), 1000) << "an alert given no button shows one OK";
    driver
        .then([](ShownAlert& shown) {
            EXPECT_EQ(shown.buttonLabels(), (std::vector<std::string>{"Plus tard", "Telecharger"}));
            shown.press("Telecharger");
        })
        .press("Plus tard")
        .press("Telecharger");
    EXPECT_EQ(check(server.url("/newer"), true), UpdateOutcome::UpdateAvailable);
    EXPECT_EQ(check(server.url("/newer"), false), UpdateOutcome::UpdateAvailable);
    EXPECT_EQ(check(server.url("/file"), false), UpdateOutcome::UpdateAvailable);
    EXPECT_EQ(opened, std::vector<std::string>{"https://dl.ma/d.deb"}) << "never file:";
    EXPECT_EQ(server.requests("/newer"), 2) << "never fetched through the redirect off https";
}
