// delvaronte-demo: serves the demo accounting site on 127.0.0.1 and starts the application on
// it with a throw-away configuration, so that the user's own config.dat is never touched.
#include <gio/gio.h>
#include <libsoup/soup.h>
#include <sys/prctl.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/GObjectPtr.h"
#include "sandbox/NotificationSink.h"
#include "sandbox/SiteServer.h"
#include "sandbox/ThrowAwayHome.h"

namespace {

namespace fs = std::filesystem;

constexpr char kUsage[] =
    "Usage : delvaronte-demo [--program CHEMIN] [--identification] [--until-loaded]\n"
    "\n"
    "Sert un site de demonstration sur 127.0.0.1 et lance DELVARONTE dessus avec une\n"
    "configuration jetable (mot de passe administrateur : demo).\n"
    "\n"
    "  --program CHEMIN  le programme a lancer (par defaut : delvaronte a cote de celui-ci)\n"
    "  --identification  le site demande un identifiant (compta) et un mot de passe (demo)\n"
    "  --until-loaded    s'arrete, avec le programme, des que la premiere page est chargee\n"
    "                    (code 0 ; 1 si elle ne l'est pas en 60 secondes)\n";

struct Demo {
    delvaronte::GOwned<GMainLoop, g_main_loop_unref> loop;
    delvaronte::GRef<GSubprocess> program;
    bool untilLoaded = false;
    bool signIn = false;
    bool loaded = false;
    int status = 0;
};

// The program's web engine processes outlive it by a moment. Adopted by the demo (see main),
// they are waited for here, so that the throw-away home is removed only once nothing writes
// into it any more. Gives up after ten seconds.
void waitForOrphans() {
    for (int tries = 0; tries < 200; ++tries) {
        const pid_t ended = waitpid(-1, nullptr, WNOHANG);
        if (ended < 0) return;  // no child left
        if (ended == 0) g_usleep(50000);
    }
}

fs::path findSite(const fs::path& executable) {
    fs::path installed = executable.parent_path() / "../share/delvaronte/demo";
    if (fs::exists(installed / "index.html")) return installed;
    return DELVARONTE_DEMO_SITE;
}

// The program is one instance per session bus: started on the user's bus while the user's
// own copy runs, it would only bring that window forward. On a bus of its own it always
// starts, on the demo site. Without a dbus-daemon to start, the user's bus it is.
GTestDBus* privateSessionBus() {
    const delvaronte::GText daemon(g_find_program_in_path("dbus-daemon"));
    if (!daemon) return nullptr;
    GTestDBus* bus = g_test_dbus_new(G_TEST_DBUS_NONE);
    // The desktop's services (the accessibility bus among them) start on it as on any.
    g_test_dbus_add_service_dir(bus, "/usr/share/dbus-1/services");
    // Made for tests, it also clears what names the display; the program needs it.
    std::vector<std::pair<const char*, std::string>> display;
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "XDG_RUNTIME_DIR"}) {
        if (const char* value = g_getenv(name)) display.emplace_back(name, value);
    }
    g_test_dbus_up(bus);
    for (const auto& [name, value] : display) g_setenv(name, value.c_str(), TRUE);
    return bus;
}

}  // namespace

int main(int argc, char** argv) {
    // Processes the program leaves behind become ours, to be waited for.
    prctl(PR_SET_CHILD_SUBREAPER, 1);
    Demo demo;
    fs::path executable = fs::read_symlink("/proc/self/exe");
    fs::path program = executable.parent_path() / "delvaronte";
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--until-loaded") {
            demo.untilLoaded = true;
        } else if (argument == "--identification") {
            demo.signIn = true;
        } else if (argument == "--program" && i + 1 < argc) {
            program = argv[++i];
        } else {
            std::fputs(kUsage, argument == "--help" ? stdout : stderr);
            return argument == "--help" ? 0 : 2;
        }
    }
    delvaronte::SiteServer server;
    if (server.port() == 0) {
        std::fprintf(stderr, "Erreur : %s\n", server.error().c_str());
        return 1;
    }
    server.serveFolder(findSite(executable).string());
    if (demo.signIn) server.requireSignIn("Demo DELVARONTE", "compta", "demo");
    // The site's home page asks for this once its load event has fired.
    server.route("/loaded", [&demo](SoupServerMessage* message) {
        soup_server_message_set_status(message, SOUP_STATUS_NO_CONTENT, nullptr);
        if (!demo.loaded && demo.untilLoaded) g_subprocess_send_signal(demo.program.get(), SIGTERM);
        demo.loaded = true;
    });
    const std::string home = server.url("/");

    // A home of its own: configuration, cookies and cache all go away with the demo.
    const delvaronte::ThrowAwayHome root;
    root.provision(home, "demo");

    std::printf("Site de demonstration : %s (mot de passe administrateur : demo)\n", home.c_str());
    std::fflush(stdout);

    GError* error = nullptr;
    // Sets DBUS_SESSION_BUS_ADDRESS, which the program inherits.
    const auto bus = delvaronte::GRef<GTestDBus>::adopt(privateSessionBus());
    // The desktop's notifications do not reach a bus of the demo's own: the demo shows them.
    std::optional<delvaronte::NotificationSink> notifications;
    if (bus) {
        notifications.emplace([](const delvaronte::NotificationSink::Shown& shown) {
            std::printf("Notification : %s - %s\n", shown.title.c_str(), shown.body.c_str());
            std::fflush(stdout);
        });
    }
    {
        const auto launcher = delvaronte::GRef<GSubprocessLauncher>::adopt(
            g_subprocess_launcher_new(G_SUBPROCESS_FLAGS_NONE));
        for (const auto& [name, value] : root.environment()) {
            g_subprocess_launcher_setenv(launcher.get(), name.c_str(), value.c_str(), TRUE);
        }
        demo.program = delvaronte::GRef<GSubprocess>::adopt(
            g_subprocess_launcher_spawn(launcher.get(), &error, program.c_str(), nullptr));
    }
    if (!demo.program) {
        std::fprintf(stderr, "Erreur : %s\n", error->message);
        notifications.reset();  // its hold on the bus first: the bus waits for the last one
        if (bus) g_test_dbus_down(bus.get());
        return 1;
    }

    demo.loop.reset(g_main_loop_new(nullptr, FALSE));
    g_subprocess_wait_async(
        demo.program.get(), nullptr,
        +[](GObject*, GAsyncResult*, gpointer data) {
            g_main_loop_quit(static_cast<Demo*>(data)->loop.get());
        },
        &demo);
    if (demo.untilLoaded) {
        g_timeout_add_seconds(
            60,
            +[](gpointer data) -> gboolean {
                auto* d = static_cast<Demo*>(data);
                g_subprocess_force_exit(d->program.get());
                return G_SOURCE_REMOVE;
            },
            &demo);
    }
    g_main_loop_run(demo.loop.get());

    if (demo.untilLoaded) {
        demo.status = demo.loaded ? 0 : 1;
        std::printf(demo.loaded ? "Premiere page chargee.\n"
                                : "Erreur : la page n'a pas ete chargee.\n");
    } else if (g_subprocess_get_if_exited(demo.program.get())) {
        demo.status = g_subprocess_get_exit_status(demo.program.get());
    }
    // The bus goes first: its daemon is one of the children waited for.
    notifications.reset();
    if (bus) g_test_dbus_down(bus.get());
    waitForOrphans();
    return demo.status;  // the home goes with root, once nothing writes into it any more
}
