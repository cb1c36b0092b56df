// The main window as a person starts and uses it: start-up, splash, menu and keys.
#include "Harness.h"
#include "config/AppConfig.h"
#include "shell/Zoom.h"

using namespace delvaronte;
using namespace delvaronte::testing;
using AppShell = AppOnDemoSite;

TEST_F(AppShell, StartsOnTheHomePageAndKeepsItsWindow) {
    AppDelegate& delegate = app_.delegate();
    EXPECT_STREQ(gtk_window_get_title(delegate.window()), "DELVARONTE");
    EXPECT_EQ(app_.evaluate("navigator.userAgent"), "Delvaronte-Mac/1.0 Safari/605.1.15");
    EXPECT_TRUE(waitUntil([&] { return !gtk_widget_get_visible(delegate.splashView()); }));
    EXPECT_FALSE(gtk_spinner_get_spinning(GTK_SPINNER(delegate.progressIndicator())));
    saveShot(delegate.window(), "main-window");
    GMenuModel* bar = gtk_application_get_menubar(app_.application());
    std::string menus;
    for (int i = 0; bar != nullptr && i < g_menu_model_get_n_items(bar); ++i) {
        g_autofree char* label = nullptr;
        g_menu_model_get_item_attribute(bar, i, G_MENU_ATTRIBUTE_LABEL, "s", &label);
        menus += std::string(label) + ";";
    }
    EXPECT_EQ(menus, "DELVARONTE;Navigation;Edition;Fenetre;");
    int width = 0, height = 0;
    gtk_widget_get_size_request(GTK_WIDGET(delegate.window()), &width, &height);
    EXPECT_EQ(std::pair(width, height), std::pair(800, 600));

    for (const char* text : {"", "pas une adresse", "https://exemple .ma/"}) {
        delegate.loadUrl(text);
        EXPECT_EQ(delegate.appUrl(), server_.url("/")) << text;
    }
    app_.evaluate("document.getElementById('same').click(); 1");
    ASSERT_TRUE(app_.waitForLoad(server_.url("/factures.html")));
    gtk_window_close(delegate.window());
    EXPECT_TRUE(waitUntil([&] { return !gtk_widget_get_visible(GTK_WIDGET(delegate.window())); }));
    app_.activate();  // what launching the program again does
    EXPECT_TRUE(waitUntil([&] { return gtk_widget_get_visible(GTK_WIDGET(delegate.window())); }));
    EXPECT_STREQ(webkit_web_view_get_uri(app_.view()), server_.url("/factures.html").c_str());
    EXPECT_EQ(server_.requests("/factures.html"), 1) << "kept, not loaded again";

    server_.serve("/version.json", 200, "application/json", R"({"version":"3.0.0"})");
    delegate.setUpdateSettingsForTesting({server_.url("/version.json"), 10, nullptr});
    AlertDriver driver;
    driver.press("OK").press("OK");
    app_.action("showAbout");
    app_.action("checkUpdates");
    EXPECT_TRUE(waitUntil([&] { return driver.pending() == 0; }));
    EXPECT_TRUE(driver.seen().at(0).informative.starts_with("Version 3.0\n\nLogiciel de compta"));
    EXPECT_EQ(driver.seen().back().informative, "Vous utilisez la derniere version (3.0.0).");
}

// Every key of the menu bar on a real keyboard; the editing keys in turn with typing, on a
// search field whose key handler takes its time, and in our own dialogs.
TEST_F(AppShell, EveryKeyOfTheMenuBar) {
    ASSERT_TRUE(app_.focusPage());
    app_.evaluate("document.getElementById('same').click(); 1");
    ASSERT_TRUE(app_.waitForLoad(server_.url("/factures.html")));
    // Back and forward may come from the page cache; a reload asks the server again.
    const std::tuple<const char*, std::string, int> moves[] = {
        {"ctrl+bracketleft", "/", 0},
        {"ctrl+bracketright", "/factures.html", 0},
        {"ctrl+r", "/factures.html", 1},
        {"ctrl+h", "/", 0}};
    for (const auto& [keys, path, asked] : moves) {
        const int before = server_.requests(path);
        pressKeys(keys);
        EXPECT_TRUE(waitUntil([&] { return server_.requests(path) >= before + asked; })) << keys;
        EXPECT_TRUE(app_.waitForLoad(server_.url(path))) << keys;
    }
    WebKitWebView* view = app_.view();
    for (const auto& [keys, zoom] :
         {std::pair("ctrl+plus", zoomedIn(1.0)), std::pair("ctrl+0", 1.0),
          std::pair("ctrl+minus", zoomedOut(1.0))}) {
        pressKeys(keys);
        EXPECT_TRUE(waitUntil([&] { return webkit_web_view_get_zoom_level(view) == zoom; }))
            << keys;
    }
    GtkWindow* window = app_.delegate().window();
    for (const bool full : {true, false}) {
        pressKeys("ctrl+f");
        EXPECT_TRUE(waitUntil([&] { return gtk_window_is_fullscreen(window) == full; }));
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
    EXPECT_TRUE(waitUntil([&] { return app_.evaluate("f.value") == "Acme CorpAcme Corp"; }));
    pressKeys("ctrl+shift+z");
    EXPECT_TRUE(waitUntil([&] { return app_.evaluate("f.value") == "Acme CorpAcme CorpSA"; }));

    AlertDriver driver;
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

    GdkToplevel* surface = GDK_TOPLEVEL(gtk_native_get_surface(GTK_NATIVE(window)));
    ASSERT_TRUE(app_.focusPage());
    pressKeys("ctrl+m");
    EXPECT_TRUE(
        waitUntil([&] { return gdk_toplevel_get_state(surface) & GDK_TOPLEVEL_STATE_MINIMIZED; }));
}

// The first start: the set-up dialog before any window, then a home page that never comes:
// the splash waits with its spinner, then the error page after the time limit. An address that
// cannot be decrypted keeps the splash and a working menu.
TEST(FirstStart, SetUpThenTheSplashWaitsForTheHomePage) {
    std::filesystem::remove(AppConfig::configFilePath());
    SiteServer server;
    hang(server, "/");
    {
        RunningApp app;
        AlertDriver driver;
        driver.fill({server.url("/"), "secret", "secret"}, "Enregistrer");
        app.delegate().setHomeLoadTimeoutForTesting(2);
        app.activate();
        GtkWidget* spinner = app.delegate().progressIndicator();
        ASSERT_TRUE(
            waitUntil([&] { return server.requests("/") == 1 && gtk_widget_get_mapped(spinner); }));
        EXPECT_TRUE(gtk_spinner_get_spinning(GTK_SPINNER(spinner)));
        saveShot(app.delegate().window(), "splash");
        EXPECT_TRUE(waitUntil([&] { return app.heading() == "Connexion impossible"; }));
        EXPECT_TRUE(
            waitUntil([&] { return !gtk_widget_get_visible(app.delegate().splashView()); }));
    }
    AppConfig record = AppConfig::load();
    record.encryptedUrl = "AAAAAAAAAAAAAAAAAAAAAA==";
    record.save();
    RunningApp app;
    app.activate();
    app.action("goHome");
    EXPECT_EQ(webkit_web_view_get_uri(app.view()), nullptr) << "nothing was loaded";
    EXPECT_TRUE(gtk_widget_get_visible(app.delegate().splashView()));
    AlertDriver driver;
    driver.press("Annuler");
    app.action("openConfig");
    EXPECT_EQ(driver.seen().at(0).title, "Acces Configuration");
}
