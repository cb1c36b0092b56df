#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "../unit/TempDir.h"
#include "AlertDriver.h"
#include "RunningApp.h"
#include "config/AppConfig.h"
#include "dialogs/ConfigForms.h"
#include "dialogs/ConfigWindow.h"

using namespace delvaronte;
using delvaronte::testing::AlertDriver;
using delvaronte::testing::pressKeys;
using delvaronte::testing::readFile;
using delvaronte::testing::RunningApp;
using delvaronte::testing::saveShot;
using delvaronte::testing::ShownAlert;
using delvaronte::testing::typeText;
using delvaronte::testing::waitUntil;

namespace {

const std::string kUrlMessage = "L'URL doit commencer par http:// ou https://";
const std::string kLengthMessage = "Le mot de passe doit contenir au moins 4 caracteres.";
const std::string kMatchMessage = "Les mots de passe ne correspondent pas.";
const std::string kAcute = "\xCC\x81";

std::filesystem::path configFile() {
    return AppConfig::configFilePath();
}

// Records what the editor hands back, and which alerts had been seen by then.
struct RecordingOwner : UrlLoader {
    explicit RecordingOwner(const AlertDriver& driver) : driver(driver) {}
    void loadUrl(const std::string& url) override {
        loaded.push_back(url);
        alertsSeenWhenLoaded = driver.seen().size();
    }
    const AlertDriver& driver;
    std::vector<std::string> loaded;
    size_t alertsSeenWhenLoaded = 0;
};

class ConfigDialogs : public ::testing::Test {
protected:
    void SetUp() override { std::filesystem::remove(configFile()); }
};

// Frames of a form as laid out on screen, relative to the form.
void expectFieldsWhereTheFramesSay(ShownAlert& shown, const FormLayout& layout) {
    const auto fields = shown.fields();
    GtkWidget* form = gtk_widget_get_parent(fields.front());
    size_t index = 0;
    for (const FormElement& element : layout.elements) {
        if (element.kind == FormElement::Kind::Label) continue;
        graphene_rect_t bounds;
        ASSERT_TRUE(gtk_widget_compute_bounds(fields[index], form, &bounds));
        EXPECT_EQ(bounds.origin.x, element.x);
        EXPECT_EQ(bounds.origin.y, element.top);
        EXPECT_EQ(bounds.size.width, element.width);
        EXPECT_EQ(bounds.size.height, element.height);
        // Wholly inside the form, and the form wholly inside the window.
        EXPECT_LE(bounds.origin.y + bounds.size.height, gtk_widget_get_height(form));
        ++index;
    }
    graphene_rect_t formBounds;
    ASSERT_TRUE(gtk_widget_compute_bounds(form, GTK_WIDGET(shown.window()), &formBounds));
    EXPECT_LE(formBounds.origin.y + formBounds.size.height,
              gtk_widget_get_height(GTK_WIDGET(shown.window())));
}

}  // namespace

TEST_F(ConfigDialogs, SetupQuitWritesNothingAtFirstOrAfterErrors) {
    {
        AlertDriver driver;
        driver.press("Quitter");
        EXPECT_FALSE(ConfigWindow::showSetup());
    }
    {
        AlertDriver driver;
        driver.fill({"ftp://a.ma", "abcd", "abcd"}, "Enregistrer").press("OK").press("Quitter");
        EXPECT_FALSE(ConfigWindow::showSetup());
        EXPECT_EQ(driver.seen().at(1).informative, kUrlMessage);
    }
    EXPECT_FALSE(std::filesystem::exists(configFile()));
}

