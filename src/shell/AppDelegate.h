// The application: start-up, the main window with its web view and splash, the menu
// commands, and everything the web views ask of the program. Its work is spread by topic:
//   AppDelegate.cpp      start-up, the main window, the home address and its time limit
//   AppDelegateMenu.cpp  the menu bar and its commands
//   PageLoads.cpp        where navigations go, failed loads, our own pages in place of one
//   PopupWindows.cpp     the windows pages open: size, title, limit, closing
//   PageDialogs.cpp      the page's alert, confirm, prompt and leave question; printing
//   SignIn.cpp           a server's sign-in prompt; the client certificate for the home host
//   Notifications.cpp    what pages ask beyond showing themselves; their notifications
//   PageFiles.cpp        files the page asks for (<input type=file>)
//   Retries.cpp          the error page trying again by itself
//   StuckPages.cpp       a page stuck in a script
//   SentForms.cpp        a form whose send failed, brought back as it was typed
#pragma once

#include <gtk/gtk.h>
#include <webkit/webkit.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "dialogs/ConfigWindow.h"
#include "shell/Downloads.h"
#include "shell/ShellSeams.h"
#include "shell/Splash.h"

namespace delvaronte {

class AppDelegate : public UrlLoader {
public:
    // Wires itself to the application's activate signal: the first activation sets the
    // program up, later ones (the program launched again) bring the main window back. seams
    // is read at each use and must outlive the delegate.
    AppDelegate(GtkApplication* application, const ShellSeams& seams);
    ~AppDelegate() override;
    AppDelegate(const AppDelegate&) = delete;
    AppDelegate& operator=(const AppDelegate&) = delete;

    GtkWindow* window() const { return window_; }
    WebKitWebView* webView() const { return webView_; }
    GtkWidget* splashView() const { return splash_ ? splash_->view() : nullptr; }
    GtkWidget* progressIndicator() const { return splash_ ? splash_->spinner() : nullptr; }
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

private:
    // Start-up and the main window.
    void setupApplication();
    void presentMainWindow();
    void buildMainWindow();
    void buildWebView();
    UpdateCheckSettings updateSettings() const;
    void startHomeTimer();
    void stopHomeTimer();
    static void activateCb(GApplication* application, AppDelegate* self);
    static gboolean homeTimeoutCb(gpointer self);

    // The menu.
    void setupMenu();
    void addContentKeys(GtkWindow* window);

    // Page loads, for the main view and every pop-up.
    void connectWebView(WebKitWebView* view);
    // Decides a navigation of view, handing it to the system when the policy says so; true
    // when the view may load it.
    bool mayLoad(WebKitWebView* view, WebKitNavigationAction* action);
    void handOff(WebKitWebView* view, const std::string& uri, bool userGesture);
    void showErrorPage(WebKitWebView* view, const char* failedUri);
    // Our own page in place of the view's, at uri.
    void showPlaceholder(WebKitWebView* view, const char* html, const char* uri);
    static gboolean decidePolicyCb(WebKitWebView* view, WebKitPolicyDecision* decision,
                                   WebKitPolicyDecisionType type, AppDelegate* self);
    static void loadChangedCb(WebKitWebView* view, WebKitLoadEvent event, AppDelegate* self);
    static gboolean loadFailedCb(WebKitWebView* view, WebKitLoadEvent event, const char* failedUri,
                                 GError* error, AppDelegate* self);
    static gboolean loadFailedWithTlsErrorsCb(WebKitWebView* view, const char* failedUri,
                                              GTlsCertificate* certificate,
                                              GTlsCertificateFlags errors, AppDelegate* self);
    static void webProcessTerminatedCb(WebKitWebView* view,
                                       WebKitWebProcessTerminationReason reason, AppDelegate* self);

    // Pop-up windows.
    GtkWidget* openPopup(WebKitWebView* opener);
    void forgetPopup(GtkWindow* popup);
    static GtkWidget* createCb(WebKitWebView* view, WebKitNavigationAction* action,
                               AppDelegate* self);
    static void readyToShowCb(WebKitWebView* view, AppDelegate* self);
    static void titleChangedCb(WebKitWebView* view, GParamSpec* property, AppDelegate* self);
    static void closeCb(WebKitWebView* view, AppDelegate* self);
    static void windowRemovedCb(GtkApplication* application, GtkWindow* window, AppDelegate* self);

