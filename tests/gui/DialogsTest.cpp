// Our alerts, the configuration dialogs and the update check, walked as a person walks them.
#include "../unit/TempDir.h"
#include "Harness.h"
#include "config/AppConfig.h"
#include "dialogs/ConfigWindow.h"
#include "ui/ModalAlert.h"
#include "ui/StandardAlerts.h"
#include "ui/SystemOpener.h"
#include "update/UpdateChecker.h"

using namespace delvaronte;
using namespace delvaronte::testing;

namespace {

const std::string kUrlRule = "L'URL doit commencer par http:// ou https://";
const std::string kMatchRule = "Les mots de passe ne correspondent pas.";

// Takes what the editor hands back, noting how many alerts had been seen by then.
struct Owner : UrlLoader {
    explicit Owner(const AlertDriver& driver) : driver(driver) {}
    void loadUrl(const std::string& url) override {
        loaded.push_back(url);
        seenBefore = driver.seen().size();
    }
    const AlertDriver& driver;
    std::vector<std::string> loaded;
    size_t seenBefore = 0;
};

std::string storedUrl() {
    return AppConfig::decrypt(AppConfig::load().encryptedUrl);
}

}  // namespace

TEST(ModalAlert, ButtonsKeysAndAnswers) {
    ModalAlert alert;
    alert.setMessageText("Formulaire");
    GtkWidget* field = gtk_password_entry_new();
    alert.setAccessory(field);
    alert.setInitialFocus(field);
    alert.addButton("Valider");
    alert.addButton("Annuler");
    AlertDriver driver;
    driver
        .then([&](ShownAlert& shown) {
            EXPECT_EQ(shown.buttonLabels(), (std::vector<std::string>{"Annuler", "Valider"}));
            EXPECT_TRUE(gtk_window_get_modal(shown.window));
            ASSERT_TRUE(shown.waitUntilActive());
            EXPECT_TRUE(gtk_widget_is_ancestor(gtk_window_get_focus(shown.window), field));
            typeText("garde");
            pressKeys("Return");  // the first button is the default
        })
        .then([](ShownAlert& shown) {
            EXPECT_EQ(shown.fieldText(0), "garde") << "shown again as it was left";
            ASSERT_TRUE(shown.waitUntilActive());
            pressKeys("Escape");  // the last button
        })
        .then([](ShownAlert& shown) {
            gtk_widget_grab_focus(gtk_widget_get_first_child(
                gtk_widget_get_last_child(gtk_window_get_child(shown.window))));
            ASSERT_TRUE(shown.waitUntilActive());
            pressKeys("KP_Enter");  // from any focus
        })
        .then([](ShownAlert& shown) { gtk_window_close(shown.window); })
        .press("OK")
        .press("OK");
    EXPECT_EQ(alert.runModal(), 1000);
    EXPECT_EQ(alert.runModal(), 1001);
    EXPECT_EQ(alert.runModal(), 1000);
    EXPECT_EQ(alert.runModal(), 1001) << "closing answers the last button";
    EXPECT_EQ(ModalAlert().runModal(), 1000) << "no button given: one OK";
    runErrorAlert("Le message.");
    EXPECT_EQ(driver.seen().back().title, "Erreur");
}

