// The program as a blind clerk's screen reader reaches it: the page's content on the
// accessibility bus, and every window of ours named in French and used from the keyboard.
#include <algorithm>
#include <set>

#include "Harness.h"
#include "ScreenReader.h"
#include "sandbox/ThrowAwayHome.h"

using namespace delvaronte;
using namespace delvaronte::testing;

namespace {

// A role, in the words of either release's client library: a button is a "push button" for
// Debian 12's and a "button" for Debian 13's, a text field "text" for GTK 4.8, "entry" later.
bool plays(const AccessibleNode& node, const std::string& role) {
    if (role == "push button") return node.role == role || node.role == "button";
    if (role == "entry") return node.role == role || node.role == "text";
    return node.role == role;
}

auto named(std::string role, std::string name) {
    return [role = std::move(role), name = std::move(name)](const AccessibleNode& node) {
        return plays(node, role) && node.name == name;
    };
}

}  // namespace

// The page's heading, link, field named by its label, table cell and button, where the
// toolkit hands the page over; the program's own menus everywhere.
TEST(ScreenReader, ReadsThePageWhereTheToolkitHandsItOver) {
    SiteServer server;
    server.serveFolder(DELVARONTE_TEST_PAGES);
    server.serve("/loaded", 200, "text/plain", "");
    ThrowAwayHome home;
    ASSERT_TRUE(home.provision(server.url("/lecteur.html"), "secret"));
    auto running = program(home);
    ASSERT_TRUE(waitUntil([&] { return server.requests("/loaded") == 1; }, 60));
    ASSERT_TRUE(waitForNode(running.pid(), named("menu item", "Navigation")))
        << describe(accessibleTree(running.pid()));
    if (!pageReachesTheBus()) {
        std::printf("GTK %u.%u: the page is not exposed to screen readers (GTK 4.14 and later)\n",
                    gtk_get_major_version(), gtk_get_minor_version());
        std::printf("%s", describe(accessibleTree(running.pid())).c_str());
        return;
    }
    ASSERT_TRUE(waitForNode(running.pid(), named("heading", "Pieces du mois")))
        << describe(accessibleTree(running.pid()));
    const auto tree = accessibleTree(running.pid());
    const auto has = [&](const std::function<bool(const AccessibleNode&)>& fits) {
        return std::any_of(tree.begin(), tree.end(), fits);
    };
    EXPECT_TRUE(has(named("document web", "Saisie des pieces"))) << describe(tree);
    EXPECT_TRUE(has(named("link", "Grand livre"))) << describe(tree);
    EXPECT_TRUE(has([](const AccessibleNode& n) {
        return plays(n, "entry") && n.name == "Montant";
    })) << describe(tree);
    EXPECT_TRUE(has([](const AccessibleNode& n) {
        return n.role == "table cell" && (n.name + n.text).find("512000") != std::string::npos;
    })) << describe(tree);
    EXPECT_TRUE(has(named("push button", "Valider"))) << describe(tree);
}

namespace {

// What a screen reader would say badly in our own windows: a toolkit class name anywhere, or
// a control without a name. The page's own content is its author's, and left out.
std::string badlyNamed(const std::vector<AccessibleNode>& tree) {
    static const std::set<std::string> controls = {
        "push button",   "button",    "toggle button", "check box", "entry",
        "password text", "menu item", "progress bar",  "alert",     "dialog",
        "frame",         "menu bar",  "spin button"};
    std::string found;
    int page = -1;  // the depth of the page's document, while inside it
    for (const AccessibleNode& node : tree) {
        if (page >= 0 && node.depth > page) continue;
        page = node.role == "document web" ? node.depth : -1;
        const bool className = node.name.starts_with("Gtk") || node.name.starts_with("WebKit");
        if (className || (controls.contains(node.role) && node.name.empty()))
            found += node.role + " '" + node.name + "'\n";
    }
    return found;
}

// The program's main window once it shows.
std::optional<std::string> waitForWindowOf(pid_t program) {
    std::optional<std::string> found;
    waitPolling([&] {
        found = xdotool({"search", "--onlyvisible", "--pid", std::to_string(program), "--name",
                         "^(DELVARONTE|Clavier|Saisie des pieces)$"});
        return found.has_value();
    });
    return found;
}

// Waits until the keyboard is on that control.
bool focusOn(pid_t program, const std::string& role, const std::string& name) {
    return waitForNode(program,
                       [&](const AccessibleNode& node) {
                           return node.focused && plays(node, role) && node.name == name;
                       })
        .has_value();
}

}  // namespace