TEST_F(ConfigDialogs, SetupReportsTheFirstFailedRuleAndComesBackAsLeft) {
    struct Attempt {
        std::vector<std::string> entries;
        std::string message;
    };
    const Attempt attempts[] = {
        {{"", "ab", "cd"}, kUrlMessage},
        {{"HTTPS://compta.exemple.ma", "abcd", "abcd"}, kUrlMessage},
        {{"ftp://compta.exemple.ma", "abcd", "abcd"}, kUrlMessage},
        {{"https://", "abc", "abc"}, kLengthMessage},
        {{"https://", "", ""}, kLengthMessage},
        {{"https://", "   ", "   "}, kLengthMessage},
        {{"https://", "abcd", "abce"}, kMatchMessage},
    };

    AlertDriver driver;
    driver.then([](ShownAlert& shown) {
        EXPECT_EQ(shown.title(), "Configuration initiale");
        EXPECT_EQ(shown.informative(), "Configurez l'URL et le mot de passe administrateur.");
        EXPECT_EQ(shown.buttonLabels(), (std::vector<std::string>{"Quitter", "Enregistrer"}));
        expectFieldsWhereTheFramesSay(shown, kSetupForm);
        saveShot(shown.window(), "setup");
        shown.press("Enregistrer");  // all empty: the address rule fails first
    });
    driver.then([](ShownAlert& shown) {
        saveShot(shown.window(), "error");
        shown.press("OK");
    });
    for (const auto& attempt : attempts) {
        driver.fill(attempt.entries, "Enregistrer");
        driver.then([attempt](ShownAlert& shown) {
            EXPECT_EQ(shown.title(), "Erreur");
            EXPECT_EQ(shown.informative(), attempt.message);
            shown.press("OK");
        });
    }
    // The alert comes back holding what was typed last.
    driver.then([](ShownAlert& shown) {
        EXPECT_EQ(shown.fieldText(0), "https://");
        EXPECT_EQ(shown.fieldText(1), "abcd");
        EXPECT_EQ(shown.fieldText(2), "abce");
        // Four letters typed with combining accents against precomposed ones: equal, 4 long.
        shown.type(0, " \t https://compta.exemple.ma/app \t");
        shown.type(1, "e" + kAcute + "e" + kAcute + "e" + kAcute + "e" + kAcute);
        shown.type(2, "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9");
        shown.press("Enregistrer");
    });

    EXPECT_TRUE(ConfigWindow::showSetup());
    EXPECT_EQ(driver.seen().size(), 2 + 2 * std::size(attempts) + 1);

    const AppConfig stored = AppConfig::load();
    EXPECT_EQ(AppConfig::decrypt(stored.encryptedUrl), "https://compta.exemple.ma/app");
    EXPECT_EQ(stored.passwordHash.size(), 44u);
    EXPECT_TRUE(stored.verifyPassword("e" + kAcute + "e" + kAcute + "e" + kAcute + "e" + kAcute));
}

// A person types right away, with the keyboard only: the set-up dialog and the editor start
// in their first field, the gate in its password field; Enter and Escape answer.
TEST_F(ConfigDialogs, TypingGoesWhereTheUserLooks) {
    const auto typeAfterOpening = [](ShownAlert& shown, const std::string& text) {
        ASSERT_TRUE(waitUntil([&] { return gtk_window_is_active(shown.window()); }));
        typeText(text);
        EXPECT_TRUE(waitUntil([&] {
            return gtk_widget_get_visible(GTK_WIDGET(shown.window())) && shown.fieldText(0) == text;
        })) << shown.fieldText(0);
    };
    {
        AlertDriver driver;
        driver.then([&](ShownAlert& shown) {
            typeAfterOpening(shown, "https://compta.exemple.ma");
            shown.type(1, "secret");
            shown.type(2, "secret");
            pressKeys("Return");
        });
        EXPECT_TRUE(ConfigWindow::showSetup());
        EXPECT_EQ(driver.pending(), 0u);
    }
    AlertDriver driver;
    RecordingOwner owner(driver);
    driver
        .then([&](ShownAlert& gate) {
            typeAfterOpening(gate, "secret");
            pressKeys("Return");
        })
        .then([&](ShownAlert& editor) {
            ASSERT_TRUE(waitUntil([&] { return gtk_window_is_active(editor.window()); }));
            pressKeys("ctrl+a");
            typeText("https://ailleurs.exemple.ma");
            EXPECT_TRUE(waitUntil([&] {
                return editor.fieldText(0) == "https://ailleurs.exemple.ma";
            })) << editor.fieldText(0);
            pressKeys("Escape");
        });
    ConfigWindow::showConfig(owner);
    EXPECT_EQ(driver.pending(), 0u);
    EXPECT_TRUE(owner.loaded.empty());
    EXPECT_EQ(AppConfig::decrypt(AppConfig::load().encryptedUrl), "https://compta.exemple.ma");
}

