// What a clerk uses all day besides the application itself: spelling, find in page, the
// sign-in kept in the keyring, the zoom and the print settings found again after a restart.
#include "Harness.h"
#include "shell/KeptSettings.h"
#include "shell/Keyring.h"
#include "shell/Page.h"
#include "shell/WebViews.h"

using namespace delvaronte;
using namespace delvaronte::testing;

namespace {

// The sign-in bar's question while it shows; empty otherwise.
std::string signInOffer(GtkWindow* window) {
    const auto bars = widgetsOf(
        window, [](GtkWidget* w) { return GTK_IS_INFO_BAR(w) && gtk_widget_is_visible(w); });
    if (bars.empty()) return "";
    const auto labels = widgetsOf(GTK_WINDOW(window), [&](GtkWidget* w) {
        return GTK_IS_LABEL(w) && gtk_widget_is_ancestor(w, bars[0]) && gtk_widget_is_visible(w);
    });
    return labels.empty() ? "" : gtk_label_get_text(GTK_LABEL(labels[0]));
}

// What the keyring keeps for the origin, asked as the program asks; nothing when none answers.
std::optional<KeptSignIns> keyringFor(const std::string& origin) {
    std::optional<std::optional<KeptSignIns>> answer;
    findSignIns(origin, [&](std::optional<KeptSignIns> kept) { answer = std::move(kept); });
    EXPECT_TRUE(waitUntil([&] { return answer.has_value(); }));
    return answer.value_or(std::nullopt);
}

}  // namespace

// A misspelt French word gets the engine's suggestions; "Rechercher..." counts what the page
// holds, goes round it, and is each window's own; a page that keeps the key keeps it.
TEST_F(AppOnDemoSite, SpellingInFrenchAndFindInEachWindow) {
    ASSERT_TRUE(visit("/lettre.html"));
    ASSERT_TRUE(waitUntil([&] {
        return webkit_web_context_get_spell_checking_enabled(
            webkit_web_view_get_context(app_.view()));
    }));
    ASSERT_TRUE(app_.typeInto("texte", "Nous vous prions de regler la factur "));
    int guesses = -1;
    connectSignal(
        app_.view(), "context-menu",
        +[](WebKitWebView*, WebKitContextMenu* menu, WebKitHitTestResult*, int* count) {
            *count = 0;
            for (GList* i = webkit_context_menu_get_items(menu); i; i = i->next) {
                *count +=
                    webkit_context_menu_item_get_stock_action(WEBKIT_CONTEXT_MENU_ITEM(i->data)) ==
                    WEBKIT_CONTEXT_MENU_ACTION_SPELLING_GUESS;
            }
            return TRUE;
        },
        &guesses);
    // A right click on "factur", where the page shows it.
    GtkWindow* window = app_.delegate().window();
    double x = 0, y = 0;
    gtk_widget_translate_coordinates(
        GTK_WIDGET(app_.view()), GTK_WIDGET(window),
        std::stod(app_.evaluate("texte.getBoundingClientRect().left + 480")),
        std::stod(app_.evaluate("texte.getBoundingClientRect().top + 22")), &x, &y);
    xdotool({"mousemove", "--window", findWindow("DELVARONTE").value_or(""), std::to_string(int(x)),
             std::to_string(int(y)), "click", "3"});
    ASSERT_TRUE(waitUntil([&] { return guesses >= 0; }));

    EXPECT_GT(guesses, 0) << "suggestions for \"factur\"";

    ASSERT_TRUE(visit("/grand-livre.html"));
    const FindBar& find = Page::of(app_.view())->findBar();
    ASSERT_TRUE(app_.focusPage());
    pressKeys("ctrl+shift+f");
    // Typed once the field has the keyboard: the key goes to the page first, and what is
    // typed before the page hands it back goes to the page.
    ASSERT_TRUE(waitUntil([&] { return find.isOpen(); }));
    typeText("client");
    const std::string total =
        app_.evaluate("document.body.innerText.match(/client/gi).length.toString()");
    ASSERT_TRUE(waitUntil([&] { return find.count() == "1 sur " + total; })) << find.count();
    saveShot(window, "find");
    pressKeys("Return");
    EXPECT_TRUE(waitUntil([&] { return find.count() == "2 sur " + total; })) << find.count();
    for (int back = 0; back < 2; ++back) pressKeys("shift+Return");
    EXPECT_TRUE(waitUntil([&] { return find.count() == total + " sur " + total; }));
    pressKeys("Return");
    EXPECT_TRUE(waitUntil([&] { return find.count() == "1 sur " + total; }));
    gtk_editable_set_text(GTK_EDITABLE(gtk_window_get_focus(window)), "introuvable");
    EXPECT_TRUE(waitUntil([&] { return find.count() == "0 sur 0"; })) << find.count();
    pressKeys("Escape");
    EXPECT_TRUE(
        waitUntil([&] { return !find.isOpen() && gtk_widget_has_focus(GTK_WIDGET(app_.view())); }));

    // A pop-up's own bar; the main window's stays closed.
    app_.evaluate("window.open('/grand-livre.html'); 1");
    ASSERT_TRUE(waitUntil([&] { return app_.delegate().childWindows().size() == 1; }));
    ASSERT_TRUE(app_.waitForLoad(app_.popup(0), server_.url("/grand-livre.html")));
    GtkWindow* popup = app_.delegate().childWindows()[0];
    ASSERT_TRUE(waitUntil([&] { return gtk_window_is_active(popup); }));
    pressKeys("ctrl+shift+f");
    const FindBar& popupFind = Page::of(app_.popup(0))->findBar();
    EXPECT_TRUE(waitUntil([&] { return popupFind.isOpen(); }));
    EXPECT_FALSE(find.isOpen());
    gtk_window_destroy(popup);

    // The page that handles the key first keeps it.
    ASSERT_TRUE(visit("/lettre.html"));
    app_.evaluate("keeps = true; 1");
    ASSERT_TRUE(app_.focusPage());
    pressKeys("ctrl+shift+f");
    EXPECT_TRUE(
        waitUntil([&] { return app_.evaluate("document.title") == "Recherche de la page"; }));
    EXPECT_FALSE(find.isOpen());
}

