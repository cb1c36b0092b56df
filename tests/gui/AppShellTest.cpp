// The application as a person starts and uses it: start-up, window, splash, menu commands.
#include <gtest/gtest.h>

#include <filesystem>

#include "AlertDriver.h"
#include "LocalServer.h"
#include "RunningApp.h"
#include "config/AppConfig.h"
#include "shell/Splash.h"

using namespace delvaronte;
using namespace delvaronte::testing;

namespace {

std::vector<std::string> menuTitles(GtkApplication* application) {
    std::vector<std::string> titles;
    GMenuModel* bar = gtk_application_get_menubar(application);
    for (int i = 0; bar != nullptr && i < g_menu_model_get_n_items(bar); ++i) {
        char* label = nullptr;
        g_menu_model_get_item_attribute(bar, i, G_MENU_ATTRIBUTE_LABEL, "s", &label);
        titles.emplace_back(label != nullptr ? label : "");
        g_free(label);
    }
    return titles;
}

class AppOnPages : public AppOnDemoSite {
protected:
    void followLinkToPage2() {
        app_.click("same");
        ASSERT_TRUE(app_.waitForLoad(server_.url("/factures.html")));
    }
};

}  // namespace

TEST(AppShell, StartsOnTheHomePageWithTheFixedUserAgentAndTheSplashGone) {
    LocalServer server;
    server.serveDirectory(DELVARONTE_DEMO_SITE);
    RunningApp::provision(server.url("/"));
    RunningApp app;
    app.activate();
    AppDelegate& delegate = app.delegate();

    ASSERT_NE(delegate.window(), nullptr);
    EXPECT_STREQ(gtk_window_get_title(delegate.window()), "DELVARONTE");
    EXPECT_TRUE(gtk_widget_get_visible(delegate.splashView())) << "shown until a page is done";
    ASSERT_TRUE(app.waitForLoad(server.url("/")));
    EXPECT_EQ(delegate.appUrl(), server.url("/"));
    EXPECT_EQ(server.lastHeader("/", "User-Agent"), "Delvaronte-Mac/1.0 Safari/605.1.15");
    EXPECT_EQ(app.evaluate("navigator.userAgent"), "Delvaronte-Mac/1.0 Safari/605.1.15");

    // Faded out, then hidden for good, and no longer catching clicks.
    EXPECT_TRUE(waitUntil([&] { return !gtk_widget_get_visible(delegate.splashView()); }));
    EXPECT_FALSE(gtk_widget_get_can_target(delegate.splashView()));
    EXPECT_FALSE(gtk_spinner_get_spinning(GTK_SPINNER(delegate.progressIndicator())))
        << "nothing of the splash runs once it is hidden";
    saveShot(delegate.window(), "main-window");

    EXPECT_EQ(menuTitles(app.application()),
              (std::vector<std::string>{"DELVARONTE", "Navigation", "Edition", "Fenetre"}));
    // Never smaller than 800 x 600.
    int width = 0;
    int height = 0;
    gtk_widget_get_size_request(GTK_WIDGET(delegate.window()), &width, &height);
    EXPECT_EQ(width, 800);
    EXPECT_EQ(height, 600);
    EXPECT_TRUE(
        webkit_settings_get_enable_developer_extras(webkit_web_view_get_settings(app.view())));
}

TEST(AppShell, SplashCentresItsLogoAndSpinnerWhileThePageIsAwaited) {
    LocalServer server;
    server.hang("/");
    RunningApp::provision(server.url("/"));
    RunningApp app;
    app.activate();
    GtkWidget* splash = app.delegate().splashView();
    GtkWidget* spinner = app.delegate().progressIndicator();
    ASSERT_TRUE(waitUntil([&] {
        return server.requests("/") == 1 && gtk_widget_get_mapped(splash) &&
               gtk_widget_get_height(splash) > 0;
    }));
    ASSERT_TRUE(waitUntil([&] { return gtk_widget_get_height(spinner) > 0; }));

    GtkWidget* logo = gtk_widget_get_first_child(gtk_widget_get_first_child(splash));
    graphene_rect_t logoBounds;
    graphene_rect_t spinnerBounds;
    ASSERT_TRUE(gtk_widget_compute_bounds(logo, splash, &logoBounds));
    ASSERT_TRUE(gtk_widget_compute_bounds(spinner, splash, &spinnerBounds));
    const double middleX = gtk_widget_get_width(splash) / 2.0;
    const double middleY = gtk_widget_get_height(splash) / 2.0;
    EXPECT_NEAR(logoBounds.origin.x + logoBounds.size.width / 2, middleX, 1.0);
    EXPECT_NEAR(logoBounds.origin.y + logoBounds.size.height / 2, middleY - kSplashLogoRaise, 1.0);
    EXPECT_LE(logoBounds.size.width, kSplashLogoMaxWidth);
    EXPECT_LE(logoBounds.size.height, kSplashLogoMaxHeight);
    EXPECT_NEAR(spinnerBounds.origin.x + spinnerBounds.size.width / 2, middleX, 1.0);
    // The spinner turns, and its bounds with it; its centre stays put.
    EXPECT_NEAR(
        spinnerBounds.origin.y + spinnerBounds.size.height / 2,
        logoBounds.origin.y + logoBounds.size.height + kSplashSpinnerGap + kSplashSpinnerSize / 2.0,
        1.0);
    EXPECT_TRUE(gtk_spinner_get_spinning(GTK_SPINNER(spinner)));
    // The logo is there: the picture has content.
    EXPECT_NE(gtk_picture_get_paintable(GTK_PICTURE(logo)), nullptr);
    saveShot(app.delegate().window(), "splash");
}

