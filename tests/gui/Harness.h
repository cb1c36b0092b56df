// The tests' one way to drive the program: the application in this process on pages the test
// serves (or the built program in a process of its own), its alerts answered as they come,
// keys pressed through the X server, and waits on events.
#pragma once

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "../TempDir.h"
#include "config/AppConfig.h"
#include "sandbox/Launched.h"
#include "sandbox/SiteServer.h"
#include "sandbox/windows/ShownWindows.h"
#include "shell/AppDelegate.h"

namespace delvaronte::testing {

// Runs the main loop until done() holds or the deadline passes; false on the deadline.
inline bool waitUntil(const std::function<bool()>& done, int seconds = 20) {
    return runUntil(done, seconds);
}
// The same for what no event announces (the screen, a file, the clock): looks every 50 ms.
bool waitPolling(const std::function<bool()>& done, int seconds = 20);
// xdotool with these arguments; the first line it printed when it succeeded.
std::optional<std::string> xdotool(const std::vector<std::string>& arguments);
// The same while the program goes on answering, as under a person's hands: true once xdotool
// ended well.
bool xdotoolLive(const std::vector<std::string>& arguments);
inline void pressKeys(const std::string& keys) {
    xdotool({"key", "--clearmodifiers", keys});
}
inline void typeText(const std::string& text) {
    xdotool({"type", "--delay", "15", text});
}
// The X window of that exact title, once it is visible.
inline std::optional<std::string> findWindow(const std::string& title) {
    return xdotool({"search", "--sync", "--onlyvisible", "--name", "^" + title + "$"});
}
// Keys pressed in that X window once it has the keyboard: the window manager names a window
// active before the program has taken the focus, and keys pressed in between go nowhere.
inline bool pressIn(const std::string& window, const std::string& keys) {
    return xdotool({"windowactivate", "--sync", window}) &&
           waitUntil([&] { return xdotool({"getwindowfocus"}) == window; }) &&
           xdotool({"key", "--clearmodifiers", keys});
}
// The window's picture in DELVARONTE_SHOTS/name.png, when that variable names a folder.
void saveShot(GtkWindow* window, const std::string& name);
// The web engine's page processes started under this test process, the program's included.
std::vector<pid_t> webProcesses();
// A port on 127.0.0.1 where nothing listens: connections are refused.
inline guint closedPort() {
    return SiteServer().port();
}
// Accepts requests for path and never answers them.
inline void hang(SiteServer& server, const std::string& path) {
    server.route(path, [](SoupServerMessage* message) { soup_server_message_pause(message); });
}
// A server whose certificate no authority signed.
std::unique_ptr<SiteServer> selfSignedServer();

// The application set up in this process as its first activation does.
class RunningApp {
public:
    RunningApp();
    ~RunningApp();
    // Writes config.dat for this address and password before activation.
    static void provision(const std::string& homeUrl, const std::string& password = "secret") {
        AppConfig().withEntries(homeUrl, password).save();
    }
    void activate() { g_application_activate(G_APPLICATION(application_)); }
    void action(const char* name) {
        g_action_group_activate_action(G_ACTION_GROUP(application_), name, nullptr);
    }
    AppDelegate& delegate() { return *delegate_; }
    // What the delegate hands out: recorded here, never launched; read at each use.
    ShellSeams seams;
    std::vector<std::string> opened;
    WebKitWebView* view() { return delegate_->webView(); }
    WebKitWebView* popup(size_t index) {
        return WEBKIT_WEB_VIEW(widgetsOf(delegate_->childWindows().at(index), [](GtkWidget* w) {
                                   return WEBKIT_IS_WEB_VIEW(w);
                               }).at(0));
    }
    // Waits until the view is done loading, at uri when given.
    bool waitForLoad(WebKitWebView* view, const std::string& uri = "") {
        return waitUntil([&] {
            const char* at = webkit_web_view_get_uri(view);
            return !webkit_web_view_is_loading(view) && (uri.empty() || (at && uri == at));
        });
    }
    bool waitForLoad(const std::string& uri = "") { return waitForLoad(view(), uri); }
    std::string evaluate(WebKitWebView* view, const std::string& script);
    std::string evaluate(const std::string& script) { return evaluate(view(), script); }
    // The text of the page's h1.
    std::string heading(WebKitWebView* view) {
        return evaluate(view, "document.querySelector('h1')?.textContent ?? ''");
    }
    std::string heading() { return heading(view()); }
    // Gives the main page the keyboard, once the window is active.
    bool focusPage();
    // Focuses the element with this id and presses Enter on it: a click of the user's.
    void pressOn(const std::string& id) {
        evaluate("document.getElementById('" + id + "').focus(); 1");
        pressKeys("Return");
    }
    // Types into a field of the main page with the keyboard.
    // On failure, says where the keys went.
    bool typeInto(const std::string& id, const std::string& text);

private:
    GtkApplication* application_;
    std::unique_ptr<AppDelegate> delegate_;  // after seams, which it reads
};

// The application on the demo site, its home page loaded, hand-offs recorded in opened_; the
// test pages (tests/gui/pages) are served beside the site's.
class AppOnDemoSite : public ::testing::Test {
protected:
    void SetUp() override {
        server_.serveFolder(DELVARONTE_DEMO_SITE);
        server_.serveFolder(DELVARONTE_TEST_PAGES);
        RunningApp::provision(server_.url("/"));
        app_.activate();
        ASSERT_TRUE(app_.waitForLoad(server_.url("/")));
    }
    // Goes to a page of the site as its own script would, and waits for it.
    bool visit(const std::string& path) {
        app_.evaluate("location.href = '" + path + "'; 1");
        return app_.waitForLoad(server_.url(path));
    }
    SiteServer server_;
    RunningApp app_;
    std::vector<std::string>& opened_ = app_.opened;
};

// The built program (or another command) in a process of its own, with that home.
inline Launched program(const ThrowAwayHome& home,
                        std::vector<std::string> command = {DELVARONTE_PROGRAM},
                        Environment environment = {}, const std::string& stderrFile = {}) {
    for (auto& variable : home.environment()) environment.push_back(variable);
    return Launched(command, environment, stderrFile);
}

}  // namespace delvaronte::testing
