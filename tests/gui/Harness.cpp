#include "Harness.h"

#include <gdk/x11/gdkx.h>
#include <unistd.h>

#include <fstream>

#include "ThrowAwayHome.h"
#include "config/AppConfig.h"
#include "ui/SystemOpener.h"

namespace delvaronte::testing {

namespace {

// Visits widget and its descendants; visit returns false to skip a widget's children.
void walk(GtkWidget* widget, const std::function<bool(GtkWidget*)>& visit) {
    if (!visit(widget)) return;
    for (GtkWidget* c = gtk_widget_get_first_child(widget); c; c = gtk_widget_get_next_sibling(c)) {
        walk(c, visit);
    }
}

template <typename Keep>
std::vector<GtkWidget*> widgetsOf(GtkWindow* window, Keep keep) {
    std::vector<GtkWidget*> found;
    walk(GTK_WIDGET(window), [&](GtkWidget* widget) {
        if (!keep(widget)) return true;
        found.push_back(widget);
        return false;
    });
    return found;
}

GtkWidget* named(GtkWindow* window, const char* name) {
    const auto found = widgetsOf(
        window, [&](GtkWidget* w) { return g_strcmp0(gtk_widget_get_name(w), name) == 0; });
    return found.empty() ? nullptr : found.front();
}

std::vector<GtkWidget*> buttonsOf(GtkWindow* window) {
    return widgetsOf(window, [](GtkWidget* w) {
        return GTK_IS_BUTTON(w) && gtk_button_get_label(GTK_BUTTON(w)) != nullptr;
    });
}

// Runs a program found on the PATH and waits for it: the first line it printed when it
// succeeded.
std::optional<std::string> run(const std::vector<std::string>& command) {
    std::vector<const char*> argv;
    for (const auto& a : command) argv.push_back(a.c_str());
    argv.push_back(nullptr);
    g_autofree gchar* out = nullptr;
    gint status = 0;
    if (!g_spawn_sync(nullptr, const_cast<char**>(argv.data()), nullptr, G_SPAWN_SEARCH_PATH,
                      nullptr, nullptr, &out, nullptr, &status, nullptr) ||
        !g_spawn_check_wait_status(status, nullptr)) {
        return std::nullopt;
    }
    const std::string printed = out != nullptr ? out : "";
    return printed.substr(0, printed.find('\n'));
}

}  // namespace

bool waitUntil(const std::function<bool()>& done, int seconds) {
    bool expired = false;
    const guint timer = g_timeout_add_seconds(
        guint(seconds),
        +[](gpointer flag) -> gboolean { return !(*static_cast<bool*>(flag) = true); }, &expired);
    while (!done() && !expired) g_main_context_iteration(nullptr, TRUE);
    if (!expired) g_source_remove(timer);
    return done();
}

bool waitPolling(const std::function<bool()>& done, int seconds) {
    const guint look = g_timeout_add(
        50, +[](gpointer) -> gboolean { return TRUE; }, nullptr);
    const bool met = waitUntil(done, seconds);
    g_source_remove(look);
    return met;
}

void pressKeys(const std::string& keys) {
    xdotool({"key", "--clearmodifiers", keys});
}

void typeText(const std::string& text) {
    xdotool({"type", "--delay", "15", text});
}

void saveShot(GtkWindow* window, const std::string& name) {
    const char* folder = g_getenv("DELVARONTE_SHOTS");
    if (folder == nullptr || *folder == '\0') return;
    waitUntil([] { return false; }, 1);  // the last frame reaches the screen
    const std::string id =
        std::to_string(gdk_x11_surface_get_xid(gtk_native_get_surface(GTK_NATIVE(window))));
    run({"import", "-window", id, std::string(folder) + "/" + name + ".png"});
}

GtkWindow* windowNamed(const char* name) {
    GListModel* toplevels = gtk_window_get_toplevels();
    for (guint i = 0; i < g_list_model_get_n_items(toplevels); ++i) {
        auto* window = GTK_WINDOW(g_list_model_get_item(toplevels, i));
        g_object_unref(window);
        if (g_strcmp0(gtk_widget_get_name(GTK_WIDGET(window)), name) == 0 &&
            gtk_widget_get_visible(GTK_WIDGET(window))) {
            return window;
        }
    }
    return nullptr;
}

std::string ShownAlert::title() const {
    return gtk_window_get_title(window_) ? gtk_window_get_title(window_) : "";
}

std::string ShownAlert::informative() const {
    GtkWidget* label = named(window_, "alert-informative");
    if (label != nullptr && gtk_widget_get_visible(label))
        return gtk_label_get_text(GTK_LABEL(label));
    GtkWidget* view = named(window_, "alert-informative-long");
    if (view == nullptr || !gtk_widget_get_visible(view)) return "";
    GtkTextIter start, end;
    gtk_text_buffer_get_bounds(gtk_text_view_get_buffer(GTK_TEXT_VIEW(view)), &start, &end);
    g_autofree char* text = gtk_text_iter_get_text(&start, &end);
    return text;
}

std::string ShownAlert::iconName() const {
    GtkWidget* icon = named(window_, "alert-icon");
    const char* name = icon ? gtk_image_get_icon_name(GTK_IMAGE(icon)) : nullptr;
    return name ? name : "";
}

std::vector<std::string> ShownAlert::buttonLabels() const {
    std::vector<std::string> labels;
    for (GtkWidget* b : buttonsOf(window_))
        labels.emplace_back(gtk_button_get_label(GTK_BUTTON(b)));
    return labels;
}

std::vector<GtkWidget*> ShownAlert::fields() const {
    return widgetsOf(window_,
                     [](GtkWidget* w) { return GTK_IS_ENTRY(w) || GTK_IS_PASSWORD_ENTRY(w); });
}

std::string ShownAlert::fieldText(size_t index) const {
    const auto all = fields();
    return index < all.size() ? gtk_editable_get_text(GTK_EDITABLE(all[index])) : "<no field>";
}

void ShownAlert::type(size_t index, const std::string& text) const {
    const auto all = fields();
    ASSERT_LT(index, all.size());
    gtk_editable_set_text(GTK_EDITABLE(all[index]), text.c_str());
}

std::vector<std::string> ShownAlert::checkBoxes() const {
    std::vector<std::string> labels;
    for (GtkWidget* box : widgetsOf(window_, [](GtkWidget* w) { return GTK_IS_CHECK_BUTTON(w); })) {
        labels.emplace_back(gtk_check_button_get_label(GTK_CHECK_BUTTON(box)));
    }
    return labels;
}

void ShownAlert::tick(const std::string& label) const {
    for (GtkWidget* box : widgetsOf(window_, [](GtkWidget* w) { return GTK_IS_CHECK_BUTTON(w); })) {
        if (label == gtk_check_button_get_label(GTK_CHECK_BUTTON(box))) {
            return gtk_check_button_set_active(GTK_CHECK_BUTTON(box), TRUE);
        }
    }
    ADD_FAILURE() << "no check box \"" << label << "\" on \"" << title() << "\"";
}

void ShownAlert::press(const std::string& label) const {
    for (GtkWidget* button : buttonsOf(window_)) {
        if (label == gtk_button_get_label(GTK_BUTTON(button))) {
            return g_signal_emit_by_name(button, "clicked");
        }
    }
    ADD_FAILURE() << "no button \"" << label << "\" on \"" << title() << "\"";
}

bool ShownAlert::waitUntilActive() const {
    return waitUntil([&] { return gtk_window_is_active(window_); });
}

AlertDriver::AlertDriver() : toplevels_(gtk_window_get_toplevels()) {
    // Every window that appears from now on is watched for being mapped.
    const auto added =
        +[](GListModel* list, guint position, guint, guint count, AlertDriver* self) {
            for (guint i = position; i < position + count; ++i) {
                auto* window = static_cast<GtkWidget*>(g_list_model_get_item(list, i));
                g_signal_connect(window, "map", G_CALLBACK(&AlertDriver::mapped), self);
                g_object_unref(window);
            }
        };
    g_signal_connect(toplevels_, "items-changed", G_CALLBACK(added), this);
    added(toplevels_, 0, 0, g_list_model_get_n_items(toplevels_), this);
}

AlertDriver::~AlertDriver() {
    *alive_ = false;
    g_signal_handlers_disconnect_by_data(toplevels_, this);
    for (guint i = 0; i < g_list_model_get_n_items(toplevels_); ++i) {
        auto* window = g_list_model_get_item(toplevels_, i);
        g_signal_handlers_disconnect_by_data(window, this);
        g_object_unref(window);
    }
    EXPECT_TRUE(steps_.empty()) << steps_.size() << " alert step(s) never ran";
}

AlertDriver& AlertDriver::then(Step step) {
    steps_.push_back(std::move(step));
    return *this;
}

AlertDriver& AlertDriver::press(const std::string& label) {
    return then([label](ShownAlert& alert) { alert.press(label); });
}

AlertDriver& AlertDriver::fill(std::vector<std::string> texts, const std::string& label) {
    return then([texts = std::move(texts), label](ShownAlert& alert) {
        for (size_t i = 0; i < texts.size(); ++i) alert.type(i, texts[i]);
        alert.press(label);
    });
}

// An alert is answered once it has been painted, as a person does once it appeared, from an
// idle callback inside the alert's own loop.
void AlertDriver::mapped(GtkWidget* window, AlertDriver* self) {
    if (g_strcmp0(gtk_widget_get_name(window), "delvaronte-alert") != 0) return;
    struct Shown {
        std::weak_ptr<bool> alive;
        AlertDriver* driver;
        GtkWindow* window;
        GdkFrameClock* clock;
        gulong painted = 0;
    };
    auto* shown =
        new Shown{self->alive_, self, GTK_WINDOW(window), gtk_widget_get_frame_clock(window)};
    shown->painted = g_signal_connect(
        shown->clock, "after-paint", G_CALLBACK(+[](GdkFrameClock*, Shown* s) {
            g_signal_handler_disconnect(s->clock, s->painted);
            g_idle_add_full(
                G_PRIORITY_DEFAULT_IDLE,
                +[](gpointer data) -> gboolean {
                    auto* s = static_cast<Shown*>(data);
                    const auto alive = s->alive.lock();
                    if (!alive || !*alive) return G_SOURCE_REMOVE;
                    ShownAlert alert(s->window);
                    AlertDriver* driver = s->driver;
                    driver->seen_.push_back({alert.title(), alert.informative(), alert.iconName()});
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
                },
                s, +[](gpointer data) { delete static_cast<Shown*>(data); });
        }),
        shown);
}

RunningApp::RunningApp() {
    static int count = 0;  // one D-Bus name per application of the process
    const std::string id = "ma.delvaronte.Tests.App" + std::to_string(++count);
    application_ = gtk_application_new(id.c_str(), G_APPLICATION_NON_UNIQUE);
    EXPECT_TRUE(g_application_register(G_APPLICATION(application_), nullptr, nullptr));
    delegate_ = std::make_unique<AppDelegate>(application_);
    UpdateCheckSettings settings;  // a closed port of this machine, never the publisher
    settings.manifestUrl = "http://127.0.0.1:9/applications/version.json";
    delegate_->setUpdateSettingsForTesting(settings);
}

RunningApp::~RunningApp() {
    // Windows first, while the delegate their handlers point at exists.
    GList* windows = g_list_copy(gtk_application_get_windows(application_));
    for (GList* w = windows; w != nullptr; w = w->next) gtk_window_destroy(GTK_WINDOW(w->data));
    g_list_free(windows);
    delegate_.reset();
    g_object_unref(application_);
}

void RunningApp::provision(const std::string& homeUrl, const std::string& password) {
    AppConfig record;
    record.encryptedUrl = AppConfig::encrypt(homeUrl);
    record.passwordHash = AppConfig::hashPassword(password);
    record.save();
}

WebKitWebView* RunningApp::popup(size_t index) {
    return WEBKIT_WEB_VIEW(gtk_window_get_child(delegate_->childWindows().at(index)));
}

bool RunningApp::waitForLoad(WebKitWebView* view, const std::string& uri) {
    return waitUntil([&] {
        const char* current = webkit_web_view_get_uri(view);
        return !webkit_web_view_is_loading(view) && (uri.empty() || (current && uri == current));
    });
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
                value ? std::string(text ? text : "")
                      : "<error: " + std::string(error->message) + ">";
            g_clear_error(&error);
            g_clear_object(&value);
        },
        &result);
    EXPECT_TRUE(waitUntil([&] { return result.has_value(); })) << script;
    return result.value_or("<timeout>");
}