// Offered once the next page is not the form again, kept in the keyring on the test's own bus,
// filled after a restart, updated; never where no keyring answers, on another host or in a frame.
TEST(Desk, TheSignInIsKeptInTheKeyringAndFilledAgain) {
    SiteServer server;
    server.serveFolder(DELVARONTE_TEST_PAGES);
    server.route("/ouvrir", [&](SoupServerMessage* message) {
        const std::string sent(soup_server_message_get_request_body(message)->data,
                               size_t(soup_server_message_get_request_body(message)->length));
        if (sent.find("mot=faux") != std::string::npos) {
            return SiteServer::respond(message, 200, "text/html",
                                       readFile(DELVARONTE_TEST_PAGES "/session.html"));
        }
        soup_server_message_set_redirect(message, 303, "/tableau");  // as applications do
    });
    server.serve("/tableau", 200, "text/html", "<title>Tableau</title><h1>Tableau</h1>");
    const std::string home = server.url("/session.html"), origin = signInOrigin(home);
    RunningApp::provision(home);
    // Types the sign-in in the home page's form and sends it; true once the next page is there.
    const auto signIn = [&](RunningApp& app, const std::string& user, const std::string& password,
                            const char* next = "/tableau") {
        app.delegate().loadUrl(home);
        EXPECT_TRUE(app.waitForLoad(home));
        app.evaluate("identifiant.value = '" + user + "'; mot.value = '" + password + "'; 1");
        app.pressOn("entrer");  // the user's own key
        return app.waitForLoad(server.url(next));
    };
    const auto offer = [](RunningApp& app) { return signInOffer(app.delegate().window()); };
    const auto answer = [](RunningApp& app, const std::string& label) {
        ShownAlert{app.delegate().window()}.press(label);
    };
    const SignIn compta{"compta@exemple.ma", "secret1"};
    const TempDir runtime;
    std::optional<Launched> keyring;
    {
        RunningApp app;
        app.activate();
        ASSERT_TRUE(signIn(app, compta.user, compta.password));
        app.evaluate("1");  // after the page's look for its form: its keyring search is asked
        EXPECT_FALSE(keyringFor(origin)) << "no keyring service yet";
        EXPECT_EQ(offer(app), "") << "nothing offered where nothing can be kept";

        std::filesystem::permissions(runtime.path(), std::filesystem::perms::owner_all);
        keyring.emplace(std::vector<std::string>{"sh", "-c",
                                                 "printf test | exec gnome-keyring-daemon "
                                                 "--foreground --unlock --components=secrets"},
                        Environment{{"XDG_RUNTIME_DIR", runtime.path().string()}});
        ASSERT_TRUE(waitPolling([&] { return keyringFor(origin).has_value(); }));

        // The same form again (a wrong password): nothing offered.
        ASSERT_TRUE(signIn(app, compta.user, "faux", "/ouvrir"));
        EXPECT_EQ(offer(app), "");

        ASSERT_TRUE(signIn(app, compta.user, compta.password));
        ASSERT_TRUE(waitUntil([&] { return !offer(app).empty(); }));
        EXPECT_EQ(offer(app),
                  "Enregistrer le mot de passe de \"compta@exemple.ma\" dans le trousseau ?");
        saveShot(app.delegate().window(), "sign-in-bar");
        answer(app, "Enregistrer");
        EXPECT_TRUE(waitUntil([&] {
            const auto kept = keyringFor(origin);
            return kept && kept->signIns == std::vector<SignIn>{compta};
        }));

        // A sign-in the page fills and sends by itself: nobody's to keep.
        app.delegate().loadUrl(home);
        ASSERT_TRUE(app.waitForLoad(home));
        app.evaluate("identifiant.value = 'pirate@exemple.ma'; mot.value = 'x'; entrer.click(); 1");
        ASSERT_TRUE(app.waitForLoad(server.url("/tableau")));
        ASSERT_TRUE(keyringFor(origin));  // what the page's own search would have had by now
        EXPECT_EQ(offer(app), "") << "not offered";

        // Nor when the office keeps no sign-in.
        g_settings_set_boolean(programSettings().get(), "remember-sign-in", FALSE);
        ASSERT_TRUE(signIn(app, "paie@exemple.ma", "secret9"));
        ASSERT_TRUE(keyringFor(origin));
        EXPECT_EQ(offer(app), "") << "the office keeps none";
        g_settings_reset(programSettings().get(), "remember-sign-in");

        // Neither filled nor offered in a frame.
        app.evaluate("location.href = '/cadre-session.html'; 1");
        ASSERT_TRUE(app.waitForLoad(server.url("/cadre-session.html")));
        EXPECT_EQ(app.evaluate("cadre.contentDocument.getElementById('mot').value"), "")
            << "not filled";
        app.evaluate(
            "const d = cadre.contentDocument; d.getElementById('identifiant').value = "
            "'cadre@exemple.ma'; d.getElementById('mot').value = 'x'; "
            "d.getElementById('entrer').click(); 1");
        ASSERT_TRUE(waitUntil([&] {
            return app.evaluate("cadre.contentDocument.querySelector('h1').textContent") ==
                   "Tableau";
        }));
        EXPECT_EQ(offer(app), "") << "not offered";
    }
    {
        // After a restart: filled in, never sent by the program.
        RunningApp app;
        app.activate();
        ASSERT_TRUE(app.waitForLoad(home));
        EXPECT_TRUE(waitUntil([&] { return app.evaluate("mot.value") == compta.password; }));
        EXPECT_EQ(app.evaluate("identifiant.value"), compta.user);
        EXPECT_EQ(app.evaluate("String(window.envois ?? 0)"), "0") << "the program sent nothing";

        // Another password for the same identifier: offered as an update. The form went once,
        // the user's: none went on its own since the restart.
        ASSERT_TRUE(signIn(app, compta.user, "secret2"));
        EXPECT_EQ(server.requests("/ouvrir"), 7);
        ASSERT_TRUE(waitUntil([&] { return !offer(app).empty(); }));
        EXPECT_EQ(offer(app),
                  "Mettre a jour le mot de passe enregistre pour \"compta@exemple.ma\" ?");
        answer(app, "Mettre a jour");
        EXPECT_TRUE(waitUntil([&] {
            const auto kept = keyringFor(origin);
            return kept && kept->signIns == std::vector<SignIn>{{compta.user, "secret2"}};
        }));

        // Another host: neither filled nor offered.
        const std::string elsewhere = server.url("/session.html", "localhost");
        app.evaluate("location.href = '" + elsewhere + "'; 1");
        ASSERT_TRUE(app.waitForLoad(elsewhere));
        // The home in a pop-up after it, in the same process: once it is filled, a fill of the
        // other host's page would have come before.
        app.evaluate("window.open('" + home + "'); 1");
        ASSERT_TRUE(waitUntil([&] { return app.delegate().childWindows().size() == 1; }));
        EXPECT_TRUE(
            waitUntil([&] { return app.evaluate(app.popup(0), "mot.value") == "secret2"; }));
        EXPECT_EQ(app.evaluate("mot.value"), "");
        gtk_window_destroy(app.delegate().childWindows()[0]);
        app.evaluate("identifiant.value = 'autre@exemple.ma'; mot.value = 'x'; entrer.click(); 1");
        ASSERT_TRUE(app.waitForLoad(server.url("/tableau", "localhost")));
        ASSERT_TRUE(keyringFor(origin));
        EXPECT_EQ(offer(app), "");

        // "Jamais pour ce site": no more offers for it.
        ASSERT_TRUE(signIn(app, "paie@exemple.ma", "secret3"));
        ASSERT_TRUE(waitUntil([&] { return !offer(app).empty(); }));
        answer(app, "Jamais pour ce site");
        EXPECT_TRUE(waitUntil([&] { return keyringFor(origin).value_or(KeptSignIns{}).never; }));
    }

    // A sign-in an earlier version kept under the home host alone: a page of that host on
    // another port gets nothing; the home on its own port has it filled in, and moved to its
    // origin.
    SiteServer other;
    other.serveFolder(DELVARONTE_TEST_PAGES);
    const std::string moved = other.url("/session.html"), former = formerSignInOrigin(moved);
    keepSignIn(former, {"ancien@exemple.ma", "ancien1"});
    ASSERT_TRUE(
        waitUntil([&] { return !keyringFor(former).value_or(KeptSignIns{}).signIns.empty(); }));
    for (const bool atHome : {false, true}) {
        if (atHome) RunningApp::provision(moved);
        RunningApp app;
        app.activate();
        if (!atHome) {
            ASSERT_TRUE(app.waitForLoad(home));
            app.evaluate("location.href = '" + moved + "'; 1");
        }
        ASSERT_TRUE(waitUntil([&] { return app.evaluate("location.href") == moved; }));
        ASSERT_TRUE(app.waitForLoad(moved));
        if (atHome) {
            EXPECT_TRUE(waitUntil([&] { return app.evaluate("mot.value") == "ancien1"; }));
        } else {
            ASSERT_TRUE(keyringFor(former));  // what the page's own search would have had by now
            EXPECT_EQ(app.evaluate("mot.value"), "") << "another port";
        }
    }
    EXPECT_TRUE(
        waitUntil([&] { return keyringFor(former).value_or(KeptSignIns{}).signIns.empty(); }));
    EXPECT_EQ(keyringFor(signInOrigin(moved))->signIns,
              (std::vector<SignIn>{{"ancien@exemple.ma", "ancien1"}}));
}

