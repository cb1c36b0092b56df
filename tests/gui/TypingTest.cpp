// Keys and clicks in the order the user gave them, on a page that takes its time over each key.
#include "Harness.h"
#include "shell/InputQueue.h"

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

// A clerk types an account, clicks at once into the amount (once or twice) and types it: every
// key typed before the click lands in the account, every key after it in the amount, in the
// main window, in a pop-up and in a frame, and on a page that takes longer over the keys than
// the click would wait for a page stuck.
TEST_F(AppOnDemoSite, AClickWaitsForTheKeysTypedBeforeIt) {
    ASSERT_TRUE(visit("/compte.html"));
    app_.evaluate("window.open('/compte-cadre.html', '', 'width=700,height=500'); 1");
    ASSERT_TRUE(waitUntil([&] { return app_.delegate().childWindows().size() == 1; }));
    WebKitWebView* popup = app_.popup(0);
    ASSERT_TRUE(app_.waitForLoad(popup, server_.url("/compte-cadre.html")));

    const std::string text = kAccount, amount = "125,00";
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
        // The page tells of every key it sees, counted once whether the page took it or gave it
        // back (Shift): once they are in, none waits.
        read("compte.value = '', compte.focus(), 1");
        typeText(text);
        ASSERT_TRUE(waitUntil([&] { return read("compte.value") == text; }));
        EXPECT_TRUE(waitUntil([] { return !InputQueue::inputWaiting(); })) << place.form;

        // The middle of the amount field, where the window shows it.
        double x = 0, y = 0;
        gtk_widget_translate_coordinates(GTK_WIDGET(place.view), GTK_WIDGET(place.window), 200, 180,
                                         &x, &y);
        for (int round = 1; round <= 8; ++round) {
            const std::string clicks = round % 2 == 0 ? "2" : "1";
            // The last round on a page slower than the wait, that takes each key in 250 ms.
            read("compte.dataset.lent = " + std::string(round == 8 ? "250" : "25") +
                 ", compte.value = montant.value = '', compte.focus(), 1");
            // 40 ms a key: xdotool waits half its delay after a key's press, half after its
            // release.
            ASSERT_TRUE(xdotoolLive({"mousemove",
                                     "--window",
                                     xid(place.window),
                                     std::to_string(int(x)),
                                     std::to_string(int(y)),
                                     "type",
                                     "--delay",
                                     "80",
                                     "--args",
                                     "1",
                                     text,
                                     "click",
                                     "--repeat",
                                     clicks,
                                     "--delay",
                                     "80",
                                     "1",
                                     "type",
                                     "--delay",
                                     "80",
                                     amount}));
            // Every key has landed somewhere, and the click too.
            ASSERT_TRUE(waitUntil([&] {
                return read(
                           "compte.ownerDocument.activeElement.id + (compte.value + "
                           "montant.value).length") ==
                       "montant" + std::to_string(text.size() + amount.size());
            }))
                << read(
                       "compte.ownerDocument.activeElement.id + ' ' + compte.value + '|' + "
                       "montant.value")
                << ", " << place.form << ", round " << round;
            EXPECT_EQ(read("compte.value + '|' + montant.value"), text + "|" + amount)
                << place.form << ", round " << round << ", " << clicks << " click(s)";
        }
    }

    // A word selected with a double-click right after typing: the two clicks wait together.
    ASSERT_TRUE(focusOn(app_.delegate().window(), app_.view()));
    double x = 0, y = 0;
    gtk_widget_translate_coordinates(GTK_WIDGET(app_.view()), GTK_WIDGET(app_.delegate().window()),
                                     40, 318, &x, &y);
    app_.evaluate("compte.value = ''; compte.focus(); 1");
    ASSERT_TRUE(
        xdotoolLive({"mousemove", "--window", xid(app_.delegate().window()), std::to_string(int(x)),
                     std::to_string(int(y)), "type", "--delay", "80", "--args", "1", text, "click",
                     "--repeat", "2", "--delay", "80", "1"}));
    EXPECT_TRUE(waitUntil([&] { return app_.evaluate("getSelection().toString()") == "Banque"; }));
    EXPECT_EQ(app_.evaluate("compte.value"), text);
}