std::string RunningApp::heading(WebKitWebView* view) {
    return evaluate(view,
                    "document.querySelector('h1') ? document.querySelector('h1').textContent : ''");
}

void RunningApp::action(const char* name) {
    g_action_group_activate_action(G_ACTION_GROUP(application_), name, nullptr);
}

bool RunningApp::focusPage() {
    if (!waitUntil([&] { return gtk_window_is_active(delegate_->window()); })) return false;
    gtk_widget_grab_focus(GTK_WIDGET(view()));
    return true;
}

void RunningApp::pressOn(WebKitWebView* view, const std::string& id) {
    evaluate(view, "document.getElementById('" + id + "').focus(); 1");
    pressKeys("Return");
}

bool RunningApp::typeInto(const std::string& id, const std::string& text) {
    const std::string field = "document.getElementById('" + id + "')";
    if (!focusPage() || evaluate(field + ".focus(); 1") != "1") return false;
    typeText(text);
    return waitUntil([&] { return evaluate(field + ".value") == text; });
}

void AppOnDemoSite::SetUp() {
    setSystemOpenerForTesting([this](const std::string& uri) { opened_.push_back(uri); });
    server_.serveDirectory(DELVARONTE_DEMO_SITE);
    server_.serveDirectory(DELVARONTE_TEST_PAGES);
    RunningApp::provision(server_.url("/"));
    app_.activate();
    ASSERT_TRUE(app_.waitForLoad(server_.url("/")));
}