// F7 asks, then puts a caret in the page that the arrows move; the choice comes back after a
// restart; F7 again takes it away without a question.
TEST(Desk, CaretBrowsingWithF7IsAskedThenKept) {
    SiteServer server;
    server.serveFolder(DELVARONTE_TEST_PAGES);
    RunningApp::provision(server.url("/clavier.html"));
    // Whether three presses of the right arrow take the caret to the heading's third letter.
    const auto caretMoves = [](RunningApp& app) {
        EXPECT_TRUE(app.waitForLoad() && app.focusPage());
        app.evaluate("getSelection().collapse(document.querySelector('h1').firstChild, 0); 1");
        for (int i = 0; i < 3; ++i) pressKeys("Right");
        return waitUntil([&] { return app.evaluate("getSelection().focusOffset") == "3"; }, 5);
    };
    {
        RunningApp app;
        app.activate();
        AlertDriver driver;
        driver.press("Annuler").press("Activer");
        pressKeys("F7");
        ASSERT_TRUE(waitUntil([&] { return driver.seen().size() == 1; }));
        EXPECT_EQ(driver.seen()[0].title, "Navigation au curseur");
        EXPECT_FALSE(caretMoves(app)) << "refused";
        pressKeys("F7");
        ASSERT_TRUE(waitUntil([&] { return driver.seen().size() == 2; }));
        EXPECT_TRUE(caretMoves(app));
    }
    // The next start's engine, as a new process has it.
    webkit_settings_set_enable_caret_browsing(sharedSettings(), FALSE);
    RunningApp app;
    app.activate();
    EXPECT_TRUE(caretMoves(app)) << "kept";
    AlertDriver none;
    pressKeys("F7");
    EXPECT_FALSE(caretMoves(app)) << "off again";
    EXPECT_TRUE(none.seen().empty());
}

