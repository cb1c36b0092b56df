// Pages that behave like real web applications, and pages that misbehave: odd addresses,
// sign-in redirects, mail buttons, scripts clicking in loops, dialog loops, window floods,
// a web process that dies. 127.0.0.1 is the home host and localhost another one.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "AlertDriver.h"
#include "LocalServer.h"
#include "RunningApp.h"
#include "ui/SystemOpener.h"

using namespace delvaronte;
using namespace delvaronte::testing;

namespace {

constexpr char kHtml[] = "text/html";

// Lets the clock pass a limit of the program's: a wait on time, not on luck.
void waitMicroseconds(gint64 span) {
    const gint64 until = g_get_monotonic_time() + span;
    waitUntil([&] { return g_get_monotonic_time() >= until; });
}

// Hand-offs of one web view are at most one a second.
void waitOutHandOffInterval() {
    waitMicroseconds(1'100'000);
}

// The web processes this test process started, found through /proc.
std::vector<pid_t> webProcesses() {
    std::map<pid_t, pid_t> parents;
    std::map<pid_t, std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        std::ifstream status(entry.path() / "status");
        std::string line;
        const pid_t pid = std::stoi(name);
        while (std::getline(status, line)) {
            if (line.starts_with("Name:"))
                names[pid] = line.substr(line.find_first_not_of(" \t", 5));
            if (line.starts_with("PPid:")) parents[pid] = std::stoi(line.substr(5));
        }
    }
    std::vector<pid_t> found;
    for (const auto& [pid, name] : names) {
        if (!name.starts_with("WebKitWebProces")) continue;
        for (pid_t up = parents[pid]; up > 1; up = parents[up]) {
            if (up == getpid()) {
                found.push_back(pid);
                break;
            }
        }
    }
    return found;
}

class RealPages : public AppOnDemoSite {
protected:
    void SetUp() override {
        setSystemOpenerForTesting([this](const std::string& uri) { opened_.push_back(uri); });
        AppOnDemoSite::SetUp();
    }
    void TearDown() override { setSystemOpenerForTesting(nullptr); }

    // Follows the page's own script there: the home address stays the demo site's.
    void open(const std::string& path) {
        app_.evaluate("location.href = '" + path + "'; 1");
        ASSERT_TRUE(app_.waitForLoad(server_.url(path)));
    }
    std::string value(const std::string& id) {
        return app_.evaluate("document.getElementById('" + id + "').value");
    }
    // Types into a field of the page with the keyboard, as a person does.
    void typeInto(const std::string& id, const std::string& text) {
        ASSERT_TRUE(app_.focusPage());
        app_.evaluate("document.getElementById('" + id + "').focus(); 1");
        typeText(text);
        ASSERT_TRUE(waitUntil([&] { return value(id) == text; }));
    }

    std::vector<std::string> opened_;
};

}  // namespace