// Set-up: a rule's message, the dialog back as it was left, then a save; the gate; the editor.
TEST(ConfigDialogs, SetUpGateAndEditor) {
    std::filesystem::remove(AppConfig::configFilePath());
    {
        AlertDriver driver;
        driver.fill({"ftp://a.ma", "abcd", "abcd"}, "Enregistrer").press("OK").press("Quitter");
        EXPECT_FALSE(ConfigWindow::showSetup());
        EXPECT_FALSE(std::filesystem::exists(AppConfig::configFilePath())) << "quit writes nothing";
    }
    const std::string mark = "e\xCC\x81";  // an e and a combining accent
    const std::string password = mark + mark + mark + mark;
    {
        AlertDriver driver;
        driver.then([](ShownAlert& shown) {
            EXPECT_EQ(shown.buttonLabels(), (std::vector<std::string>{"Quitter", "Enregistrer"}));
            saveShot(shown.window, "setup");
            ASSERT_TRUE(shown.waitUntilActive());
            typeText("HTTPS://compta.exemple.ma");  // typed where the user looks: the address
            pressKeys("Return");
        });
        driver.then([](ShownAlert& shown) {
            EXPECT_EQ(shown.informative(), kUrlRule);
            saveShot(shown.window, "error");
            shown.press("OK");
        });
        driver.fill({"https://", "abcd", "abce"}, "Enregistrer");
        driver.then([](ShownAlert& shown) {
            EXPECT_EQ(shown.title() + ": " + shown.informative(), "Erreur: " + kMatchRule);
            shown.press("OK");
        });
        driver.then([&](ShownAlert& shown) {
            EXPECT_EQ(shown.fieldText(2), "abce");
            // Accents typed as combining marks and as precomposed letters: equal, 4 long.
            shown.type(0, " \t https://compta.exemple.ma/app \t");
            shown.type(1, password);
            shown.type(2, "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9");
            shown.press("Enregistrer");
        });
        EXPECT_TRUE(ConfigWindow::showSetup());
    }
    EXPECT_EQ(storedUrl(), "https://compta.exemple.ma/app");
    EXPECT_TRUE(AppConfig::load().verifyPassword(password));

    // The gate: anything but the exact password is refused, the file unchanged.
    const std::string before = readFile(AppConfig::configFilePath());
    for (const std::string& typed : {password + " ", std::string()}) {
        AlertDriver gate;
        Owner owner(gate);
        gate.fill({typed}, "Valider").press("OK");
        ConfigWindow::showConfig(owner);
        EXPECT_EQ(gate.seen().at(1).informative, "Mot de passe incorrect.");
    }
    // The editor: an invalid edit and a cancel write nothing and load nothing.
    AlertDriver editor;
    Owner owner(editor);
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
    editor.fill({password}, "Valider").fill({"https://autre.ma", "nouveau", "nouveau"}, "Annuler");
    ConfigWindow::showConfig(owner);
    EXPECT_EQ(editor.seen().at(2).informative, kUrlRule);
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
    EXPECT_EQ(owner.seenBefore, editor.seen().size());
    EXPECT_TRUE(AppConfig::load().verifyPassword("nouveau")) << "an empty password keeps it";

    // An address that cannot be decrypted shows empty; any valid one is then loaded.
    AppConfig undecryptable = AppConfig::load();
    undecryptable.encryptedUrl = "AAAAAAAAAAAAAAAAAAAAAA==";
    undecryptable.save();
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
    setSystemOpenerForTesting([&](const std::string& uri) { opened.push_back(uri); });
    SiteServer server;
    const std::pair<const char*, std::string> manifests[] = {
        {"/current", R"({"version":"3.0"})"},
        {"/number", R"({"version":3.1})"},
        {"/huge", R"({"version":"9.0","pad":")" + std::string(1 << 20, ' ') + "\"}"},
        {"/newer", R"({"version":"3.0.1","mac":{"url":"https://dl.ma/d.deb"}})"},
        {"/file", R"({"version":"4","mac":{"url":"file:///etc/passwd"}})"}};
    for (const auto& [path, body] : manifests) server.serve(path, 200, "application/json", body);
    hang(server, "/silence");
    const auto secure = selfSignedServer();
    const std::string upToDate = "Vous utilisez la derniere version (3.0.0).";
    const std::string failed =
        "Impossible de verifier les mises a jour.\nVerifiez votre connexion internet.";
    const std::tuple<std::string, UpdateOutcome, std::string> cases[] = {
        {server.url("/current"), UpdateOutcome::UpToDate, upToDate},
        {server.url("/number"), UpdateOutcome::Nothing, ""},
        {server.url("/huge"), UpdateOutcome::Nothing, ""},
        {"http://127.0.0.1:" + std::to_string(closedPort()) + "/v.json", UpdateOutcome::CheckFailed,
         failed},
        {secure->url("/version.json"), UpdateOutcome::CheckFailed, failed},
        {server.url("/silence"), UpdateOutcome::CheckFailed, failed},
    };
    const auto check = [](const std::string& url, bool silent) {
        std::optional<UpdateOutcome> outcome;
        UpdateChecker::checkForUpdates(silent, {url, 1, [&](UpdateOutcome o) { outcome = o; }});
        EXPECT_FALSE(outcome.has_value()) << "never finished before it returns";
        EXPECT_TRUE(waitUntil([&] { return outcome.has_value(); }, 30));
        return outcome.value_or(UpdateOutcome::Nothing);
    };
    for (const auto& [url, asked, text] : cases) {
        AlertDriver driver;  // a silent check shows nothing here
        EXPECT_EQ(check(url, true), UpdateOutcome::Nothing) << url;
        if (!text.empty()) driver.press("OK");
        EXPECT_EQ(check(url, false), asked) << url;
        EXPECT_EQ(driver.seen().empty() ? "" : driver.seen()[0].informative, text);
    }
    AlertDriver driver;
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
    setSystemOpenerForTesting(nullptr);
}