TEST_F(ConfigDialogs, SetupAcceptsFourSpaces) {
    AlertDriver driver;
    driver.fill({"https://", "    ", "    "}, "Enregistrer");
    EXPECT_TRUE(ConfigWindow::showSetup());
    EXPECT_TRUE(AppConfig::load().verifyPassword("    "));
}

TEST_F(ConfigDialogs, GateRefusesAnythingButTheExactPassword) {
    // No file: the stored hash is empty and nothing opens the gate, not even nothing.
    for (const std::string typed : {"", "secret"}) {
        AlertDriver driver;
        RecordingOwner owner(driver);
        driver.fill({typed}, "Valider").press("OK");
        ConfigWindow::showConfig(owner);
        EXPECT_EQ(driver.seen().at(1).title, "Erreur");
        EXPECT_EQ(driver.seen().at(1).informative, "Mot de passe incorrect.");
    }

    RunningApp::provision("https://compta.exemple.ma", "secret");
    const std::string before = readFile(configFile());
    for (const std::string typed : {" secret", "secret ", "SECRET"}) {
        AlertDriver driver;
        RecordingOwner owner(driver);
        driver.fill({typed}, "Valider").press("OK");
        ConfigWindow::showConfig(owner);
        ASSERT_EQ(driver.seen().size(), 2u) << "the gate is not shown again";
        EXPECT_EQ(driver.seen()[1].informative, "Mot de passe incorrect.");
        EXPECT_TRUE(owner.loaded.empty());
    }
    EXPECT_EQ(readFile(configFile()), before);
}

TEST_F(ConfigDialogs, CancelOnGateOrEditorChangesNothing) {
    RunningApp::provision("https://compta.exemple.ma", "secret");
    const std::string before = readFile(configFile());
    {
        AlertDriver driver;
        RecordingOwner owner(driver);
        driver.then([](ShownAlert& shown) {
            EXPECT_EQ(shown.title(), "Acces Configuration");
            EXPECT_EQ(shown.informative(), "Entrez le mot de passe administrateur.");
            EXPECT_EQ(shown.buttonLabels(), (std::vector<std::string>{"Annuler", "Valider"}));
            ASSERT_EQ(shown.fields().size(), 1u);
            EXPECT_TRUE(gtk_widget_is_ancestor(shown.focus(), shown.fields()[0]));
            EXPECT_TRUE(GTK_IS_PASSWORD_ENTRY(shown.fields()[0]));
            saveShot(shown.window(), "gate");
            shown.type(0, "secret");
            shown.press("Annuler");
        });
        ConfigWindow::showConfig(owner);
        EXPECT_TRUE(owner.loaded.empty());
    }
    {
        AlertDriver driver;
        RecordingOwner owner(driver);
        driver.fill({"secret"}, "Valider").then([](ShownAlert& shown) {
            EXPECT_EQ(shown.title(), "Configuration");
            EXPECT_EQ(shown.informative(), "Modifiez l'URL ou le mot de passe.");
            EXPECT_EQ(shown.buttonLabels(), (std::vector<std::string>{"Annuler", "Enregistrer"}));
            EXPECT_EQ(shown.fieldText(0), "https://compta.exemple.ma");
            expectFieldsWhereTheFramesSay(shown, kEditorForm);
            saveShot(shown.window(), "editor");
            shown.type(0, "https://ailleurs.exemple.ma");
            shown.type(1, "nouveau");
            shown.type(2, "nouveau");
            shown.press("Annuler");
        });
        ConfigWindow::showConfig(owner);
        EXPECT_TRUE(owner.loaded.empty());
    }
    EXPECT_EQ(readFile(configFile()), before);
}

