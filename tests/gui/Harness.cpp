#include "Harness.h"

#include "sandbox/ProcessTree.h"

#include <gdk/x11/gdkx.h>
#include <unistd.h>

namespace delvaronte::testing {

namespace {

bool isButton(GtkWidget* w) {
    return GTK_IS_BUTTON(w) && gtk_button_get_label(GTK_BUTTON(w));
}

guint mapSignal() {
    static const guint signal = (g_type_class_ref(GTK_TYPE_WIDGET),  // its signals come with it
                                 g_signal_lookup("map", GTK_TYPE_WIDGET));
    return signal;
}

}  // namespace

std::vector<GtkWidget*> widgetsOf(GtkWindow* window, const std::function<bool(GtkWidget*)>& keep) {
    std::vector<GtkWidget*> found;
    const std::function<void(GtkWidget*)> walk = [&](GtkWidget* widget) {
        if (keep(widget)) return found.push_back(widget);
        for (GtkWidget* c = gtk_widget_get_first_child(widget); c;
             c = gtk_widget_get_next_sibling(c))
            walk(c);
    };
    walk(GTK_WIDGET(window));
    return found;
}

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

GtkWindow* windowNamed(const char* name) {
    GtkWindow* found = nullptr;
    for (GList* w = gtk_window_list_toplevels(); w != nullptr; w = g_list_delete_link(w, w)) {
        if (g_strcmp0(gtk_widget_get_name(GTK_WIDGET(w->data)), name) == 0 &&
            gtk_widget_get_visible(GTK_WIDGET(w->data)))
            found = GTK_WINDOW(w->data);
    }
    return found;
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

std::string ShownAlert::informative() const {
    for (GtkWidget* w : widgetsOf(window, [](GtkWidget* w) {
             return g_str_has_prefix(gtk_widget_get_name(w), "alert-informative");
         })) {
        if (!gtk_widget_get_visible(w)) continue;
        if (GTK_IS_LABEL(w)) return gtk_label_get_text(GTK_LABEL(w));
        GtkTextIter start, end;
        gtk_text_buffer_get_bounds(gtk_text_view_get_buffer(GTK_TEXT_VIEW(w)), &start, &end);
        g_autofree char* text = gtk_text_iter_get_text(&start, &end);
        return text;
    }
    return "";
}

std::vector<std::string> ShownAlert::buttonLabels() const {
    std::vector<std::string> labels;
    for (GtkWidget* b : widgetsOf(window, isButton))
        labels.emplace_back(gtk_button_get_label(GTK_BUTTON(b)));
    return labels;
}

std::vector<GtkWidget*> ShownAlert::fields() const {
    return widgetsOf(window,
                     [](GtkWidget* w) { return GTK_IS_ENTRY(w) || GTK_IS_PASSWORD_ENTRY(w); });
}

void ShownAlert::press(const std::string& label) const {
    for (GtkWidget* box : widgetsOf(window, [](GtkWidget* w) { return GTK_IS_CHECK_BUTTON(w); })) {
        if (label == gtk_check_button_get_label(GTK_CHECK_BUTTON(box)))
            return gtk_check_button_set_active(GTK_CHECK_BUTTON(box), TRUE);
    }
    for (GtkWidget* button : widgetsOf(window, isButton)) {
        if (label == gtk_button_get_label(GTK_BUTTON(button)))
            return g_signal_emit_by_name(button, "clicked");
    }
    ADD_FAILURE() << "nothing labelled \"" << label << "\" on \"" << title() << "\"";
}

// Every widget mapped from now on is looked at: an alert among them is answered.
AlertDriver::AlertDriver()
    : hook_(g_signal_add_emission_hook(mapSignal(), 0, &mapped, this, nullptr)) {}

AlertDriver::~AlertDriver() {
    *alive_ = false;
    g_signal_remove_emission_hook(mapSignal(), hook_);
    EXPECT_TRUE(steps_.empty()) << steps_.size() << " alert step(s) never ran";
}

// An alert is answered once it has been painted, as a person does once it appeared, from an
// idle callback inside the alert's own loop, after its first frame.
gboolean AlertDriver::mapped(GSignalInvocationHint*, guint, const GValue* values, gpointer data) {
    auto* window = GTK_WIDGET(g_value_get_object(&values[0]));
    if (g_strcmp0(gtk_widget_get_name(window), "delvaronte-alert") != 0) return TRUE;
    struct Shown {
        std::weak_ptr<bool> alive;
        AlertDriver* driver;
        GtkWindow* window;
    };
    static const auto answer = +[](gpointer data) -> gboolean {
        auto* s = static_cast<Shown*>(data);
        const auto alive = s->alive.lock();
        if (!alive || !*alive) return G_SOURCE_REMOVE;
        ShownAlert alert{s->window};
        AlertDriver* driver = s->driver;
        driver->seen_.push_back({alert.title(), alert.informative()});
        if (driver->steps_.empty()) {
            ADD_FAILURE() << "unexpected alert \"" << alert.title()
                          << "\": " << alert.informative();
            gtk_window_close(s->window);
            return G_SOURCE_REMOVE;
        }
        Step step = std::move(driver->steps_.front());
        driver->steps_.pop_front();
        step(alert);
        return G_SOURCE_REMOVE;
    };
    auto* self = static_cast<AlertDriver*>(data);
    gtk_widget_add_tick_callback(
        window,
        +[](GtkWidget*, GdkFrameClock*, gpointer shown) -> gboolean {
            g_idle_add_full(
                G_PRIORITY_DEFAULT_IDLE, answer, shown,
                +[](gpointer s) { delete static_cast<Shown*>(s); });
            return G_SOURCE_REMOVE;
        },
        new Shown{self->alive_, self, GTK_WINDOW(window)}, nullptr);
    return TRUE;
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
    g_log_set_handler(
        "Gtk", G_LOG_LEVEL_CRITICAL,
        +[](const char*, GLogLevelFlags, const char* message, gpointer) {
            ADD_FAILURE() << message;
        },
        nullptr);
    return RUN_ALL_TESTS();
}