TEST_F(RealPages, EveryLinkDoesSomethingAndHandOffsAreTheUsers) {
    const std::string other = server_.url("/q?soc=Soci%E9t%E9", "localhost");
    server_.serve("/q", 200, kHtml, "<html><body><h1>Recherche</h1></body></html>");
    server_.route("/vers-connexion", [&](SoupServerMessage* message) {
        soup_server_message_set_redirect(message, 302,
                                         server_.url("/connexion.html", "localhost").c_str());
    });
    server_.serve("/connexion.html", 200, kHtml, "<html><body><h1>Connexion</h1></body></html>");
    server_.serve("/rafale.html", 200, kHtml,
                  "<html><body><a id='ailleurs' href='" + other +
                      "'>4</a><script>"
                      "for (let i = 0; i < 50; i++) document.getElementById('ailleurs').click();"
                      "</script></body></html>");
    server_.serve(
        "/liens.html", 200, kHtml,
        "<html><body>"
        "<input id='note'>"
        "<a id='latin1' href='/q?soc=Soci%E9t%E9'>1</a> <a id='taux' href='/q?taux=20%'>2</a>"
        "<a id='nul' href='/q?n=%00'>3</a> <a id='ailleurs' href='" +
            other +
            "'>4</a>"
            "<a id='sso' href='/vers-connexion'>5</a>"
            "<button id='mail' onclick=\"location.href = "
            "'mailto:compta@exemple.ma?subject=Relev%E9'\">"
            "m</button>"
            "<form id='envoi' action='mailto:compta@exemple.ma' method='post'>"
            "<button id='envoyer'>e</button></form>"
            "<button id='tel' onclick=\"window.open('tel:+212522000000')\">t</button>"
            "<button id='rafale' onclick=\"for (let i = 0; i < 50; i++) "
            "document.getElementById('ailleurs').click()\">r</button>"
            "</body></html>");
    open("/liens.html");
    typeInto("note", "Brouillon");

    // Mail and phone from a script, a form and window.open: handed out, the page untouched.
    const std::string expected[] = {"mailto:compta@exemple.ma?subject=Relev%E9",
                                    "mailto:compta@exemple.ma?body=", "tel:+212522000000"};
    const char* buttons[] = {"mail", "envoyer", "tel"};
    for (size_t i = 0; i < 3; ++i) {
        waitOutHandOffInterval();
        app_.pressOn(buttons[i]);
        ASSERT_TRUE(waitUntil([&] { return opened_.size() == i + 1; })) << buttons[i];
        EXPECT_EQ(opened_.back(), expected[i]);
    }
    EXPECT_TRUE(app_.delegate().childWindows().empty()) << "no empty window for tel:";
    EXPECT_EQ(value("note"), "Brouillon");
    EXPECT_STREQ(webkit_web_view_get_uri(app_.view()), server_.url("/liens.html").c_str());

    // An address of another host with a Latin-1 escape goes to the browser; fifty clicks of
    // a script at once (from one click of the user) go there once; a script alone, never.
    waitOutHandOffInterval();
    app_.pressOn("ailleurs");
    ASSERT_TRUE(waitUntil([&] { return opened_.size() == 4; }));
    EXPECT_EQ(opened_.back(), other);
    waitOutHandOffInterval();
    app_.pressOn("rafale");
    ASSERT_TRUE(waitUntil([&] { return opened_.size() == 5; }));
    // A page that clicks them by itself, with no one at the keyboard: nothing.
    waitOutHandOffInterval();
    open("/rafale.html");

    // Escapes the engine loads (a Latin-1 letter, a bare %, %00) stay in the window.
    const std::pair<const char*, const char*> escapes[] = {
        {"latin1", "/q?soc=Soci%E9t%E9"}, {"taux", "/q?taux=20%"}, {"nul", "/q?n=%00"}};
    for (const auto& [link, path] : escapes) {
        webkit_web_view_go_back(app_.view());
        ASSERT_TRUE(app_.waitForLoad(server_.url("/liens.html")));
        app_.pressOn(link);
        EXPECT_TRUE(app_.waitForLoad(server_.url(path))) << webkit_web_view_get_uri(app_.view());
    }
    webkit_web_view_go_back(app_.view());
    ASSERT_TRUE(app_.waitForLoad(server_.url("/liens.html")));
    // A link of the home host that the server sends to a sign-in page elsewhere: followed.
    app_.pressOn("sso");
    EXPECT_TRUE(app_.waitForLoad(server_.url("/connexion.html", "localhost")));
    EXPECT_EQ(app_.heading(), "Connexion");
    EXPECT_EQ(opened_.size(), 5u) << "nothing more was handed out: " << opened_.back();
}

TEST_F(RealPages, PageDialogsAreOursAndALoopCanBeBlocked) {
    // An alert loop: the first two as always, the third offers to block the rest.
    AlertDriver driver;
    const std::string block = "Bloquer les autres dialogues de cette page";
    driver
        .then([](ShownAlert& shown) {
            EXPECT_TRUE(shown.checkBoxes().empty());
            shown.press("OK");
        })
        .press("OK")
        .then([&](ShownAlert& shown) {
            EXPECT_EQ(shown.informative(), "Boucle 3");
            EXPECT_EQ(shown.checkBoxes(), std::vector<std::string>{block});
            EXPECT_EQ(gtk_window_get_transient_for(shown.window()), app_.delegate().window());
            shown.tick(block);
            saveShot(shown.window(), "dialog-loop");
            shown.press("OK");
        });
    app_.evaluate(
        "setTimeout(() => { for (let i = 1; i <= 500; i++) alert('Boucle ' + i);"
        "  document.title = confirm('Encore ?') ? 'oui' : 'non'; }); 1");
    EXPECT_TRUE(waitUntil([&] { return app_.evaluate("document.title") == "non"; }));
    EXPECT_EQ(app_.evaluate("prompt('Libelle ?', 'x')"), "null");

    // The program is the user's again: the menu's keys reach it.
    bool quitAsked = false;
    g_signal_connect_swapped(g_action_map_lookup_action(G_ACTION_MAP(app_.application()), "quit"),
                             "activate", G_CALLBACK(+[](bool* asked) { *asked = true; }),
                             &quitAsked);
    ASSERT_TRUE(app_.focusPage());
    pressKeys("ctrl+q");
    EXPECT_TRUE(waitUntil([&] { return quitAsked; }));

    // Reloaded, the page's dialogs show again; a prompt is ours, answered both ways.
    webkit_web_view_reload(app_.view());
    ASSERT_TRUE(app_.waitForLoad(server_.url("/")));
    driver
        .then([](ShownAlert& shown) {
            EXPECT_EQ(shown.title(), "DELVARONTE");
            EXPECT_EQ(shown.informative(), "Libelle de l'ecriture ?");
            EXPECT_EQ(shown.buttonLabels(), (std::vector<std::string>{"Annuler", "OK"}));
            EXPECT_EQ(shown.fieldText(0), "Achat");
            EXPECT_TRUE(gtk_widget_is_ancestor(shown.focus(), shown.fields().at(0)));
            shown.type(0, "Achat fournitures");
            shown.press("OK");
        })
        .press("Annuler");
    EXPECT_EQ(app_.evaluate("prompt(\"Libelle de l'ecriture ?\", 'Achat')"), "Achat fournitures");
    EXPECT_EQ(app_.evaluate("String(prompt('Libelle ?', 'Achat'))"), "null");

    // A text of any length fits on the screen, its buttons in view.
    driver.then([](ShownAlert& shown) {
        GdkRectangle screen{};
        gdk_monitor_get_geometry(
            gdk_display_get_monitor_at_surface(gdk_display_get_default(),
                                               gtk_native_get_surface(GTK_NATIVE(shown.window()))),
            &screen);
        EXPECT_LE(gtk_widget_get_height(GTK_WIDGET(shown.window())), screen.height);
        const graphene_point_t origin{};
        graphene_point_t corner{};
        GtkWidget* ok = gtk_window_get_default_widget(shown.window());
        ASSERT_TRUE(gtk_widget_compute_point(ok, GTK_WIDGET(shown.window()), &origin, &corner));
        EXPECT_LE(corner.y + float(gtk_widget_get_height(ok)),
                  float(gtk_widget_get_height(GTK_WIDGET(shown.window()))));
        EXPECT_GT(gtk_widget_get_height(ok), 0);
        EXPECT_EQ(shown.informative().size(), 32u * 30000);
        saveShot(shown.window(), "long-alert");
        shown.press("OK");
    });
    app_.evaluate("alert('Ligne de releve bancaire 512000\\n'.repeat(30000)); 1");
}

