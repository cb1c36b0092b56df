// Every key of the menu bar, pressed on a real keyboard (through the X server).
#include <gtest/gtest.h>

#include "AlertDriver.h"
#include "LocalServer.h"
#include "RunningApp.h"
#include "shell/Zoom.h"

using namespace delvaronte;
using namespace delvaronte::testing;

namespace {

class AppKeys : public AppOnDemoSite {
protected:
    void SetUp() override {
        AppOnDemoSite::SetUp();
        ASSERT_TRUE(waitUntil([&] { return gtk_window_is_active(app_.delegate().window()); }));
        gtk_widget_grab_focus(GTK_WIDGET(app_.view()));
    }

    std::string value(const std::string& id) {
        return app_.evaluate("document.getElementById('" + id + "').value");
    }
    void focusField(const std::string& id) {
        app_.evaluate("document.getElementById('" + id + "').focus(); 1");
    }
    bool waitForValue(const std::string& id, const std::string& expected) {
        return waitUntil([&] { return value(id) == expected; });
    }
};

}  // namespace

TEST_F(AppKeys, NavigationKeys) {
    app_.click("same");
    ASSERT_TRUE(app_.waitForLoad(server_.url("/factures.html")));

    pressKeys("ctrl+bracketleft");
    EXPECT_TRUE(app_.waitForLoad(server_.url("/")));
    pressKeys("ctrl+bracketright");
    EXPECT_TRUE(app_.waitForLoad(server_.url("/factures.html")));
    const int before = server_.requests("/factures.html");
    pressKeys("ctrl+r");
    EXPECT_TRUE(waitUntil([&] { return server_.requests("/factures.html") == before + 1; }));
    EXPECT_TRUE(app_.waitForLoad(server_.url("/factures.html")));
    pressKeys("ctrl+h");
    EXPECT_TRUE(app_.waitForLoad(server_.url("/")));
}

TEST_F(AppKeys, EditKeysReachTheFocusedField) {
    const std::string text = "Achat fournitures";
    focusField("libelle");
    pressKeys("ctrl+a");
    pressKeys("ctrl+x");
    EXPECT_TRUE(waitForValue("libelle", ""));
    focusField("montant");
    pressKeys("ctrl+a");
    pressKeys("ctrl+v");
    EXPECT_TRUE(waitForValue("montant", text));
    pressKeys("ctrl+z");
    EXPECT_TRUE(waitForValue("montant", "1200,00"));
    pressKeys("ctrl+shift+z");
    EXPECT_TRUE(waitForValue("montant", text));
    pressKeys("ctrl+a");
    pressKeys("ctrl+c");
    focusField("libelle");
    pressKeys("ctrl+v");
    EXPECT_TRUE(waitForValue("libelle", text));
}

TEST_F(AppKeys, WindowKeys) {
    WebKitWebView* view = app_.view();
    pressKeys("ctrl+plus");
    EXPECT_TRUE(waitUntil([&] { return webkit_web_view_get_zoom_level(view) == zoomedIn(1.0); }));
    pressKeys("ctrl+plus");
    EXPECT_TRUE(
        waitUntil([&] { return webkit_web_view_get_zoom_level(view) == 1.2000000000000002; }));
    pressKeys("ctrl+0");
    EXPECT_TRUE(waitUntil([&] { return webkit_web_view_get_zoom_level(view) == 1.0; }));
    pressKeys("ctrl+minus");
    EXPECT_TRUE(waitUntil([&] { return webkit_web_view_get_zoom_level(view) == zoomedOut(1.0); }));
    pressKeys("ctrl+0");
    EXPECT_TRUE(waitUntil([&] { return webkit_web_view_get_zoom_level(view) == 1.0; }));

    GtkWindow* window = app_.delegate().window();
    pressKeys("ctrl+f");
    EXPECT_TRUE(waitUntil([&] { return gtk_window_is_fullscreen(window); }));
    pressKeys("ctrl+f");
    EXPECT_TRUE(waitUntil([&] { return !gtk_window_is_fullscreen(window); }));

    GdkToplevel* surface = GDK_TOPLEVEL(gtk_native_get_surface(GTK_NATIVE(window)));
    pressKeys("ctrl+m");
    EXPECT_TRUE(waitUntil(
        [&] { return (gdk_toplevel_get_state(surface) & GDK_TOPLEVEL_STATE_MINIMIZED) != 0; }));
    gtk_window_present(window);
}

TEST_F(AppKeys, ConfigurationKey) {
    AlertDriver driver;
    driver.then([](ShownAlert& shown) {
        EXPECT_EQ(shown.title(), "Acces Configuration");
        shown.press("Annuler");
    });
    pressKeys("ctrl+shift+p");
    EXPECT_TRUE(waitUntil([&] { return driver.pending() == 0; }));
}
