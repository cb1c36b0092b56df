// delvaronte-demo: serves the demo accounting site on 127.0.0.1 and starts the application on
// it with a throw-away configuration, so that the user's own config.dat is never touched.
#include <gio/gio.h>
#include <libsoup/soup.h>
#include <sys/prctl.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "SiteServer.h"
#include "ThrowAwayHome.h"

namespace {

namespace fs = std::filesystem;

constexpr char kUsage[] =
    "Usage : delvaronte-demo [--program CHEMIN] [--until-loaded]\n"
    "\n"
    "Sert un site de demonstration sur 127.0.0.1 et lance DELVARONTE dessus avec une\n"
    "configuration jetable (mot de passe administrateur : demo).\n"
    "\n"
    "  --program CHEMIN  le programme a lancer (par defaut : delvaronte a cote de celui-ci)\n"
    "  --until-loaded    s'arrete, avec le programme, des que la premiere page est chargee\n"
    "                    (code 0 ; 1 si elle ne l'est pas en 60 secondes)\n";

struct Demo {
    fs::path site;
    GMainLoop* loop = nullptr;
    GSubprocess* program = nullptr;
    bool untilLoaded = false;
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

void serveCb(SoupServer*, SoupServerMessage* message, const char* path, GHashTable*,
             gpointer data) {
    auto* demo = static_cast<Demo*>(data);
    if (g_str_equal(path, delvaronte::kSiteLoadedPath)) {
        soup_server_message_set_status(message, 204, nullptr);
        if (!demo->loaded && demo->untilLoaded) {
            demo->loaded = true;
            g_subprocess_send_signal(demo->program, SIGTERM);
        }
        demo->loaded = true;
        return;
    }
    if (!delvaronte::serveSiteFile(message, demo->site.string(), path)) {
        soup_server_message_set_status(message, SOUP_STATUS_NOT_FOUND, nullptr);
    }
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
        } else if (argument == "--program" && i + 1 < argc) {
            program = argv[++i];
        } else {
            std::fputs(kUsage, argument == "--help" ? stdout : stderr);
            return argument == "--help" ? 0 : 2;
        }
    }
    demo.site = findSite(executable);

    SoupServer* server = soup_server_new(nullptr, nullptr);
    soup_server_add_handler(server, nullptr, serveCb, &demo, nullptr);
    GError* error = nullptr;
    const guint port = delvaronte::listenOnLoopback(server, 0, SoupServerListenOptions(0), &error);
    if (port == 0) {
        std::fprintf(stderr, "Erreur : %s\n", error->message);
        return 1;
    }
    const std::string home = "http://127.0.0.1:" + std::to_string(port) + "/";

    // A home of its own: configuration, cookies and cache all go away with the demo.
    gchar* scratch = g_dir_make_tmp("delvaronte-demo-XXXXXX", nullptr);
    const fs::path root = scratch;
    g_free(scratch);
    delvaronte::provisionHome(root, home, "demo");

    std::printf("Site de demonstration : %s (mot de passe administrateur : demo)\n", home.c_str());
    std::fflush(stdout);

    GSubprocessLauncher* launcher = g_subprocess_launcher_new(G_SUBPROCESS_FLAGS_NONE);
    for (const auto& [name, value] : delvaronte::homeEnvironment(root)) {
        g_subprocess_launcher_setenv(launcher, name.c_str(), value.c_str(), TRUE);
    }
    demo.program = g_subprocess_launcher_spawn(launcher, &error, program.c_str(), nullptr);
    g_object_unref(launcher);
    if (demo.program == nullptr) {
        std::fprintf(stderr, "Erreur : %s\n", error->message);
        fs::remove_all(root);
        return 1;
    }

    demo.loop = g_main_loop_new(nullptr, FALSE);
    g_subprocess_wait_async(
        demo.program, nullptr,
        +[](GObject*, GAsyncResult*, gpointer data) {
            g_main_loop_quit(static_cast<Demo*>(data)->loop);
        },
        &demo);
    if (demo.untilLoaded) {
        g_timeout_add_seconds(
            60,
            +[](gpointer data) -> gboolean {
                auto* d = static_cast<Demo*>(data);
                g_subprocess_force_exit(d->program);
                return G_SOURCE_REMOVE;
            },
            &demo);
    }
    g_main_loop_run(demo.loop);

    if (demo.untilLoaded) {
        demo.status = demo.loaded ? 0 : 1;
        std::printf(demo.loaded ? "Premiere page chargee.\n"
                                : "Erreur : la page n'a pas ete chargee.\n");
    } else if (g_subprocess_get_if_exited(demo.program)) {
        demo.status = g_subprocess_get_exit_status(demo.program);
    }
    g_object_unref(demo.program);
    g_main_loop_unref(demo.loop);
    soup_server_disconnect(server);
    g_object_unref(server);
    waitForOrphans();
    fs::remove_all(root);
    return demo.status;
}
