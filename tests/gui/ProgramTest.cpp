// The built program run as a person runs it: its own process, its own folders.
#include <gio/gio.h>
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>

#include "../unit/TempDir.h"
#include "AlertDriver.h"
#include "LocalServer.h"
#include "ThrowAwayHome.h"

using namespace delvaronte;
using namespace delvaronte::testing;

namespace {

class Program {
public:
    // The program, or another command, run with that home.
    // A variable given an empty value is removed from the program's environment.
    explicit Program(const std::filesystem::path& home,
                     std::vector<const char*> command = {DELVARONTE_PROGRAM},
                     std::vector<std::pair<std::string, std::string>> environment = {}) {
        GSubprocessLauncher* launcher = g_subprocess_launcher_new(GSubprocessFlags(
            G_SUBPROCESS_FLAGS_STDOUT_SILENCE | G_SUBPROCESS_FLAGS_STDERR_SILENCE));
        for (const auto& [name, value] : homeEnvironment(home))
            environment.emplace_back(name, value);
        for (const auto& [name, value] : environment) {
            if (value.empty()) {
                g_subprocess_launcher_unsetenv(launcher, name.c_str());
            } else {
                g_subprocess_launcher_setenv(launcher, name.c_str(), value.c_str(), TRUE);
            }
        }
        GError* error = nullptr;
        command.push_back(nullptr);
        process_ = g_subprocess_launcher_spawnv(launcher, command.data(), &error);
        g_object_unref(launcher);
        EXPECT_NE(process_, nullptr) << (error != nullptr ? error->message : "");
        g_clear_error(&error);
        if (process_ != nullptr) {
            g_subprocess_wait_async(
                process_, nullptr,
                +[](GObject*, GAsyncResult*, gpointer data) { *static_cast<bool*>(data) = true; },
                &exited_);
        }
    }
    ~Program() {
        if (process_ != nullptr && !exited_) {
            g_subprocess_force_exit(process_);
            waitUntil([&] { return exited_; });
        }
        if (process_ != nullptr) g_object_unref(process_);
    }

    // The exit status once the process has ended within the deadline.
    std::optional<int> waitForExit(int seconds = 30) {
        if (process_ == nullptr || !waitUntil([&] { return exited_; }, seconds)) {
            return std::nullopt;
        }
        return g_subprocess_get_if_exited(process_) ? g_subprocess_get_exit_status(process_) : -1;
    }
    bool running() const { return process_ != nullptr && !exited_; }

private:
    GSubprocess* process_ = nullptr;
    bool exited_ = false;
};

// Runs xdotool with these arguments; what it printed when it succeeded.
std::optional<std::string> xdotool(const std::vector<std::string>& arguments) {
    std::vector<const char*> argv{"timeout", "30", "xdotool"};
    for (const auto& a : arguments) argv.push_back(a.c_str());
    argv.push_back(nullptr);
    gchar* out = nullptr;
    gint status = 0;
    const bool ran =
        g_spawn_sync(nullptr, const_cast<char**>(argv.data()), nullptr, G_SPAWN_SEARCH_PATH,
                     nullptr, nullptr, &out, nullptr, &status, nullptr) &&
        g_spawn_check_wait_status(status, nullptr);
    std::string printed = out != nullptr ? out : "";
    g_free(out);
    if (!ran) return std::nullopt;
    return printed;
}

std::string firstLine(const std::string& text) {
    return text.substr(0, text.find('\n'));
}

// Waits for a window of that exact title, gives it the focus and presses keys in it. The
// window manager names a window active before the program has taken the keyboard focus, and
// keys pressed in between go nowhere: the keys wait until the X focus is on the window.
bool pressInWindow(const std::string& title, const std::string& keys) {
    const auto found = xdotool({"search", "--sync", "--onlyvisible", "--name", "^" + title + "$"});
    if (!found) return false;
    const std::string window = firstLine(*found);
    if (!xdotool({"windowactivate", "--sync", window})) return false;
    if (!waitUntil([&] {
            const auto focus = xdotool({"getwindowfocus"});
            return focus && firstLine(*focus) == window;
        })) {
        return false;
    }
    return xdotool({"key", "--clearmodifiers", keys}).has_value();
}

// The colour at (x, y) of an X window, as 0xRRGGBB.
std::optional<unsigned long> pixelOf(const std::string& window, int x, int y) {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return std::nullopt;
    std::optional<unsigned long> pixel;
    if (XImage* image = XGetImage(display, std::stoul(window), x, y, 1, 1, AllPlanes, ZPixmap)) {
        pixel = XGetPixel(image, 0, 0) & 0xFFFFFF;
        XDestroyImage(image);
    }
    XCloseDisplay(display);
    return pixel;
}

// The environment of the web engine's page processes started with this marker.
std::vector<std::string> webProcessEnvironments(const std::string& marker) {
    std::vector<std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        std::string comm, environment;
        std::getline(std::ifstream(entry.path() / "comm"), comm);
        std::getline(std::ifstream(entry.path() / "environ"), environment, '\x01');
        std::replace(environment.begin(), environment.end(), '\0', '\n');
        if (comm.starts_with("WebKitWebProces") && environment.find(marker) != std::string::npos) {
            found.push_back("\n" + environment);
        }
    }
    return found;
}

