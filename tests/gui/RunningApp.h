// The real application, set up in the test process as its first activation would, against
// a home address served by the test.
#pragma once

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <memory>
#include <string>

#include "LocalServer.h"
#include "shell/AppDelegate.h"

namespace delvaronte::testing {

class RunningApp {
public:
    RunningApp();
    ~RunningApp();
    RunningApp(const RunningApp&) = delete;
    RunningApp& operator=(const RunningApp&) = delete;

    // Writes config.dat for this address and password before activation.
    static void provision(const std::string& homeUrl, const std::string& password = "secret");
    // Writes a config.dat whose address cannot be decrypted, with the password "secret".
    static void provisionUndecryptable();

    // Activates the application: the first time, this sets it up.
    void activate();

    AppDelegate& delegate() { return *delegate_; }
    GtkApplication* application() const { return application_; }
    WebKitWebView* view() { return delegate_->webView(); }

    // Waits for a web view to finish loading, at uri when given.
    bool waitForLoad(WebKitWebView* view, const std::string& uri = "");
    bool waitForLoad(const std::string& uri = "") { return waitForLoad(view(), uri); }
    // Runs script in a web view and gives its result as text.
    std::string evaluate(WebKitWebView* view, const std::string& script);
    std::string evaluate(const std::string& script) { return evaluate(view(), script); }
    // Clicks the element of the main page with this id.
    void click(const std::string& id);
    // The text of a page's first heading, empty when it has none.
    std::string heading(WebKitWebView* view);
    std::string heading() { return heading(view()); }
    // Activates one of the application's actions, as its menu item does.
    void activateAction(const char* name);
    // Gives the main window's page the keyboard, once the window is the active one.
    bool focusPage();
    // Focuses the element of a page with this id and presses Enter on it, as a person does
    // with the keyboard: a click that carries a user gesture.
    void pressOn(WebKitWebView* view, const std::string& id);
    void pressOn(const std::string& id) { pressOn(view(), id); }

private:
    GtkApplication* application_;
    std::unique_ptr<AppDelegate> delegate_;
};

// The application started on the demo site, served by the test; its home page is loaded.
class AppOnDemoSite : public ::testing::Test {
protected:
    void SetUp() override;

    LocalServer server_;
    RunningApp app_;
};

// Presses keys through the X server, as a keyboard does (xdotool), in the focused window.
void pressKeys(const std::string& keys);
// Types text through the X server, one key after the other.
void typeText(const std::string& text);

}  // namespace delvaronte::testing
