// The program as a blind clerk's screen reader reaches it: the page's content on the
// accessibility bus, and every window of ours named in French and used from the keyboard.
#include <algorithm>

#include "Harness.h"
#include "ScreenReader.h"
#include "sandbox/ThrowAwayHome.h"

using namespace delvaronte;
using namespace delvaronte::testing;

namespace {

auto named(std::string role, std::string name) {
    return [role = std::move(role), name = std::move(name)](const AccessibleNode& node) {
        return node.role == role && node.name == name;
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
        return n.role == "entry" && n.name == "Montant";
    })) << describe(tree);
    EXPECT_TRUE(has([](const AccessibleNode& n) {
        return n.role == "table cell" && n.name.find("512000") != std::string::npos;
    })) << describe(tree);
    EXPECT_TRUE(has(named("push button", "Valider"))) << describe(tree);
}
