#include <gtest/gtest.h>

#include "AlertDriver.h"
#include "RunningApp.h"
#include "ui/ModalAlert.h"
#include "ui/StandardAlerts.h"

using namespace delvaronte;
using delvaronte::testing::AlertDriver;
using delvaronte::testing::ShownAlert;

TEST(ModalAlert, ButtonsReadRightToLeftAndAnswerByTheOrderAdded) {
    ModalAlert alert;
    alert.setMessageText("Message");
    alert.setInformativeText("Informations");
    alert.setStyle(AlertStyle::Informational);
    alert.addButton("Premier");
    alert.addButton("Second");

    AlertDriver driver;
    driver
        .then([](ShownAlert& shown) {
            EXPECT_EQ(shown.title(), "Message");
            EXPECT_EQ(shown.message(), "Message");
            EXPECT_EQ(shown.informative(), "Informations");
            EXPECT_EQ(shown.iconName(), "dialog-information-symbolic");
            EXPECT_EQ(shown.buttonLabels(), (std::vector<std::string>{"Second", "Premier"}));
            ASSERT_NE(shown.defaultButton(), nullptr);
            EXPECT_STREQ(gtk_button_get_label(GTK_BUTTON(shown.defaultButton())), "Premier");
            EXPECT_TRUE(gtk_window_get_modal(shown.window()));
            shown.press("Premier");
        })
        .press("Second")
        .then([](ShownAlert& shown) { shown.close(); });

    EXPECT_EQ(alert.runModal(), 1000);
    EXPECT_EQ(alert.runModal(), 1001);
    EXPECT_EQ(alert.runModal(), 1001) << "the close button answers the last button";
}

TEST(ModalAlert, WithoutButtonsShowsOneOkAndStandardAlertsHaveTheirTexts) {
    AlertDriver driver;
    driver
        .then([](ShownAlert& shown) {
            EXPECT_EQ(shown.buttonLabels(), std::vector<std::string>{"OK"});
            shown.close();
        })
        .press("OK")
        .press("OK");

    ModalAlert plain;
    EXPECT_EQ(plain.runModal(), 1000);
    runErrorAlert("Le message.");
    runNoticeAlert("Fait.");

    ASSERT_EQ(driver.seen().size(), 3u);
    EXPECT_EQ(driver.seen()[1].title, "Erreur");
    EXPECT_EQ(driver.seen()[1].informative, "Le message.");
    EXPECT_EQ(driver.seen()[1].icon, "dialog-warning-symbolic");
    EXPECT_EQ(driver.seen()[2].title, "DELVARONTE");
    EXPECT_EQ(driver.seen()[2].informative, "Fait.");
    EXPECT_EQ(driver.seen()[2].icon, "dialog-information-symbolic");
}

TEST(ModalAlert, RunsAgainWithWhatWasTypedAndIsTransientForTheActiveWindow) {
    GtkApplication* application =
        gtk_application_new("ma.delvaronte.AlertTest", G_APPLICATION_NON_UNIQUE);
    ASSERT_TRUE(g_application_register(G_APPLICATION(application), nullptr, nullptr));
    g_application_set_default(G_APPLICATION(application));
    GtkWidget* main = gtk_application_window_new(application);
    gtk_window_present(GTK_WINDOW(main));

    ModalAlert alert;
    alert.setMessageText("Formulaire");
    GtkWidget* field = gtk_entry_new();
    alert.setAccessory(field);
    alert.setInitialFocus(field);
    alert.addButton("Valider");

    AlertDriver driver;
    driver
        .then([&](ShownAlert& shown) {
            EXPECT_EQ(gtk_window_get_transient_for(shown.window()), GTK_WINDOW(main));
            EXPECT_TRUE(gtk_widget_is_ancestor(shown.focus(), field) || shown.focus() == field);
            shown.type(0, "garde");
            shown.press("Valider");
        })
        .then([](ShownAlert& shown) {
            EXPECT_EQ(shown.fieldText(0), "garde");
            shown.press("Valider");
        });
    EXPECT_EQ(alert.runModal(), 1000);
    EXPECT_EQ(alert.runModal(), 1000);

    g_application_set_default(nullptr);
    gtk_window_destroy(GTK_WINDOW(main));
    g_object_unref(application);
}

TEST(ModalAlert, EnterAnswersTheDefaultAndEscapeTheLastFromAnyFocus) {
    ModalAlert alert;
    alert.setMessageText("Clavier");
    GtkWidget* field = gtk_password_entry_new();
    alert.setAccessory(field);
    alert.setInitialFocus(field);
    alert.addButton("Valider");
    alert.addButton("Annuler");

    // Each key is sent once the window has the keyboard focus.
    auto sendWhenFocused = [](const char* key) {
        return [key](ShownAlert& shown) {
            ASSERT_TRUE(delvaronte::testing::waitUntil(
                [&] { return gtk_window_is_active(shown.window()); }));
            delvaronte::testing::pressKeys(key);
        };
    };
    AlertDriver driver;
    driver.then(sendWhenFocused("Return"))
        .then(sendWhenFocused("Escape"))
        .then([&](ShownAlert& shown) {
            // With the focus on the other button, Enter still answers the default one.
            GtkWidget* cancel = gtk_widget_get_first_child(
                gtk_widget_get_last_child(gtk_window_get_child(shown.window())));
            gtk_widget_grab_focus(cancel);
            sendWhenFocused("KP_Enter")(shown);
        });
    EXPECT_EQ(alert.runModal(), 1000);
    EXPECT_EQ(alert.runModal(), 1001);
    EXPECT_EQ(alert.runModal(), 1000);
}
