// What every page of the program shares: the home origin and the rule of what a page may do
// by it, the certificates the administrator pinned for the home origin, the proxies, the
// downloads and the notifications. Made once the main window is on its way.
#pragma once

#include <webkit/webkit.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/GObjectPtr.h"
#include "config/Settings.h"
#include "shell/Downloads.h"
#include "shell/KeptSettings.h"
#include "shell/Notifications.h"
#include "shell/ShellSeams.h"
#include "shell/rules/PageTrust.h"
#include "shell/rules/SupportReport.h"

namespace delvaronte {

class Site {
public:
    // Reads the certificates beside config.dat and the desktop's proxies.
    Site(GApplication* application, const ShellSeams& seams, const std::string& homeUrl);
    ~Site();
    Site(const Site&) = delete;
    Site& operator=(const Site&) = delete;

    // Hands an address to the desktop (the default browser, the mail client).
    void open(const std::string& uri) const;
    // Prints through the print dialog, which comes with the settings of the last print.
    void print(WebKitPrintOperation* operation, GtkWindow* parent);
    // The zoom kept for the host of the page at uri: 1 when none was.
    double zoomFor(const std::string& uri) const;
    void keepZoom(const std::string& uri, double level);
    // What the user chose and finds again at the next start.
    KeptSettings& kept() { return kept_; }
    // How long an error page waits before its retry number attempt (0 the first).
    unsigned retryDelayMs(int attempt) const;
    // How long the main page's load may take to start arriving.
    unsigned loadTimeLimitMs() const;
    const PageTrust& trust() const { return trust_; }
    void setHome(const std::string& url) { trust_ = PageTrust(HomeOrigin(url)); }

    // A certificate the system refused for the top of a page at failedUri, in that place:
    // true when it verifies against the pinned one and the rule lets it be tried; it is then
    // allowed for its host, once.
    bool letThrough(GTlsCertificate* presented, const std::string& failedUri, PagePlace place);
    // Answers a server's request for a client certificate: the administrator's, or none.
    void answerClientCertificate(WebKitAuthenticationRequest* request, const Asker& asker);
    // The web context the pages run in: the home origin may notify from the start, before any
    // click (each web process is told so as it starts; no other origin ever may), and the
    // office's setting for the page inspector applies to it, as it changes.
    void attach(WebKitWebContext* context);
    // Spelling from now on, as the office's settings say, as they change. Its dictionaries
    // take a tenth of a second to load: not before the first page is on the screen.
    void startSpelling();
    // The hosts whose links stay in the window as the home host's do (and nothing more).
    std::vector<HomeOrigin> keptHosts() const;
    // Where downloads go: the office's folder, or the user's Downloads folder.
    std::string downloadsFolder() const;
    // A setting of the office's that is on or off; on where the settings are not installed.
    bool isOn(const char* key) const;
    // Whether that page may have that feature: the trust table's rule and the office's setting
    // for it together ("home-notifications", "remember-sign-in"). Every such decision asks here.
    bool allows(PageFeature feature, const Asker& asker) const;
    void notify(WebKitWebView* view, WebKitNotification* notification) {
        notifications_.show(view, notification);
    }
    // The user and password the session's proxy address gave for that proxy host; none when
    // it gave none.
    const ProxyChoice::Credentials* proxyCredentials(const std::string& host) const;
    // What support is told: a page that failed to load at uri (its host is kept, with the
    // error's kind), a page whose process ended; then all of it, with the desk's setup.
    void loadFailed(const std::string& uri, const GError* error);
    void processEnded(WebKitWebProcessTerminationReason reason);
    SupportFacts supportFacts() const;
    // The update check's settings: its download address opens as the pages' hand-offs do,
    // through the desktop's proxies.
    UpdateCheckSettings updateSettings() const;

private:
    static void initializeNotificationPermissionsCb(WebKitWebContext* context, Site* self);
    static void settingChangedCb(GSettings*, const char* key, Site* self);
    void applyToEngine();
    // A list setting of the office's; empty where the settings are not installed.
    std::vector<std::string> listOf(const char* key) const;

    const ShellSeams& seams_;
    GRef<GSettings> settings_;
    GRef<WebKitWebContext> context_;
    bool spelling_ = false;
    PageTrust trust_;
    GRef<GTlsCertificate> pinned_, client_;
    std::vector<GRef<GTlsCertificate>> allowed_;  // already let through once
    GRef<GProxyResolver> proxyResolver_;          // the update check's
    std::map<std::string, ProxyChoice::Credentials> proxyCredentials_;
    std::string proxiesForSupport_;  // the mode and the proxies' hosts, never their users
    std::vector<std::string> failedLoads_;
    std::string lastProcessEnd_;
    Downloads downloads_;
    Notifications notifications_;
    KeptSettings kept_;
};

}  // namespace delvaronte