bool windowExists(const std::string& title) {
    return xdotool({"search", "--name", "^" + title + "$"}).has_value();
}

}  // namespace

TEST(Program, FirstLaunchQuitEndsTheProcessWithoutAWindow) {
    TempDir home;
    Program program(home.path());
    ASSERT_TRUE(
        xdotool({"search", "--sync", "--onlyvisible", "--name", "^Configuration initiale$"}));
    EXPECT_FALSE(windowExists("DELVARONTE")) << "no main window before the set-up";
    ASSERT_TRUE(pressInWindow("Configuration initiale", "Escape"));  // answers "Quitter"
    EXPECT_EQ(program.waitForExit(), 0);
    EXPECT_FALSE(std::filesystem::exists(home.path() / "config/Delvaronte/config.dat"));
}

TEST(Program, CookiesSurviveARestartAndControlQQuits) {
    LocalServer server;
    server.route("/", [&](SoupServerMessage* message) {
        SoupMessageHeaders* headers = soup_server_message_get_response_headers(message);
        if (server.lastHeader("/", "Cookie").find("session=") == std::string::npos) {
            soup_message_headers_append(headers, "Set-Cookie",
                                        "session=ouverte; Max-Age=86400; Path=/");
        }
        const char body[] = "<html><body>Compta</body></html>";
        soup_server_message_set_status(message, 200, nullptr);
        soup_server_message_set_response(message, "text/html", SOUP_MEMORY_COPY, body,
                                         sizeof(body) - 1);
    });
    TempDir home;
    ASSERT_TRUE(provisionHome(home.path(), server.url("/"), "secret"));
    {
        Program first(home.path());
        ASSERT_TRUE(waitUntil([&] { return server.requests("/") == 1; }));
        EXPECT_EQ(server.lastHeader("/", "Cookie"), "");
        ASSERT_TRUE(pressInWindow("DELVARONTE", "ctrl+q"));
        EXPECT_EQ(first.waitForExit(), 0);
    }
    Program second(home.path());
    ASSERT_TRUE(waitUntil([&] { return server.requests("/") == 2; }));
    EXPECT_EQ(server.lastHeader("/", "Cookie"), "session=ouverte");
}

// The program is one per desktop session: launched again it hands over to the running one.
// The demo, though, runs apart, on the demo site.
TEST(Program, LaunchingAgainHandsOverButTheDemoStandsApart) {
    LocalServer server;
    server.serve("/", 200, "text/html", "<html><body>Compta</body></html>");
    TempDir home;
    ASSERT_TRUE(provisionHome(home.path(), server.url("/"), "secret"));
    Program first(home.path());
    ASSERT_TRUE(waitUntil([&] { return server.requests("/") == 1; }));
    ASSERT_TRUE(xdotool({"search", "--sync", "--onlyvisible", "--name", "^DELVARONTE$"}));

    Program second(home.path());
    EXPECT_EQ(second.waitForExit(), 0);
    EXPECT_TRUE(first.running());
    EXPECT_EQ(server.requests("/"), 1) << "no second program, no second page";

    Program demo(home.path(), {DELVARONTE_DEMO, "--program", DELVARONTE_PROGRAM, "--until-loaded"});
    EXPECT_EQ(demo.waitForExit(90), 0) << "the demo site's page was loaded in a program of its own";
    EXPECT_TRUE(first.running());
    EXPECT_EQ(server.requests("/"), 1);
}