// Each window of ours, opened and closed with the keyboard alone, read as a screen reader
// reads it: named in French, its controls by their labels, the keyboard on the first to answer.
TEST(ScreenReader, EveryWindowOfOursByItsNameAndFromTheKeyboard) {
    ThrowAwayHome home;
    {
        auto setup = program(home);
        ASSERT_TRUE(focusOn(setup.pid(), "entry", "URL de l'application"))
            << describe(accessibleTree(setup.pid()));
        EXPECT_EQ(badlyNamed(accessibleTree(setup.pid())), "")
            << describe(accessibleTree(setup.pid()));
        ASSERT_TRUE(pressIn(*findWindow("Configuration initiale"), "Escape"));
        EXPECT_EQ(setup.waitForExit(), 0);
    }
    SiteServer server;
    server.serveFolder(DELVARONTE_TEST_PAGES);
    server.serve("/loaded", 200, "text/plain", "");
    server.serve("/repondu", 200, "text/plain", "");
    hang(server, "/lent");
    server.route("/prive", [](SoupServerMessage* message) {
        soup_message_headers_replace(soup_server_message_get_response_headers(message),
                                     "WWW-Authenticate", "Basic realm=\"Compta\"");
        SiteServer::respond(message, 401, "text/html", "<h1>Acces refuse</h1>");
    });
    {  // the splash, while the first page does not come
        ASSERT_TRUE(home.provision(server.url("/lent"), "secret"));
        auto waiting = program(home);
        ASSERT_TRUE(waitForNode(waiting.pid(), [](const AccessibleNode& node) {
            return node.name == "Chargement en cours";
        })) << describe(accessibleTree(waiting.pid()));
        EXPECT_EQ(badlyNamed(accessibleTree(waiting.pid())), "");
        ASSERT_TRUE(pressIn(*findWindow("DELVARONTE"), "ctrl+q"));
        EXPECT_EQ(waiting.waitForExit(), 0);
    }
    ASSERT_TRUE(home.provision(server.url("/clavier.html"), "secret"));
    auto running = program(home);
    const pid_t pid = running.pid();
    ASSERT_TRUE(waitUntil([&] { return server.requests("/loaded") == 1; }, 60));
    const auto window = waitForWindowOf(pid);
    ASSERT_TRUE(window);
    ASSERT_TRUE(waitForNode(pid, [](const AccessibleNode& node) {
        return node.role == "menu bar" && node.name == "Barre de menus";
    })) << describe(accessibleTree(pid));
    EXPECT_EQ(badlyNamed(accessibleTree(pid)), "");

    ASSERT_TRUE(pressIn(*window, "ctrl+shift+f"));
    EXPECT_TRUE(focusOn(pid, "entry", "Rechercher dans la page")) << describe(accessibleTree(pid));
    EXPECT_EQ(badlyNamed(accessibleTree(pid)), "");
    ASSERT_TRUE(pressIn(*window, "Escape"));

    // The page's alert, then its question: Escape answers "Annuler".
    ASSERT_TRUE(pressIn(*window, "Return"));
    EXPECT_TRUE(focusOn(pid, "push button", "OK")) << describe(accessibleTree(pid));
    EXPECT_TRUE(waitForNode(pid, [](const AccessibleNode& node) {
        return node.role == "label" && node.name == "Piece enregistree";
    }));
    EXPECT_EQ(badlyNamed(accessibleTree(pid)), "");
    ASSERT_TRUE(xdotool({"key", "Escape"}));
    ASSERT_TRUE(pressIn(*window, "Tab"));
    ASSERT_TRUE(pressIn(*window, "Return"));
    EXPECT_TRUE(focusOn(pid, "push button", "OK"));
    EXPECT_TRUE(waitForNode(pid, [](const AccessibleNode& node) {
        return plays(node, "push button") && node.name == "Annuler";
    }));
    ASSERT_TRUE(xdotool({"key", "Escape"}));
    ASSERT_TRUE(waitUntil([&] { return server.requests("/repondu") == 1; }));

    // The server's sign-in.
    ASSERT_TRUE(pressIn(*window, "Tab"));
    ASSERT_TRUE(pressIn(*window, "Return"));
    EXPECT_TRUE(focusOn(pid, "entry", "Identifiant")) << describe(accessibleTree(pid));
    EXPECT_TRUE(waitForNode(pid, [](const AccessibleNode& node) {
        return node.role == "password text" && node.name == "Mot de passe";
    })) << describe(accessibleTree(pid));
    EXPECT_EQ(badlyNamed(accessibleTree(pid)), "");
    ASSERT_TRUE(xdotool({"key", "Escape"}));
    ASSERT_TRUE(waitForNode(pid,
                            [](const AccessibleNode& node) {
                                return node.role == "frame" && node.name == "Acces refuse";
                            }) ||
                waitUntil([&] { return bool(findWindow("DELVARONTE")); }));

    // The about box, from the menu bar.
    const auto& main = window;
    ASSERT_TRUE(pressIn(*main, "F10"));
    EXPECT_TRUE(focusOn(pid, "menu item", "A propos de DELVARONTE"))
        << describe(accessibleTree(pid));
    ASSERT_TRUE(xdotool({"key", "Return"}));
    EXPECT_TRUE(focusOn(pid, "push button", "OK")) << describe(accessibleTree(pid));
    EXPECT_EQ(badlyNamed(accessibleTree(pid)), "");
    ASSERT_TRUE(xdotool({"key", "Escape"}));

    // The configuration: its password, then the editor.
    ASSERT_TRUE(pressIn(*main, "ctrl+shift+p"));
    EXPECT_TRUE(focusOn(pid, "password text", "Mot de passe administrateur"))
        << describe(accessibleTree(pid));
    typeText("secret");
    ASSERT_TRUE(xdotool({"key", "Return"}));
    EXPECT_TRUE(focusOn(pid, "entry", "URL de l'application")) << describe(accessibleTree(pid));
    EXPECT_TRUE(waitForNode(pid, [](const AccessibleNode& node) {
        return node.role == "password text" &&
               node.name == "Nouveau mot de passe (vide = pas de changement)";
    }));
    EXPECT_EQ(badlyNamed(accessibleTree(pid)), "");
    ASSERT_TRUE(xdotool({"key", "Escape"}));

    ASSERT_TRUE(pressIn(*main, "ctrl+q"));
    EXPECT_EQ(running.waitForExit(), 0);
}

