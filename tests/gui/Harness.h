// The tests' one way to drive the program: the application in this process on pages the test
// serves (or the built program in a process of its own), its alerts answered as they come,
// keys pressed through the X server, and waits on events.
#pragma once

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <deque>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "LocalServer.h"
#include "shell/AppDelegate.h"

namespace delvaronte::testing {

// Runs the main loop until done() holds or the deadline passes; false on the deadline.
bool waitUntil(const std::function<bool()>& done, int seconds = 20);
// The same for what no event announces (the screen, a file): looks again every 50 ms.
bool waitPolling(const std::function<bool()>& done, int seconds = 20);
// Keys and text through the X server (xdotool), to the focused window.
void pressKeys(const std::string& keys);
void typeText(const std::string& text);
// The window's picture in DELVARONTE_SHOTS/name.png, when that variable names a folder.
void saveShot(GtkWindow* window, const std::string& name);
// A visible top-level window by its widget name.
GtkWindow* windowNamed(const char* name);

// One of our alerts on screen, read and answered through its widgets.
class ShownAlert {
public:
    explicit ShownAlert(GtkWindow* window) : window_(window) {}
    GtkWindow* window() const { return window_; }
    std::string title() const;
    std::string informative() const;  // the text under the title, scrolled or not
    std::string iconName() const;
    std::vector<std::string> buttonLabels() const;  // left to right
    std::vector<GtkWidget*> fields() const;
    std::string fieldText(size_t index) const;
    void type(size_t index, const std::string& text) const;
    std::vector<std::string> checkBoxes() const;
    void tick(const std::string& label) const;
    void press(const std::string& label) const;
    bool waitUntilActive() const;

private:
    GtkWindow* window_;
};

// Answers our alerts in order as they appear, one step each, and keeps what each showed.
class AlertDriver {
public:
    using Step = std::function<void(ShownAlert&)>;
    struct Seen {
        std::string title, informative, icon;
    };
    AlertDriver();
    ~AlertDriver();
    AlertDriver& then(Step step);
    AlertDriver& press(const std::string& label);
    AlertDriver& fill(std::vector<std::string> texts, const std::string& label);
    const std::vector<Seen>& seen() const { return seen_; }
    size_t pending() const { return steps_.size(); }

private:
    static void mapped(GtkWidget* window, AlertDriver* self);
    GListModel* toplevels_;
    std::deque<Step> steps_;
    std::vector<Seen> seen_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

// The application set up in this process as its first activation does.
class RunningApp {
public:
    RunningApp();
    ~RunningApp();
    // Writes config.dat for this address and password before activation.
    static void provision(const std::string& homeUrl, const std::string& password = "secret");
    void activate() { g_application_activate(G_APPLICATION(application_)); }
    AppDelegate& delegate() { return *delegate_; }
    GtkApplication* application() const { return application_; }
    WebKitWebView* view() { return delegate_->webView(); }
    WebKitWebView* popup(size_t index);
    // Waits until the view is done loading, at uri when given.
    bool waitForLoad(WebKitWebView* view, const std::string& uri = "");
    bool waitForLoad(const std::string& uri = "") { return waitForLoad(view(), uri); }
    std::string evaluate(WebKitWebView* view, const std::string& script);
    std::string evaluate(const std::string& script) { return evaluate(view(), script); }
    std::string heading(WebKitWebView* view);  // the text of the page's h1
    std::string heading() { return heading(view()); }
    void action(const char* name);
    // Gives the main page the keyboard, once the window is active.
    bool focusPage();
    // Focuses the element with this id and presses Enter on it: a click of the user's.
    void pressOn(WebKitWebView* view, const std::string& id);
    void pressOn(const std::string& id) { pressOn(view(), id); }
    // Types into a field of the main page with the keyboard.
    bool typeInto(const std::string& id, const std::string& text);

private:
    GtkApplication* application_;
    std::unique_ptr<AppDelegate> delegate_;
};

// The application on the demo site, its home page loaded, hand-offs recorded in opened_; the
// test pages (tests/gui/pages) are served beside the site's.
class AppOnDemoSite : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    LocalServer server_;
    RunningApp app_;
    std::vector<std::string> opened_;
};

// The built program in a process of its own, with that home; a variable given an empty
// value is removed from its environment.
class Program {
public:
    explicit Program(const std::filesystem::path& home,
                     std::vector<const char*> command = {DELVARONTE_PROGRAM},
                     std::vector<std::pair<std::string, std::string>> environment = {});
    ~Program();
    std::optional<int> waitForExit(int seconds = 30);
    bool running() const { return process_ != nullptr && !exited_; }

private:
    GSubprocess* process_ = nullptr;
    bool exited_ = false;
};

// The web engine's page processes started under this test process, the program's included.
std::vector<pid_t> webProcesses();

// xdotool with these arguments; the first line it printed when it succeeded.
std::optional<std::string> xdotool(const std::vector<std::string>& arguments);
// The X window of that exact title, once it is visible.
std::optional<std::string> findWindow(const std::string& title);

}  // namespace delvaronte::testing