TEST_F(AppOnPages, HomeGoesBackToTheHomeAddressAndLoadUrlKeepsItWhenUnparsable) {
    followLinkToPage2();
    app_.activateAction("goHome");
    ASSERT_TRUE(app_.waitForLoad(server_.url("/")));
    EXPECT_EQ(server_.requests("/"), 2);

    for (const char* text : {"", "pas une adresse", "https://exemple .ma/", "compta.exemple.ma"}) {
        app_.delegate().loadUrl(text);
        EXPECT_EQ(app_.delegate().appUrl(), server_.url("/"));
    }
    app_.delegate().loadUrl(server_.url("/factures.html"));
    ASSERT_TRUE(app_.waitForLoad(server_.url("/factures.html")));
    EXPECT_EQ(app_.delegate().appUrl(), server_.url("/factures.html"));
}

TEST(AppShell, UndecryptableAddressKeepsTheSplashWithAWorkingMenu) {
    RunningApp::provisionUndecryptable();
    RunningApp app;
    app.activate();
    ASSERT_NE(app.delegate().window(), nullptr);
    EXPECT_EQ(app.delegate().appUrl(), "");
    app.activateAction("goHome");
    EXPECT_EQ(webkit_web_view_get_uri(app.view()), nullptr) << "nothing was loaded";
    EXPECT_TRUE(gtk_widget_get_visible(app.delegate().splashView()));

    AlertDriver driver;
    driver.press("Annuler");
    app.activateAction("openConfig");
    ASSERT_EQ(driver.seen().size(), 1u);
    EXPECT_EQ(driver.seen()[0].title, "Acces Configuration");
}

TEST(AppShell, FirstLaunchQuitWritesNothingAndMakesNoWindow) {
    std::filesystem::remove(AppConfig::configFilePath());
    RunningApp app;
    AlertDriver driver;
    driver.then([](ShownAlert& shown) {
        EXPECT_EQ(shown.title(), "Configuration initiale");
        shown.press("Quitter");
    });
    app.activate();
    EXPECT_EQ(app.delegate().window(), nullptr);
    EXPECT_EQ(gtk_application_get_windows(app.application()), nullptr);
    EXPECT_FALSE(std::filesystem::exists(AppConfig::configFilePath()));
}

TEST(AppShell, FirstLaunchSetUpLoadsTheNewAddress) {
    LocalServer server;
    server.serveDirectory(DELVARONTE_DEMO_SITE);
    std::filesystem::remove(AppConfig::configFilePath());
    RunningApp app;
    AlertDriver driver;
    driver.fill({server.url("/"), "secret", "secret"}, "Enregistrer");
    app.activate();
    ASSERT_TRUE(app.waitForLoad(server.url("/")));
    EXPECT_EQ(app.delegate().appUrl(), server.url("/"));
}

TEST_F(AppOnPages, ClosingHidesTheWindowAndActivatingAgainBringsItBackAsItWas) {
    followLinkToPage2();
    RunningApp& app = app_;
    LocalServer& server = server_;
    GtkWindow* window = app.delegate().window();
    gtk_window_close(window);
    EXPECT_TRUE(waitUntil([&] { return !gtk_widget_get_visible(GTK_WIDGET(window)); }));
    EXPECT_NE(gtk_application_get_windows(app.application()), nullptr) << "still held";

    app.activate();  // what launching the program again does
    EXPECT_EQ(app.delegate().window(), window);
    EXPECT_TRUE(waitUntil([&] { return gtk_widget_get_visible(GTK_WIDGET(window)); }));
    EXPECT_STREQ(webkit_web_view_get_uri(app.view()), server.url("/factures.html").c_str());
    EXPECT_TRUE(webkit_web_view_can_go_back(app.view()));
    EXPECT_EQ(server.requests("/factures.html"), 1) << "the page was kept, not loaded again";
}

TEST_F(AppOnPages, MenuCommandsWithoutKeys) {
    RunningApp& app = app_;
    LocalServer& server = server_;
    server.serve("/version.json", 200, "application/json", R"({"version":"3.0.0"})");
    UpdateCheckSettings settings;
    settings.manifestUrl = server.url("/version.json");
    app.delegate().setUpdateSettingsForTesting(settings);

    AlertDriver driver;
    driver.then([](ShownAlert& shown) {
        EXPECT_EQ(shown.title(), "DELVARONTE");
        EXPECT_EQ(shown.informative(),
                  "Version 3.0\n\nLogiciel de comptabilite generale, analytique et commerciale "
                  "multi-societes.\n\nConcu pour les entreprises et associations marocaines."
                  "\n\nEdite par DELVARONTE Logiciels.");
        EXPECT_EQ(shown.buttonLabels(), std::vector<std::string>{"OK"});
        EXPECT_EQ(shown.iconName(), "dialog-information-symbolic");
        shown.press("OK");
    });
    app.activateAction("showAbout");

    driver.then([](ShownAlert& shown) {
        EXPECT_EQ(shown.informative(), "Vous utilisez la derniere version (3.0.0).");
        shown.press("OK");
    });
    app.activateAction("checkUpdates");
    EXPECT_TRUE(waitUntil([&] { return driver.pending() == 0; }));
}