TEST_F(ConfigDialogs, InvalidEditsWriteNothing) {
    RunningApp::provision("https://compta.exemple.ma", "secret");
    const std::string before = readFile(configFile());
    struct Edit {
        std::vector<std::string> entries;
        std::string message;
    };
    const Edit edits[] = {
        {{"compta.exemple.ma", "valide", "valide"}, kUrlMessage},
        {{"https://compta.exemple.ma", "abc", "xyz"}, kLengthMessage},
        {{"https://compta.exemple.ma", "abcd", "abce"}, kMatchMessage},
    };
    for (const auto& edit : edits) {
        AlertDriver driver;
        RecordingOwner owner(driver);
        driver.fill({"secret"}, "Valider").fill(edit.entries, "Enregistrer").press("OK");
        ConfigWindow::showConfig(owner);
        ASSERT_EQ(driver.seen().size(), 3u);
        EXPECT_EQ(driver.seen()[2].title, "Erreur");
        EXPECT_EQ(driver.seen()[2].informative, edit.message);
        EXPECT_TRUE(owner.loaded.empty());
    }
    EXPECT_EQ(readFile(configFile()), before);
}

TEST_F(ConfigDialogs, SavedEditsReloadOnlyWhenTheAddressChanged) {
    RunningApp::provision("https://compta.exemple.ma", "secret");
    const std::string hash = AppConfig::load().passwordHash;
    {
        // Nothing changed, whatever the confirmation holds: saved, not reloaded.
        AlertDriver driver;
        RecordingOwner owner(driver);
        driver.fill({"secret"}, "Valider")
            .fill({"  https://compta.exemple.ma ", "", "ignored"}, "Enregistrer")
            .press("OK");
        ConfigWindow::showConfig(owner);
        EXPECT_EQ(driver.seen().back().title, "DELVARONTE");
        EXPECT_EQ(driver.seen().back().informative, "Configuration enregistree avec succes.");
        EXPECT_TRUE(owner.loaded.empty());
        EXPECT_EQ(AppConfig::load().passwordHash, hash);
    }
    {
        // Only the password: saved, not reloaded.
        AlertDriver driver;
        RecordingOwner owner(driver);
        driver.fill({"secret"}, "Valider")
            .fill({"https://compta.exemple.ma", "nouveau", "nouveau"}, "Enregistrer")
            .press("OK");
        ConfigWindow::showConfig(owner);
        EXPECT_TRUE(owner.loaded.empty());
        EXPECT_TRUE(AppConfig::load().verifyPassword("nouveau"));
    }
    {
        // The address: loaded once, after the success notice was dismissed.
        AlertDriver driver;
        RecordingOwner owner(driver);
        driver.fill({"nouveau"}, "Valider")
            .fill({"https://ailleurs.exemple.ma/"}, "Enregistrer")
            .press("OK");
        ConfigWindow::showConfig(owner);
        EXPECT_EQ(owner.loaded, std::vector<std::string>{"https://ailleurs.exemple.ma/"});
        EXPECT_EQ(owner.alertsSeenWhenLoaded, 3u);
        EXPECT_EQ(AppConfig::decrypt(AppConfig::load().encryptedUrl),
                  "https://ailleurs.exemple.ma/");
        EXPECT_TRUE(AppConfig::load().verifyPassword("nouveau"));
    }
}

TEST_F(ConfigDialogs, UndecryptableAddressShowsEmptyAndAnyValidOneIsLoaded) {
    RunningApp::provisionUndecryptable();

    AlertDriver driver;
    RecordingOwner owner(driver);
    driver.fill({"secret"}, "Valider")
        .then([](ShownAlert& shown) {
            EXPECT_EQ(shown.fieldText(0), "");
            shown.type(0, "http://compta.local");
            shown.press("Enregistrer");
        })
        .press("OK");
    ConfigWindow::showConfig(owner);
    EXPECT_EQ(owner.loaded, std::vector<std::string>{"http://compta.local"});
}
