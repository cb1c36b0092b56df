// Every key of the menu bar, pressed on a real keyboard (through the X server).
#include <gtest/gtest.h>

#include "AlertDriver.h"
#include "LocalServer.h"
#include "RunningApp.h"
#include "shell/Zoom.h"

using namespace delvaronte;
using namespace delvaronte::testing;

namespace {

class AppKeys : public ::testing::Test {
protected:
    void SetUp() override {
        server_.serve("/", 200, "text/html",
                      "<html><body><a id='next' href='/page2.html'>Page 2</a>"
                      "<input id='a' value='compta'><input id='b' value=''></body></html>");
        server_.serve("/page2.html", 200, "text/html", "<html><body>Deux</body></html>");
        RunningApp::provision(server_.url("/"));
        app_.activate();
        ASSERT_TRUE(app_.waitForLoad(server_.url("/")));
        ASSERT_TRUE(waitUntil([&] { return gtk_window_is_active(app_.delegate().window()); }));
        gtk_widget_grab_focus(GTK_WIDGET(app_.view()));
    }

    std::string value(const char* id) {
        return app_.evaluate(std::string("document.getElementById('") + id + "').value");
    }
    void focusField(const char* id) {
        app_.evaluate(std::string("document.getElementById('") + id + "').focus(); 1");
    }
    bool waitForValue(const char* id, const std::string& expected) {
        return waitUntil([&] { return value(id) == expected; });
    }

    LocalServer server_;
    RunningApp app_;
};

}  // namespace

TEST_F(AppKeys, NavigationKeys) {
    app_.evaluate("document.getElementById('next').click(); 1");
    ASSERT_TRUE(app_.waitForLoad(server_.url("/page2.html")));

    pressKeys("ctrl+bracketleft");
    EXPECT_TRUE(app_.waitForLoad(server_.url("/")));
    pressKeys("ctrl+bracketright");
    EXPECT_TRUE(app_.waitForLoad(server_.url("/page2.html")));
    const int before = server_.requests("/page2.html");
    pressKeys("ctrl+r");
    EXPECT_TRUE(waitUntil([&] { return server_.requests("/page2.html") == before + 1; }));
    EXPECT_TRUE(app_.waitForLoad(server_.url("/page2.html")));
    pressKeys("ctrl+h");
    EXPECT_TRUE(app_.waitForLoad(server_.url("/")));
}

TEST_F(AppKeys, EditKeysReachTheFocusedField) {
    focusField("a");
    pressKeys("ctrl+a");
    pressKeys("ctrl+x");
    EXPECT_TRUE(waitForValue("a", ""));
    focusField("b");
    pressKeys("ctrl+v");
    EXPECT_TRUE(waitForValue("b", "compta"));
    pressKeys("ctrl+z");
    EXPECT_TRUE(waitForValue("b", ""));
    pressKeys("ctrl+shift+z");
    EXPECT_TRUE(waitForValue("b", "compta"));
    pressKeys("ctrl+a");
    pressKeys("ctrl+c");
    focusField("a");
    pressKeys("ctrl+v");
    EXPECT_TRUE(waitForValue("a", "compta"));
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
