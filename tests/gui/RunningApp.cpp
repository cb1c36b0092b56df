#include "RunningApp.h"

#include <gtest/gtest.h>

#include <optional>

#include "AlertDriver.h"
#include "config/AppConfig.h"

namespace delvaronte::testing {

namespace {

// One id per application object: a process that runs several keeps them apart on D-Bus.
std::string nextApplicationId() {
    static int count = 0;
    return "ma.delvaronte.Tests.App" + std::to_string(++count);
}

}  // namespace

RunningApp::RunningApp()
    : application_(gtk_application_new(nextApplicationId().c_str(), G_APPLICATION_NON_UNIQUE)) {
    EXPECT_TRUE(g_application_register(G_APPLICATION(application_), nullptr, nullptr));
    delegate_ = std::make_unique<AppDelegate>(application_);
    // The start-up and menu checks ask this machine's closed port, never the publisher.
    UpdateCheckSettings settings;
    settings.manifestUrl = "http://127.0.0.1:9/applications/version.json";
    delegate_->setUpdateSettingsForTesting(settings);
}

RunningApp::~RunningApp() {
    // Windows first, while the delegate that their handlers point at still exists.
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

void RunningApp::provisionUndecryptable() {
    AppConfig record;
    record.encryptedUrl = "AAAAAAAAAAAAAAAAAAAAAA==";
    record.passwordHash = AppConfig::hashPassword("secret");
    record.save();
}

void RunningApp::activate() {
    g_application_activate(G_APPLICATION(application_));
}

bool RunningApp::waitForLoad(WebKitWebView* view, const std::string& uri) {
    return waitUntil([&] {
        const char* current = webkit_web_view_get_uri(view);
        return !webkit_web_view_is_loading(view) &&
               (uri.empty() || (current != nullptr && uri == current));
    });
}

std::string RunningApp::evaluate(WebKitWebView* view, const std::string& script) {
    std::optional<std::string> result;
    struct Call {
        std::optional<std::string>* result;
    };
    webkit_web_view_evaluate_javascript(
        view, script.c_str(), -1, nullptr, nullptr, nullptr,
        +[](GObject* source, GAsyncResult* async, gpointer data) {
            auto* out = static_cast<std::optional<std::string>*>(data);
            GError* error = nullptr;
            JSCValue* value =
                webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(source), async, &error);
            if (value == nullptr) {
                *out = std::string("<error: ") + error->message + ">";
                g_error_free(error);
                return;
            }
            char* text = jsc_value_to_string(value);
            *out = text != nullptr ? text : "";
            g_free(text);
            g_object_unref(value);
        },
        &result);
    EXPECT_TRUE(waitUntil([&] { return result.has_value(); })) << script;
    return result.value_or("<timeout>");
}

void RunningApp::click(const std::string& id) {
    evaluate("document.getElementById('" + id + "').click(); 1");
}

std::string RunningApp::heading(WebKitWebView* view) {
    return evaluate(view,
                    "document.querySelector('h1') ? "
                    "document.querySelector('h1').textContent : ''");
}

void AppOnDemoSite::SetUp() {
    server_.serveDirectory(DELVARONTE_DEMO_SITE);
    RunningApp::provision(server_.url("/"));
    app_.activate();
    ASSERT_TRUE(app_.waitForLoad(server_.url("/")));
}

void RunningApp::activateAction(const char* name) {
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

namespace {

void xdotool(std::vector<const char*> argv) {
    argv.insert(argv.begin(), "xdotool");
    argv.push_back(nullptr);
    GError* error = nullptr;
    gint status = 0;
    if (!g_spawn_sync(nullptr, const_cast<char**>(argv.data()), nullptr, G_SPAWN_SEARCH_PATH,
                      nullptr, nullptr, nullptr, nullptr, &status, &error)) {
        ADD_FAILURE() << "xdotool: " << error->message;
        g_error_free(error);
    }
}

}  // namespace

void pressKeys(const std::string& keys) {
    xdotool({"key", "--clearmodifiers", keys.c_str()});
}

void typeText(const std::string& text) {
    xdotool({"type", "--delay", "15", text.c_str()});
}

}  // namespace delvaronte::testing