void AppOnDemoSite::TearDown() {
    setSystemOpenerForTesting(nullptr);
}

Program::Program(const std::filesystem::path& home, std::vector<const char*> command,
                 std::vector<std::pair<std::string, std::string>> environment) {
    GSubprocessLauncher* launcher = g_subprocess_launcher_new(
        GSubprocessFlags(G_SUBPROCESS_FLAGS_STDOUT_SILENCE | G_SUBPROCESS_FLAGS_STDERR_SILENCE));
    for (const auto& [name, value] : homeEnvironment(home)) environment.emplace_back(name, value);
    for (const auto& [name, value] : environment) {
        if (value.empty())
            g_subprocess_launcher_unsetenv(launcher, name.c_str());
        else
            g_subprocess_launcher_setenv(launcher, name.c_str(), value.c_str(), TRUE);
    }
    command.push_back(nullptr);
    process_ = g_subprocess_launcher_spawnv(launcher, command.data(), nullptr);
    g_object_unref(launcher);
    EXPECT_NE(process_, nullptr);
    if (process_ != nullptr) {
        g_subprocess_wait_async(
            process_, nullptr,
            +[](GObject*, GAsyncResult*, gpointer exited) { *static_cast<bool*>(exited) = true; },
            &exited_);
    }
}

Program::~Program() {
    if (running()) {
        g_subprocess_force_exit(process_);
        waitUntil([&] { return exited_; });
    }
    g_clear_object(&process_);
}

