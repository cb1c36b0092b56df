// Keys and clicks in the order the user gave them, on a page that takes its time over each key.
#include "Harness.h"

#include <gdk/x11/gdkx.h>

using namespace delvaronte;
using namespace delvaronte::testing;

namespace {

constexpr char kAccount[] = "assets:bank:checking";

std::string xid(GtkWindow* window) {
    return std::to_string(gdk_x11_surface_get_xid(gtk_native_get_surface(GTK_NATIVE(window))));
}

// The window has the X server's keyboard and its page the toolkit's.
bool focusOn(GtkWindow* window, WebKitWebView* view) {
    gtk_window_present(window);
    if (!waitPolling([&] { return xdotool({"getwindowfocus"}) == xid(window); })) return false;
    gtk_widget_grab_focus(GTK_WIDGET(view));
    return true;
}

}  // namespace

// A clerk types an account and clicks at once into the amount, once or twice: every key typed
// before the click lands in the account, in the main window, in a pop-up and in a frame.
TEST_F(AppOnDemoSite, AClickWaitsForTheKeysTypedBeforeIt) {
    ASSERT_TRUE(visit("/compte.html"));
    app_.evaluate("window.open('/compte-cadre.html', '', 'width=700,height=500'); 1");
    ASSERT_TRUE(waitUntil([&] { return app_.delegate().childWindows().size() == 1; }));
    WebKitWebView* popup = app_.popup(0);
    ASSERT_TRUE(app_.waitForLoad(popup, server_.url("/compte-cadre.html")));

    const std::string text = kAccount;
    struct Place {
        WebKitWebView* view;
        GtkWindow* window;
        std::string form;  // the fields' document
    };
    for (const Place& place :
         {Place{app_.view(), app_.delegate().window(), "document"},
          Place{popup, app_.delegate().childWindows()[0], "cadre.contentDocument"}}) {
        const auto read = [&](const std::string& what) {
            return app_.evaluate(place.view,
                                 "(() => { const compte = " + place.form +
                                     ".getElementById('compte'), montant = " + place.form +
                                     ".getElementById('montant'); return " + what + "; })()");
        };
        ASSERT_TRUE(focusOn(place.window, place.view));
        // The middle of the amount field, where the window shows it.
        double x = 0, y = 0;
        gtk_widget_translate_coordinates(GTK_WIDGET(place.view), GTK_WIDGET(place.window), 200, 180,
                                         &x, &y);
        for (int round = 1; round <= 10; ++round) {
            const std::string clicks = round % 2 == 0 ? "2" : "1";
            read("compte.value = montant.value = '', compte.focus(), 1");
            // 40 ms a key: xdotool waits half its delay after a key's press, half after its
            // release.
            ASSERT_TRUE(
                xdotoolLive({"mousemove", "--window", xid(place.window), std::to_string(int(x)),
                             std::to_string(int(y)), "type", "--delay", "80", "--args", "1", text,
                             "click", "--repeat", clicks, "--delay", "80", "1"}));
            // Every key has landed somewhere, and the click too.
            ASSERT_TRUE(waitUntil([&] {
                return read(
                           "compte.ownerDocument.activeElement.id + (compte.value + "
                           "montant.value).length") == "montant" + std::to_string(text.size());
            })) << read("compte.ownerDocument.activeElement.id + ' ' + compte.value");
            EXPECT_EQ(read("compte.value + '|' + montant.value"), text + "|")
                << place.form << ", round " << round << ", " << clicks << " click(s)";
        }
    }
}