// A page polled on the screen: the screen tells nobody when it changes, so the loop wakes
// every 50 ms while waiting.
bool waitPolling(const std::function<bool()>& done) {
    const guint look = g_timeout_add(
        50, +[](gpointer) -> gboolean { return G_SOURCE_CONTINUE; }, nullptr);
    const bool met = waitUntil(done);
    g_source_remove(look);
    return met;
}

// Drawn with OpenGL as the user asked, or with the renderer the program picks on a machine
// without a GPU (cairo: no /dev/dri here), the window and the page reach the screen; the
// engine's processes share the program's choice, and the mail client a click hands an
// address to starts with the user's environment, not with it.
TEST(Program, DrawsTheWindowAndThePageWithEitherRenderer) {
    LocalServer server;
    // The whole page is a mailto: link.
    server.serve("/", 200, "text/html",
                 "<html><body style='margin:0' onload=\"fetch('/loaded')\">"
                 "<a href='mailto:compta@exemple.ma' style='display:block;height:100vh;"
                 "background:#0a7bc8'></a></body></html>");
    server.serve("/loaded", 200, "text/plain", "");
    for (const std::string renderer : {"", "gl"}) {
        SCOPED_TRACE("GSK_RENDERER=" + renderer);
        TempDir home;
        ASSERT_TRUE(provisionHome(home.path(), server.url("/"), "secret"));
        // The user's mail client, which writes down the environment it started with.
        const std::filesystem::path client = home.path() / "mail-client";
        const std::filesystem::path seen = home.path() / "mail-client-environment";
        std::ofstream(client) << "#!/bin/sh\nenv > '" << seen.string() << ".part'\nmv '"
                              << seen.string() << ".part' '" << seen.string() << "'\n";
        std::filesystem::permissions(client, std::filesystem::perms::owner_all);
        std::filesystem::create_directories(home.path() / "data/applications");
        std::ofstream(home.path() / "data/applications/courrier.desktop")
            << "[Desktop Entry]\nType=Application\nName=Courrier\nExec=" << client.string()
            << " %u\nMimeType=x-scheme-handler/mailto;\n";
        std::ofstream(home.path() / "config/mimeapps.list")
            << "[Default Applications]\nx-scheme-handler/mailto=courrier.desktop\n";

        const std::string marker =
            "renderer-" + renderer + "-" + std::to_string(g_get_monotonic_time());
        Program program(home.path(), {DELVARONTE_PROGRAM},
                        {{"GSK_RENDERER", renderer}, {"DELVARONTE_TEST_MARK", marker}});
        const int loads = server.requests("/loaded");
        ASSERT_TRUE(waitUntil([&] { return server.requests("/loaded") > loads; }, 60));
        const auto found = xdotool({"search", "--sync", "--onlyvisible", "--name", "^DELVARONTE$"});
        ASSERT_TRUE(found);
        const std::string window = firstLine(*found);
        // The splash fades out over the page; the menu bar stays light above it.
        EXPECT_TRUE(waitPolling([&] { return pixelOf(window, 640, 600) == 0x0a7bc8; }))
            << std::hex << pixelOf(window, 640, 600).value_or(0);
        const unsigned long menu = pixelOf(window, 4, 4).value_or(0);
        EXPECT_TRUE((menu >> 16) > 0xD0 && ((menu >> 8) & 0xFF) > 0xD0 && (menu & 0xFF) > 0xD0)
            << std::hex << menu;

        const std::string chosen = "GSK_RENDERER=" + (renderer.empty() ? "cairo" : renderer);
        const auto environments = webProcessEnvironments(marker);
        ASSERT_FALSE(environments.empty());
        for (const std::string& environment : environments) {
            EXPECT_NE(environment.find("\n" + chosen + "\n"), std::string::npos);
        }

        ASSERT_TRUE(xdotool({"mousemove", "--window", window, "640", "600", "click", "1"}));
        ASSERT_TRUE(waitPolling([&] { return std::filesystem::exists(seen); }));
        std::string launched;
        std::getline(std::ifstream(seen), launched, '\x01');
        EXPECT_NE(launched.find(marker), std::string::npos) << "the user's own environment";
        EXPECT_EQ(launched.find("GSK_RENDERER"),
                  renderer.empty() ? std::string::npos : launched.find(chosen))
            << launched;
    }
}