namespace {

// An accessibility bus that is registered on the session bus and never answers: the name
// org.a11y.Bus owned here, its GetAddress calls kept unanswered.
class SilentAccessibilityBus {
public:
    SilentAccessibilityBus() {
        connection_ = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
        GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(
            "<node><interface name='org.a11y.Bus'><method name='GetAddress'>"
            "<arg type='s' direction='out'/></method></interface></node>",
            nullptr);
        static const GDBusInterfaceVTable vtable = {
            +[](GDBusConnection*, const char*, const char*, const char*, const char*, GVariant*,
                GDBusMethodInvocation* call, gpointer self) {
                static_cast<SilentAccessibilityBus*>(self)->kept_.push_back(call);
            },
            nullptr,
            nullptr,
            {}};
        object_ = g_dbus_connection_register_object(
            connection_, "/org/a11y/bus", node->interfaces[0], &vtable, this, nullptr, nullptr);
        g_dbus_node_info_unref(node);
        owner_ = g_bus_own_name_on_connection(connection_, "org.a11y.Bus",
                                              G_BUS_NAME_OWNER_FLAGS_REPLACE, nullptr, nullptr,
                                              nullptr, nullptr);
    }
    ~SilentAccessibilityBus() {
        g_bus_unown_name(owner_);
        g_dbus_connection_unregister_object(connection_, object_);
        g_object_unref(connection_);
    }
    size_t asked() const { return kept_.size(); }

private:
    GDBusConnection* connection_;
    guint object_ = 0, owner_ = 0;
    std::vector<GDBusMethodInvocation*> kept_;  // never answered
};

}  // namespace

// A desktop whose accessibility bus is registered but never answers: the window and the first
// page come all the same, without the toolkit's or the engine's own unbounded waits.
TEST(ScreenReader, AStartDoesNotWaitOnASilentAccessibilityBus) {
    SiteServer server;
    server.serveFolder(DELVARONTE_TEST_PAGES);
    server.serve("/loaded", 200, "text/plain", "");
    ThrowAwayHome home;
    ASSERT_TRUE(home.provision(server.url("/lecteur.html"), "secret"));
    const auto startToPage = [&](int loaded) {
        auto running = program(home, {DELVARONTE_PROGRAM}, {}, home.file("terminal"));
        const gint64 start = g_get_monotonic_time();
        EXPECT_TRUE(waitUntil([&] { return server.requests("/loaded") == loaded; }, 60));
        const double seconds = double(g_get_monotonic_time() - start) / 1e6;
        const auto window = waitForWindowOf(running.pid());
        EXPECT_TRUE(window && pressIn(*window, "ctrl+q"));
        EXPECT_EQ(running.waitForExit(), 0);
        EXPECT_EQ(readFile(home.file("terminal")), "") << "nothing on the terminal";
        return seconds;
    };
    const double normal = startToPage(1);
    SilentAccessibilityBus silent;
    const double silentStart = startToPage(2);
    std::printf("first page: %.2f s, %.2f s with a silent accessibility bus\n", normal,
                silentStart);
    EXPECT_GE(silent.asked(), 1u);
    // D-Bus's own default wait, which the toolkit would take, is 25 s.
    EXPECT_LT(silentStart, 20);
}