TEST_F(RealPages, LeavingAPageWithUnsavedChangesIsAskedInFrench) {
    server_.serve("/saisie.html", 200, kHtml,
                  "<html><body><input id='montant'><script>"
                  "addEventListener('beforeunload', e => { e.preventDefault(); "
                  "e.returnValue = 'unsaved'; });"
                  "</script></body></html>");
    open("/saisie.html");
    // The engine asks only once the user has touched the page.
    typeInto("montant", "150");

    // The page stays while the user thinks and once they chose to stay, also past the home
    // page's time limit; leaving goes.
    app_.delegate().setHomeLoadTimeoutForTesting(1);
    AlertDriver driver;
    driver
        .then([](ShownAlert& shown) {
            EXPECT_EQ(shown.title(), "DELVARONTE");
            EXPECT_EQ(shown.informative(),
                      "Voulez-vous quitter cette page ? Les modifications non enregistrees "
                      "pourraient etre perdues.");
            EXPECT_EQ(shown.buttonLabels(),
                      (std::vector<std::string>{"Rester", "Quitter la page"}));
            saveShot(shown.window(), "leave-page");
            waitMicroseconds(1'500'000);
            shown.press("Rester");
        })
        .press("Quitter la page");
    app_.activateAction("goHome");
    ASSERT_TRUE(waitUntil([&] { return driver.pending() == 1; }));
    waitMicroseconds(1'500'000);
    EXPECT_EQ(value("montant"), "150");
    EXPECT_EQ(app_.evaluate("location.pathname"), "/saisie.html");
    app_.activateAction("goHome");
    EXPECT_TRUE(app_.waitForLoad(server_.url("/")));
    EXPECT_EQ(driver.pending(), 0u);
}

TEST_F(RealPages, PopupsAreBoundedAndTheirDialogsAreTheirs) {
    EXPECT_EQ(app_.evaluate("var w = []; for (let i = 0; i < 21; i++) w.push(window.open(''));"
                            "w.filter(x => x === null).length + ' ' + (w[19] !== null)"),
              "1 true");
    EXPECT_EQ(app_.delegate().childWindows().size(), 20u);
    GtkWindow* popup = app_.delegate().childWindows().back();
    AlertDriver driver;
    driver.then([&](ShownAlert& shown) {
        EXPECT_EQ(gtk_window_get_transient_for(shown.window()), popup);
        shown.press("OK");
    });
    app_.evaluate(WEBKIT_WEB_VIEW(gtk_window_get_child(popup)), "alert('Depuis la fenetre'); 1");
    gtk_window_destroy(popup);
    EXPECT_EQ(app_.evaluate("window.open('') !== null"), "true") << "a place was freed";
}

TEST_F(RealPages, AStoppedPageComesBack) {
    app_.click("same");
    ASSERT_TRUE(app_.waitForLoad(server_.url("/factures.html")));
    const std::vector<pid_t> processes = webProcesses();
    ASSERT_FALSE(processes.empty());
    for (const pid_t pid : processes) kill(pid, SIGKILL);
    EXPECT_TRUE(waitUntil([&] { return app_.heading() == "La page s'est arretee"; }));
    EXPECT_STREQ(webkit_web_view_get_uri(app_.view()), server_.url("/factures.html").c_str());
    saveShot(app_.delegate().window(), "page-stopped");
    app_.evaluate("document.querySelector('button').click(); 1");  // "Recharger"
    EXPECT_TRUE(waitUntil([&] { return app_.heading() == "Factures clients"; }));

    // And "Actualiser" brings it back as well.
    for (const pid_t pid : webProcesses()) kill(pid, SIGKILL);
    EXPECT_TRUE(waitUntil([&] { return app_.heading() == "La page s'est arretee"; }));
    app_.activateAction("reload");
    EXPECT_TRUE(waitUntil([&] { return app_.heading() == "Factures clients"; }));
}
