#include "Harness.h"

#include "sandbox/ProcessTree.h"

#include <gdk/x11/gdkx.h>
#include <unistd.h>

namespace delvaronte::testing {

bool waitPolling(const std::function<bool()>& done, int seconds) {
    const guint look = g_timeout_add(
        50, +[](gpointer) -> gboolean { return TRUE; }, nullptr);
    const bool met = waitUntil(done, seconds);
    g_source_remove(look);
    return met;
}

std::optional<std::string> xdotool(const std::vector<std::string>& arguments) {
    std::vector<std::string> argv{"timeout", "30", "xdotool"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    int status = 0;
    const std::string printed = runToEnd(argv, &status);
    if (status != 0) return std::nullopt;
    return printed.substr(0, printed.find('\n'));
}

bool xdotoolLive(const std::vector<std::string>& arguments) {
    std::vector<const char*> argv{"timeout", "30", "xdotool"};
    for (const auto& a : arguments) argv.push_back(a.c_str());
    argv.push_back(nullptr);
    GPid pid = 0;
    if (!g_spawn_async(nullptr, const_cast<char**>(argv.data()), nullptr,
                       GSpawnFlags(G_SPAWN_SEARCH_PATH | G_SPAWN_DO_NOT_REAP_CHILD), nullptr,
                       nullptr, &pid, nullptr)) {
        return false;
    }
    std::optional<gint> status;
    g_child_watch_add(
        pid,
        +[](GPid, gint waited, gpointer data) {
            *static_cast<std::optional<gint>*>(data) = waited;
        },
        &status);
    // The watch must run before status goes out of scope: xdotool ends within its 30 s.
    waitUntil([&] { return status.has_value(); }, 60);
    return status.has_value() && g_spawn_check_wait_status(*status, nullptr);
}

void saveShot(GtkWindow* window, const std::string& name) {
    const char* folder = g_getenv("DELVARONTE_SHOTS");
    if (folder == nullptr || *folder == '\0') return;
    waitUntil([] { return false; }, 1);  // the last frame reaches the screen
    const auto id = gdk_x11_surface_get_xid(gtk_native_get_surface(GTK_NATIVE(window)));
    const std::string command = "import -window " + std::to_string(id) + " " + folder + "/" + name;
    g_spawn_command_line_sync((command + ".png").c_str(), nullptr, nullptr, nullptr, nullptr);
}

std::vector<pid_t> webProcesses() {
    std::vector<pid_t> found;
    for (const int pid : processTree(getpid())) {
        if (readFile("/proc/" + std::to_string(pid) + "/comm").starts_with("WebKitWebProces"))
            found.push_back(pid);
    }
    return found;
}

std::unique_ptr<SiteServer> selfSignedServer() {
    GTlsCertificate* certificate =
        g_tls_certificate_new_from_file(DELVARONTE_FIXTURES "/self-signed.pem", nullptr);
    auto server = std::make_unique<SiteServer>(0, certificate);
    g_clear_object(&certificate);
    return server;
}

RunningApp::RunningApp() {
    static int count = 0;  // one D-Bus name per application of the process
    const std::string id = "ma.delvaronte.Tests.App" + std::to_string(++count);
    application_ = gtk_application_new(
        id.c_str(), GApplicationFlags(G_APPLICATION_NON_UNIQUE | G_APPLICATION_HANDLES_OPEN));
    g_object_set(application_, "register-session", TRUE, nullptr);  // as the program does
    EXPECT_TRUE(g_application_register(G_APPLICATION(application_), nullptr, nullptr));
    seams.open = [this](const std::string& uri) { opened.push_back(uri); };
    // A closed port of this machine, never the publisher.
    seams.updates.manifestUrl = "http://127.0.0.1:9/version.json";
    delegate_ = std::make_unique<AppDelegate>(application_, seams);
}

RunningApp::~RunningApp() {
    // Windows first, while the delegate their handlers point at exists.
    GList* windows = g_list_copy(gtk_application_get_windows(application_));
    for (GList* w = windows; w != nullptr; w = w->next) gtk_window_destroy(GTK_WINDOW(w->data));
    g_list_free(windows);
    delegate_.reset();
    g_object_unref(application_);
}

// The window manager names a window active before the X server gives it the keyboard (after a
// dialog, say): keys typed in between go nowhere.
bool RunningApp::focusPage() {
    GtkWindow* window = delegate_->window();
    if (!waitUntil([&] { return gtk_window_is_active(window); })) return false;
    const auto id = gdk_x11_surface_get_xid(gtk_native_get_surface(GTK_NATIVE(window)));
    if (!waitPolling([&] { return xdotool({"getwindowfocus"}) == std::to_string(id); }))
        return false;
    gtk_widget_grab_focus(GTK_WIDGET(view()));
    return true;
}

bool RunningApp::typeInto(const std::string& id, const std::string& text) {
    const std::string field = "document.getElementById('" + id + "')";
    if (!focusPage()) {
        ADD_FAILURE() << "the window never had the keyboard (shown: "
                      << gtk_widget_get_visible(GTK_WIDGET(delegate_->window()))
                      << ", active: " << gtk_window_is_active(delegate_->window())
                      << ", X focus on " << xdotool({"getwindowfocus"}).value_or("?") << ")";
        return false;
    }
    // Keys go where the page's focus is once the engine has told the page that its window
    // is active again (after a dialog, it may not have yet).
    const bool ready = waitUntil([&] {
        return evaluate(field + ".focus(); document.hasFocus() && document.activeElement === " +
                        field) == "true";
    });
    if (!ready) {
        ADD_FAILURE() << "the page never had the keyboard in " << id;
        return false;
    }
    typeText(text);
    if (waitUntil([&] { return evaluate(field + ".value") == text; })) return true;
    ADD_FAILURE() << "typed \"" << text << "\", the field holds \"" << evaluate(field + ".value")
                  << "\", the page's focus is on "
                  << evaluate("document.activeElement?.id ?? 'nothing'")
                  << ", the view's focus: " << gtk_widget_has_focus(GTK_WIDGET(view()));
    return false;
}

std::string RunningApp::evaluate(WebKitWebView* view, const std::string& script) {
    std::optional<std::string> result;
    webkit_web_view_evaluate_javascript(
        view, script.c_str(), -1, nullptr, nullptr, nullptr,
        +[](GObject* source, GAsyncResult* async, gpointer data) {
            GError* error = nullptr;
            JSCValue* value =
                webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(source), async, &error);
            g_autofree char* text = value ? jsc_value_to_string(value) : nullptr;
            *static_cast<std::optional<std::string>*>(data) =
                value ? std::string(text ? text : "") : "<error: " + std::string(error->message);
            g_clear_error(&error);
            g_clear_object(&value);
        },
        &result);
    EXPECT_TRUE(waitUntil([&] { return result.has_value(); })) << script;
    return result.value_or("<timeout>");
}

}  // namespace delvaronte::testing

// One GTK initialisation per test process, in the X server run-in-xvfb.sh started, with
// configuration, website data and cache of this process only. GTK's complaints (a call on a
// widget that is gone) fail the test.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    const delvaronte::testing::TempDir home;
    for (const auto& [name, value] : home.environment()) setenv(name.c_str(), value.c_str(), 1);
    if (!::testing::GTEST_FLAG(list_tests) && !gtk_init_check()) {
        fprintf(stderr, "no display: run under tests/gui/run-in-xvfb.sh\n");
        return 1;
    }
    delvaronte::reportWindowProblem = [](const std::string& problem) { ADD_FAILURE() << problem; };
    g_log_set_handler(
        "Gtk", G_LOG_LEVEL_CRITICAL,
        +[](const char*, GLogLevelFlags, const char* message, gpointer) {
            ADD_FAILURE() << message;
        },
        nullptr);
    return RUN_ALL_TESTS();
}