// The zoom of each host and the print settings come back after a restart; a pop-up opens at
// the main page's zoom.
TEST(Desk, ZoomAndPrintSettingsComeBackAfterARestart) {
    SiteServer server;
    server.serveFolder(DELVARONTE_TEST_PAGES);
    const std::string home = server.url("/lettre.html");
    RunningApp::provision(home);
    // The print dialog: what it came with, then what the user chose in it.
    std::vector<std::string> seen;
    const auto print = [&seen](WebKitPrintOperation* operation, GtkWindow*) {
        GtkPrintSettings* settings = webkit_print_operation_get_print_settings(operation);
        GtkPageSetup* setup = webkit_print_operation_get_page_setup(operation);
        seen.push_back(!settings || !setup
                           ? ""
                           : std::string(gtk_print_settings_get_printer(settings)) + " " +
                                 gtk_print_settings_get(settings, GTK_PRINT_SETTINGS_OUTPUT_URI) +
                                 " " + std::to_string(gtk_page_setup_get_orientation(setup)) + " " +
                                 std::to_string(gtk_page_setup_get_top_margin(setup, GTK_UNIT_MM)));
        const auto chosen = GRef<GtkPrintSettings>::adopt(gtk_print_settings_new());
        gtk_print_settings_set_printer(chosen.get(), "Comptabilite");
        gtk_print_settings_set(chosen.get(), GTK_PRINT_SETTINGS_OUTPUT_URI,
                               "file:///factures/f.pdf");
        webkit_print_operation_set_print_settings(operation, chosen.get());
        const auto page = GRef<GtkPageSetup>::adopt(gtk_page_setup_new());
        gtk_page_setup_set_orientation(page.get(), GTK_PAGE_ORIENTATION_LANDSCAPE);
        gtk_page_setup_set_top_margin(page.get(), 25, GTK_UNIT_MM);
        webkit_print_operation_set_page_setup(operation, page.get());
        return WEBKIT_PRINT_OPERATION_RESPONSE_PRINT;
    };
    {
        RunningApp app;
        app.seams.print = print;
        app.activate();
        ASSERT_TRUE(app.waitForLoad(home));
        app.action("zoomIn");
        app.action("zoomIn");
        const KeptSettings written(KeptSettings::defaultPath());
        EXPECT_DOUBLE_EQ(written.zoom("127.0.0.1").value_or(0), 1.2) << "written at once";
        app.evaluate("window.print(); 1");
        ASSERT_TRUE(waitUntil([&] { return seen.size() == 1; }));
        EXPECT_EQ(seen[0], "") << "nothing kept yet";
        app.evaluate("window.open('/lettre.html'); 1");
        ASSERT_TRUE(waitUntil([&] { return app.delegate().childWindows().size() == 1; }));
        EXPECT_DOUBLE_EQ(webkit_web_view_get_zoom_level(app.popup(0)), 1.2);
    }
    RunningApp app;
    app.seams.print = print;
    app.activate();
    ASSERT_TRUE(app.waitForLoad(home));
    EXPECT_DOUBLE_EQ(webkit_web_view_get_zoom_level(app.view()), 1.2);
    app.action("print");
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[1], "Comptabilite file:///factures/f.pdf 1 25.000000");

    // Another host has its own zoom, the office's until the user chooses one; the home's stays.
    g_settings_set_double(programSettings().get(), "default-zoom", 1.1);
    const std::string elsewhere = server.url("/lettre.html", "localhost");
    app.evaluate("location.href = '" + elsewhere + "'; 1");
    ASSERT_TRUE(app.waitForLoad(elsewhere));
    EXPECT_DOUBLE_EQ(webkit_web_view_get_zoom_level(app.view()), 1.1);
    g_settings_reset(programSettings().get(), "default-zoom");
    app.action("zoomOut");
    app.delegate().loadUrl(home);
    ASSERT_TRUE(app.waitForLoad(home));
    EXPECT_DOUBLE_EQ(webkit_web_view_get_zoom_level(app.view()), 1.2);
}
