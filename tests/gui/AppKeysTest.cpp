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
        ASSERT_TRUE(app_.focusPage());
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

// A search field that filters as you type, as accounting applications have: each key takes
// the page a while, so keys queue up behind it. The editing keys must wait their turn.
TEST_F(AppKeys, EditingKeysStayInOrderWithTyping) {
    server_.serve("/recherche.html", 200, "text/html",
                  "<html><body><input id='recherche'><script>"
                  "document.getElementById('recherche').addEventListener('keydown', () => {"
                  "  const t = performance.now(); while (performance.now() - t < 40) {} });"
                  "</script></body></html>");
    app_.delegate().loadUrl(server_.url("/recherche.html"));
    ASSERT_TRUE(app_.waitForLoad(server_.url("/recherche.html")));
    ASSERT_TRUE(app_.focusPage());
    for (int round = 1; round <= 3; ++round) {
        app_.evaluate("var f = document.getElementById('recherche'); f.value = ''; f.focus(); 1");
        typeText("Acme Corp");
        for (const char* key : {"ctrl+a", "ctrl+c", "End", "ctrl+v"}) pressKeys(key);
        EXPECT_TRUE(waitForValue("recherche", "Acme CorpAcme Corp"))
            << "round " << round << ": " << value("recherche");
    }
    // Undo and redo come back from the page unhandled and run their Edition item (as the
    // menu does) after the letters before them.
    typeText("SA");
    pressKeys("ctrl+z");
    EXPECT_TRUE(waitForValue("recherche", "Acme CorpAcme Corp")) << value("recherche");
    pressKeys("ctrl+shift+z");
    EXPECT_TRUE(waitForValue("recherche", "Acme CorpAcme CorpSA")) << value("recherche");

    // In our own dialogs' fields the keys are the field's.
    AlertDriver driver;
    driver.fill({"secret"}, "Valider").then([&](ShownAlert& editor) {
        GtkWidget* address = editor.fields().at(0);
        ASSERT_TRUE(waitUntil([&] { return gtk_window_is_active(editor.window()); }));
        gtk_widget_grab_focus(address);
        for (const char* key : {"ctrl+a", "ctrl+c", "End", "ctrl+v"}) pressKeys(key);
        const std::string doubled = server_.url("/") + server_.url("/");
        EXPECT_TRUE(waitUntil([&] { return editor.fieldText(0) == doubled; }))
            << editor.fieldText(0);
        editor.press("Annuler");
    });
    app_.activateAction("openConfig");
    EXPECT_EQ(driver.pending(), 0u);
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