    // Retries of the error page.
    void failedUnreachable(WebKitWebView* view, const char* uri);
    void retryIfDue(WebKitWebView* view);
    void cancelRetry(WebKitWebView* view);
    void userNavigates(WebKitWebView* view);
    void retryWaitingViews();
    std::vector<WebKitWebView*> allViews() const;
    static void networkChangedCb(GNetworkMonitor* monitor, gboolean available, AppDelegate* self);
    static void windowShownCb(GtkWindow* window, GParamSpec* property, AppDelegate* self);
    // Quitting: a page has closed; the user chose to stay on one; the desktop's session ends.
    void pageClosed(WebKitWebView* view);
    bool closing(WebKitWebView* view) const {
        return std::find(closing_.begin(), closing_.end(), view) != closing_.end();
    }
    void quitCancelled();
    static void queryEndCb(GtkApplication* application, AppDelegate* self);

    // Forms sent, and brought back when their send failed.
    static gboolean submitFormCb(WebKitWebView* view, WebKitFormSubmissionRequest* request,
                                 AppDelegate* self);
    bool bringFormBack(WebKitWebView* view);
    void formPageCommitted(WebKitWebView* view);
    void formPageLoaded(WebKitWebView* view);

    // Pages stuck in a script.
    void watchStuckPage(WebKitWebView* view);
    void askAboutStuckPage(WebKitWebView* view);
    bool stopIfStuck();
    static void responsivenessCb(WebKitWebView* view, GParamSpec* property, AppDelegate* self);

    // Sign-in.
    static gboolean authenticateCb(WebKitWebView* view, WebKitAuthenticationRequest* request,
                                   AppDelegate* self);
    void answerWithClientCertificate(WebKitAuthenticationRequest* request);

    // Permissions and notifications.
    bool showsHomeHost(WebKitWebView* view) const;
    void addNotificationAction();
    void notificationClicked(const std::string& id);
    static gboolean permissionRequestCb(WebKitWebView* view, WebKitPermissionRequest* request,
                                        AppDelegate* self);
    static gboolean showNotificationCb(WebKitWebView* view, WebKitNotification* notification,
                                       AppDelegate* self);
    static void notificationClosedCb(WebKitNotification* notification, AppDelegate* self);

    // Files for the page.
    static gboolean runFileChooserCb(WebKitWebView* view, WebKitFileChooserRequest* request,
                                     AppDelegate* self);

    // Page dialogs and printing.
    static gboolean scriptDialogCb(WebKitWebView* view, WebKitScriptDialog* dialog,
                                   AppDelegate* self);
    static gboolean printCb(WebKitWebView* view, WebKitPrintOperation* operation,
                            AppDelegate* self);

    GtkApplication* application_;
    const ShellSeams& seams_;
    bool started_ = false;

    GtkWindow* window_ = nullptr;
    WebKitWebView* webView_ = nullptr;
    std::unique_ptr<Splash> splash_;
    std::vector<GtkWindow*> childWindows_;  // each holds a reference
    std::string appUrl_;
    guint homeTimer_ = 0;
    std::unique_ptr<Downloads> downloads_;
    // Set by the administrator beside config.dat, for the home host only.
    GRef<GTlsCertificate> trustedCertificate_;
    GRef<GTlsCertificate> clientCertificate_;
    std::vector<GRef<GTlsCertificate>> allowedCertificates_;  // already let through once
    GRef<GProxyResolver> proxyResolver_;                      // the update check's
    struct ShownNotification {
        GRef<WebKitNotification> notification;
        GRef<WebKitWebView> view;
    };
    std::map<std::string, ShownNotification> notifications_;  // by the desktop's id
    std::vector<WebKitWebView*> closing_;  // while quitting: the pages still to close
    guint logoutInhibit_ = 0;              // while the session's end waits on our pages
};

}  // namespace delvaronte
