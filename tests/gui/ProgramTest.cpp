// The built program run as a person runs it: its own process, its own folders.
#include <algorithm>

#include "Harness.h"
#include "sandbox/ThrowAwayHome.h"

// After the toolkit's headers: Xlib's macros (Status, None) would clash with them.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

using namespace delvaronte;
using namespace delvaronte::testing;

namespace {

// The colour at (x, y) of an X window, as 0xRRGGBB.
unsigned long pixelOf(const std::string& window, int x, int y) {
    Display* display = XOpenDisplay(nullptr);
    unsigned long pixel = 0;
    if (XImage* image = XGetImage(display, std::stoul(window), x, y, 1, 1, AllPlanes, ZPixmap)) {
        pixel = XGetPixel(image, 0, 0) & 0xFFFFFF;
        XDestroyImage(image);
    }
    XCloseDisplay(display);
    return pixel;
}

// The environments of the web processes that carry this marker in theirs, a line a variable.
std::vector<std::string> webProcessEnvironments(const std::string& marker) {
    std::vector<std::string> found;
    for (const pid_t pid : webProcesses()) {
        std::string environment = "\n" + readFile("/proc/" + std::to_string(pid) + "/environ");
        std::replace(environment.begin(), environment.end(), '\0', '\n');
        if (environment.find(marker) != std::string::npos) found.push_back(environment);
    }
    return found;
}

}  // namespace

// The program as a person runs it all day: its page drawn with the renderer it chose (cairo
// here, without a GPU), which the engine shares; a mailto: click that reaches the mail client
// with the user's environment, not that choice; closed, it only hides; one program per desktop
// session, the demo apart; Ctrl+Q ends it; the sign-in is kept.
TEST(Program, RunsAsAPersonRunsIt) {
    TempDir home;
    SiteServer server;  // a blue page that is one mailto: link, and a session cookie
    const std::string page = readFile(DELVARONTE_TEST_PAGES "/couleur.html");
    std::string cookie;
    server.route("/", [&](SoupServerMessage* message) {
        const char* sent = soup_message_headers_get_one(
            soup_server_message_get_request_headers(message), "Cookie");
        cookie = sent != nullptr ? sent : "";
        if (cookie.empty()) {
            soup_message_headers_append(soup_server_message_get_response_headers(message),
                                        "Set-Cookie", "session=ouverte; Max-Age=86400; Path=/");
        }
        SiteServer::respond(message, 200, "text/html", page);
    });
    server.serve("/loaded", 200, "text/plain", "");
    std::string typed;  // what the page's field holds, as it reports it
    server.route("/tape", [&](SoupServerMessage* message) {
        GHashTable* query =
            soup_server_message_get_uri(message) != nullptr
                ? soup_form_decode(g_uri_get_query(soup_server_message_get_uri(message)))
                : nullptr;
        if (query != nullptr) {
            const char* value = static_cast<const char*>(g_hash_table_lookup(query, "v"));
            typed = value != nullptr ? value : "";
            g_hash_table_unref(query);
        }
        SiteServer::respond(message, 200, "text/plain", "");
    });
    ASSERT_TRUE(home.provision(server.url("/"), "secret"));
    const std::filesystem::path seen = home.path() / "mail-client-environment";
    std::ofstream(home.path() / "mail") << "#!/bin/sh\nenv > '" << seen.string() << ".part'\nmv '"
                                        << seen.string() << ".part' '" << seen.string() << "'\n";
    std::filesystem::permissions(home.path() / "mail", std::filesystem::perms::owner_all);
    std::filesystem::create_directories(home.path() / "data/applications");
    std::ofstream(home.path() / "data/applications/courrier.desktop")
        << "[Desktop Entry]\nType=Application\nName=Courrier\nExec="
        << (home.path() / "mail").string() << " %u\nMimeType=x-scheme-handler/mailto;\n";
    std::ofstream(home.path() / "config/mimeapps.list")
        << "[Default Applications]\nx-scheme-handler/mailto=courrier.desktop\n";
    const std::string marker = "program-" + std::to_string(g_get_monotonic_time());
    {
        auto first = program(home, {DELVARONTE_PROGRAM},
                             {{"GSK_RENDERER", ""}, {"DELVARONTE_TEST_MARK", marker}},
                             home.file("terminal"));
        ASSERT_TRUE(waitUntil([&] { return server.requests("/loaded") == 1; }, 60));
        const auto window = findWindow("DELVARONTE");
        ASSERT_TRUE(window);
        EXPECT_TRUE(waitPolling([&] { return pixelOf(*window, 640, 600) == 0x0a7bc8; }))
            << std::hex << pixelOf(*window, 640, 600);
        const unsigned long menu = pixelOf(*window, 4, 4);  // the menu bar, light
        EXPECT_TRUE((menu >> 16) > 0xD0 && ((menu >> 8) & 0xFF) > 0xD0 && (menu & 0xFF) > 0xD0)
            << std::hex << menu;
        const auto environments = webProcessEnvironments(marker);
        ASSERT_FALSE(environments.empty());
        for (const auto& environment : environments)
            EXPECT_NE(environment.find("\nGSK_RENDERER=cairo\n"), std::string::npos);
        ASSERT_TRUE(xdotool({"mousemove", "--window", *window, "640", "600", "click", "1"}));
        ASSERT_TRUE(waitPolling([&] { return std::filesystem::exists(seen); }));
        const std::string launched = readFile(seen);
        EXPECT_NE(launched.find(marker), std::string::npos) << "the user's own environment";
        EXPECT_EQ(launched.find("GSK_RENDERER"), std::string::npos) << launched;
        for (const char* kept : {"GDK_DEBUG", "GDK_DISABLE", "WEBKIT_DISABLE_COMPOSITING_MODE"})
            EXPECT_EQ(launched.find(kept), std::string::npos) << launched;

        ASSERT_TRUE(pressIn(*window, "shift+Tab"));  // from the link back to the field
        ASSERT_TRUE(pressIn(*window, "alt+F4"));
        ASSERT_TRUE(waitPolling([] {
            return !xdotool({"search", "--onlyvisible", "--name", "^DELVARONTE$"});
        }));
        auto again = program(home);
        EXPECT_EQ(again.waitForExit(), 0) << "handed over to the running one";
        EXPECT_TRUE(findWindow("DELVARONTE"));
        // The first keys typed once it is back reach the page's field.
        ASSERT_TRUE(waitUntil([&] { return xdotool({"getwindowfocus"}) == *window; }));
        typeText("compta");
        EXPECT_TRUE(waitUntil([&] { return typed == "compta"; })) << typed;
        auto demo =
            program(home, {DELVARONTE_DEMO, "--program", DELVARONTE_PROGRAM, "--until-loaded"});
        EXPECT_EQ(demo.waitForExit(90), 0) << "the demo runs apart, on its own site";
        EXPECT_EQ(server.requests("/"), 1);
        ASSERT_TRUE(pressIn(*window, "ctrl+q"));
        EXPECT_EQ(first.waitForExit(), 0);
        const std::string terminal = readFile(home.file("terminal"));
        EXPECT_EQ(terminal.find("CRITICAL"), std::string::npos) << terminal;
    }
    auto second = program(home);
    ASSERT_TRUE(waitUntil([&] { return server.requests("/") == 2; }));
    EXPECT_EQ(cookie, "session=ouverte");
}
