// Start-up, the main window and the home address.
#include "shell/AppDelegate.h"

#include <cmath>
#include <filesystem>

#include "base/UriParts.h"
#include "config/AppConfig.h"
#include "config/Certificates.h"
#include "shell/ScreenArea.h"
#include "shell/StartupEnvironment.h"
#include "shell/ViewRecord.h"
#include "shell/WebViews.h"
#include "shell/rules/WindowGeometry.h"

namespace delvaronte {

AppDelegate::AppDelegate(GtkApplication* application, const ShellSeams& seams)
    : application_(application), seams_(seams) {
    connectSignal(application_, "activate", &AppDelegate::activateCb, this);
    // However a pop-up goes (its close button, its page's script, the program ending), GTK
    // takes it from the application's windows: that is where it leaves childWindows.
    connectSignal(application_, "window-removed", &AppDelegate::windowRemovedCb, this);
    connectSignal(application_, "query-end", &AppDelegate::queryEndCb, this);
}

AppDelegate::~AppDelegate() {
    g_signal_handlers_disconnect_by_data(application_, this);
    g_signal_handlers_disconnect_by_data(g_network_monitor_get_default(), this);
    stopHomeTimer();
    // Views may outlive the delegate their timers would call.
    for (WebKitWebView* view : allViews()) {
        cancelRetry(view);
        recordOf(view).stuckTimer.stop();
    }
    // Notifications outlive their page's view by a moment: they must not call back here.
    for (const auto& [id, shown] : notifications_) {
        g_signal_handlers_disconnect_by_data(shown.notification.get(), this);
    }
    notifications_.clear();
    // Pop-ups still open go with the delegate their web views would call.
    for (GtkWindow* popup : childWindows_) {
        if (GtkWidget* view = gtk_window_get_child(popup)) {
            g_signal_handlers_disconnect_by_data(view, this);
        }
        gtk_window_destroy(popup);
        g_object_unref(popup);  // childWindows' own reference, see forgetPopup
    }
    splash_.reset();
    if (webView_ != nullptr) {
        g_signal_handlers_disconnect_by_data(webView_, this);
        g_object_unref(webView_);  // held since buildWebView, released after its handlers
    }
    if (window_ != nullptr) {
        g_signal_handlers_disconnect_by_data(window_, this);
        gtk_window_destroy(window_);
        g_object_unref(window_);  // held since buildMainWindow: closing only hides it
    }
}

void AppDelegate::activateCb(GApplication*, AppDelegate* self) {
    if (self->started_) {
        self->presentMainWindow();
        return;
    }
    self->started_ = true;
    // Before the first window, the set-up dialog's included.
    prepareStartupEnvironment();
    self->setupApplication();
}

void AppDelegate::setupApplication() {
    if (!AppConfig::load().isConfigured() && !ConfigWindow::showSetup()) {
        // Abandoned before any window exists: nothing holds the application, it ends.
        g_application_quit(G_APPLICATION(application_));
        return;
    }

    appUrl_ = AppConfig::load().homeUrl();

    // GTK 4.8 gives a window the menu bar that exists when the window is made; a later one
    // shows only in windows made after it. So the menu comes first, unseen until the window.
    setupMenu();
    addNotificationAction();
    buildMainWindow();
    presentMainWindow();
    gtk_window_maximize(window_);
    // The window is on its way to the screen before the web engine starts: the engine's
    // processes then start while the window draws its first frame, the splash.
    buildWebView();
}

void AppDelegate::buildMainWindow() {
    const Rect frame = mainWindowRect(primaryWorkFrame());
    window_ = GTK_WINDOW(gtk_application_window_new(application_));
    gtk_window_set_title(window_, "DELVARONTE");
    // The size the window returns to when unmaximized.
    gtk_window_set_default_size(window_, static_cast<int>(std::lround(frame.width)),
                                static_cast<int>(std::lround(frame.height)));
    gtk_widget_set_size_request(GTK_WIDGET(window_), kMainMinimumWidth, kMainMinimumHeight);
    // Closing keeps the window, its page and its history for the next activation.
    gtk_window_set_hide_on_close(window_, TRUE);
    gtk_application_window_set_show_menubar(GTK_APPLICATION_WINDOW(window_), TRUE);
    addContentKeys(window_);
    connectSignal(window_, "notify::visible", &AppDelegate::windowShownCb, this);
    connectSignal(window_, "notify::is-active", &AppDelegate::windowShownCb, this);

    // Held for the program's life, like the window: closing only hides it.
    g_object_ref(window_);
    splash_ = std::make_unique<Splash>();

    // The web view goes under the splash when it is built.
    GtkWidget* overlay = gtk_overlay_new();
    gtk_overlay_add_overlay(GTK_OVERLAY(overlay), splash_->view());
    gtk_window_set_child(window_, overlay);
}

void AppDelegate::buildWebView() {
    webView_ = WEBKIT_WEB_VIEW(g_object_ref_sink(newMainWebView(seams_.memoryCeiling)));
    connectWebView(webView_);
    downloads_ = std::make_unique<Downloads>(sharedNetworkSession(), seams_.open);
    // Read once the window is on its way: the certificates beside config.dat, for the home
    // host's first load, and the desktop's proxies, for the pages and the update check.
    const std::string folder = std::filesystem::path(AppConfig::configFilePath()).parent_path();
    trustedCertificate_ = loadCertificate(folder, kTrustedCertificateFile, false);
    clientCertificate_ = loadCertificate(folder, kClientCertificateFile, true);
    const ProxyChoice proxies = chooseProxies(readProxySources());
    applyProxies(sharedNetworkSession(), proxies);
    proxyResolver_ = proxyResolverFor(proxies);
    gtk_overlay_set_child(GTK_OVERLAY(gtk_window_get_child(window_)), GTK_WIDGET(webView_));
    gtk_widget_grab_focus(GTK_WIDGET(webView_));
    connectSignal(g_network_monitor_get_default(), "network-changed",
                  &AppDelegate::networkChangedCb, this);
    loadUrl(appUrl_);
    UpdateChecker::checkForUpdates(true, updateSettings());
}

void AppDelegate::presentMainWindow() {
    if (window_ == nullptr) return;
    gtk_window_present(window_);
    // The page has the keyboard whenever its window is shown: a sign-in field with autofocus
    // takes the first keys typed, splash or not.
    if (webView_ != nullptr) gtk_widget_grab_focus(GTK_WIDGET(webView_));
}

void AppDelegate::loadUrl(const std::string& text) {
    if (webView_ == nullptr || !parsesAsUrl(text)) return;
    appUrl_ = text;
    userNavigates(webView_);  // Accueil, a new address
    // Started first: the page being left may ask whether to stay before the load returns,
    // and staying stops the timer.
    startHomeTimer();
    webkit_web_view_load_uri(webView_, text.c_str());
}

// WebKit gives a request no timeout of its own: a home page that has not started to arrive
// after 30 seconds is stopped and counts as failed.
void AppDelegate::startHomeTimer() {
    stopHomeTimer();
    homeTimer_ =
        g_timeout_add_seconds(seams_.homeLoadTimeoutSeconds, &AppDelegate::homeTimeoutCb, this);
}

void AppDelegate::stopHomeTimer() {
    if (homeTimer_ != 0) g_source_remove(homeTimer_);
    homeTimer_ = 0;
}

gboolean AppDelegate::homeTimeoutCb(gpointer data) {
    auto* self = static_cast<AppDelegate*>(data);
    self->homeTimer_ = 0;
    webkit_web_view_stop_loading(self->webView_);
    self->failedUnreachable(self->webView_, self->appUrl_.c_str());
    return G_SOURCE_REMOVE;
}

// The update check opens its download address the way the pages' hand-offs go.
UpdateCheckSettings AppDelegate::updateSettings() const {
    UpdateCheckSettings settings = seams_.updates;
    settings.open = seams_.open;
    if (!settings.proxy) settings.proxy = proxyResolver_;
    return settings;
}

}  // namespace delvaronte