std::optional<int> Program::waitForExit(int seconds) {
    if (process_ == nullptr || !waitUntil([&] { return exited_; }, seconds)) return std::nullopt;
    return g_subprocess_get_if_exited(process_) ? g_subprocess_get_exit_status(process_) : -1;
}

std::optional<std::string> xdotool(const std::vector<std::string>& arguments) {
    std::vector<std::string> command{"timeout", "30", "xdotool"};
    command.insert(command.end(), arguments.begin(), arguments.end());
    return run(command);
}

// The web processes started under this test process (bubblewrap may stand between).
std::vector<pid_t> webProcesses() {
    std::vector<pid_t> found;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        std::string comm;
        std::getline(std::ifstream(entry.path() / "comm"), comm);
        if (!comm.starts_with("WebKitWebProces")) continue;
        const pid_t process = atoi(entry.path().filename().c_str());
        for (pid_t pid = process, depth = 0; pid > 1 && depth < 6; ++depth) {
            std::string stat;  // "pid (name) state ppid ..."
            std::getline(std::ifstream("/proc/" + std::to_string(pid) + "/stat"), stat);
            pid = atoi(stat.substr(stat.rfind(')') + 4).c_str());
            if (pid == getpid()) {
                found.push_back(process);
                break;
            }
        }
    }
    return found;
}

std::optional<std::string> findWindow(const std::string& title) {
    return xdotool({"search", "--sync", "--onlyvisible", "--name", "^" + title + "$"});
}

}  // namespace delvaronte::testing
