// The application: start-up, the main window with its web view and splash, the menu
// commands, and everything the web views ask of the program.
#pragma once

#include <gtk/gtk.h>
#include <webkit/webkit.h>

#include <memory>
#include <string>
#include <vector>

#include "dialogs/ConfigWindow.h"
#include "shell/Downloads.h"
#include "update/UpdateChecker.h"

namespace delvaronte {

class AppDelegate : public UrlLoader {
public:
    // Wires itself to the application's activate signal: the first activation sets the
    // program up, later ones (the program launched again) bring the main window back.
    explicit AppDelegate(GtkApplication* application);
    ~AppDelegate() override;
    AppDelegate(const AppDelegate&) = delete;
    AppDelegate& operator=(const AppDelegate&) = delete;

    GtkWindow* window() const { return window_; }
    WebKitWebView* webView() const { return webView_; }
    GtkWidget* splashView() const { return splashView_; }
    GtkWidget* progressIndicator() const { return progressIndicator_; }
    // The pop-up windows that pages opened and that are still open, oldest first.
    const std::vector<GtkWindow*>& childWindows() const { return childWindows_; }
    // The home address.
    const std::string& appUrl() const { return appUrl_; }

    // Loads text as the home page when it is an absolute URL; otherwise nothing changes.
    void loadUrl(const std::string& text) override;

    // Menu commands.
    void goBack();
    void goForward();
    void reload();
    void goHome();
    void checkUpdates();
    void openConfig();
    void toggleFullScreen();
    void zoomIn();
    void zoomOut();
    void resetZoom();
    void showAbout();
    void miniaturize();
    void quit();
    void printPage();
    // Edit commands reach the focused web content, or the focused text field.
    void editCommand(const char* webCommand, const char* fieldAction);

    // Tests point the update checks at a local server, and shorten the home page's timeout.
    void setUpdateSettingsForTesting(UpdateCheckSettings settings);
    void setHomeLoadTimeoutForTesting(guint seconds) { homeLoadTimeoutSeconds_ = seconds; }

private:
    void setupApplication();
    void presentMainWindow();
    void buildMainWindow();
    void buildWebView();
    void setupMenu();
    void addContentKeys(GtkWindow* window);
    void hideSplash();
    void showErrorPage(WebKitWebView* view, const char* failedUri);
    // Our own page in place of the view's, at uri.
    void showPlaceholder(WebKitWebView* view, const char* html, const char* uri);
    void startHomeTimer();
    void stopHomeTimer();

    // Web view delegation, shared by the main view and every pop-up.
    void connectWebView(WebKitWebView* view);
    GtkWidget* openPopup(WebKitWebView* opener);
    void forgetPopup(GtkWindow* popup);

    static void activateCb(GApplication* application, AppDelegate* self);
    static gboolean decidePolicyCb(WebKitWebView* view, WebKitPolicyDecision* decision,
                                   WebKitPolicyDecisionType type, AppDelegate* self);
    static void loadChangedCb(WebKitWebView* view, WebKitLoadEvent event, AppDelegate* self);
    static gboolean loadFailedCb(WebKitWebView* view, WebKitLoadEvent event, const char* failedUri,
                                 GError* error, AppDelegate* self);
    static gboolean loadFailedWithTlsErrorsCb(WebKitWebView* view, const char* failedUri,
                                              GTlsCertificate* certificate,
                                              GTlsCertificateFlags errors, AppDelegate* self);
    static GtkWidget* createCb(WebKitWebView* view, WebKitNavigationAction* action,
                               AppDelegate* self);
    static void readyToShowCb(WebKitWebView* view, AppDelegate* self);
    static void closeCb(WebKitWebView* view, AppDelegate* self);
    static gboolean printCb(WebKitWebView* view, WebKitPrintOperation* operation,
                            AppDelegate* self);
    static gboolean scriptDialogCb(WebKitWebView* view, WebKitScriptDialog* dialog,
                                   AppDelegate* self);
    static void webProcessTerminatedCb(WebKitWebView* view,
                                       WebKitWebProcessTerminationReason reason, AppDelegate* self);
    static void titleChangedCb(WebKitWebView* view, GParamSpec* property, AppDelegate* self);
    static void windowRemovedCb(GtkApplication* application, GtkWindow* window, AppDelegate* self);
    static gboolean homeTimeoutCb(gpointer self);
    static gboolean fadeTickCb(GtkWidget* widget, GdkFrameClock* clock, gpointer self);

    GtkApplication* application_;
    bool started_ = false;

    GtkWindow* window_ = nullptr;
    WebKitWebView* webView_ = nullptr;
    GtkWidget* splashView_ = nullptr;
    GtkWidget* progressIndicator_ = nullptr;
    std::vector<GtkWindow*> childWindows_;  // each holds a reference
    std::string appUrl_;

    guint homeTimer_ = 0;
    guint homeLoadTimeoutSeconds_ = 30;
    guint fadeTick_ = 0;
    gint64 fadeStart_ = 0;
    UpdateCheckSettings updateSettings_;
    std::unique_ptr<Downloads> downloads_;
};

}  // namespace delvaronte
