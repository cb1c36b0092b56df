// The application: start-up, the main window with its splash, the pop-up windows pages open,
// the menu's commands and quitting. Each web view is a Page of its own (shell/Page.h); what
// the pages share is the Site (shell/Site.h).
#pragma once

#include <gtk/gtk.h>
#include <webkit/webkit.h>

#include <memory>
#include <string>
#include <vector>

#include "dialogs/ConfigWindow.h"
#include "shell/Page.h"
#include "shell/ShellSeams.h"
#include "shell/Splash.h"
#include "shell/rules/QuitSequence.h"

namespace delvaronte {

class AppDelegate : public UrlLoader, private PageHost {
public:
    // Wires itself to the application's activate signal: the first activation sets the
    // program up, later ones (the program launched again) bring the main window back. seams
    // is read at each use and must outlive the delegate.
    AppDelegate(GtkApplication* application, const ShellSeams& seams);
    ~AppDelegate() override;
    AppDelegate(const AppDelegate&) = delete;
    AppDelegate& operator=(const AppDelegate&) = delete;

    GtkWindow* window() const { return window_; }
    WebKitWebView* webView() const { return pages_.empty() ? nullptr : pages_.front()->view(); }
    const Splash* splash() const { return splash_.get(); }
    // The pop-up windows that pages opened and that are still open, oldest first.
    const std::vector<GtkWindow*>& childWindows() const { return childWindows_; }
    // The home address.
    std::string appUrl() const {
        return site_ ? site_->rules().trust().home().url() : std::string();
    }

    // Loads text in the main window when it is an absolute URL; the home stays what the
    // configuration says.
    void loadUrl(const std::string& text);
    // The configuration editor saved another address: the new home, loaded.
    void homeChanged(const std::string& url) override;
    // An address another program gave: the home host's in the main window, another web
    // address in the default browser, anything else nowhere.
    void openAddress(const std::string& uri);

    // Menu commands (the editing ones are the menu's own: see setupMenu).
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
    void find();
    void showAbout();
    // F7: a caret in the pages, that the arrows move; asked before it turns on, then kept.
    void toggleCaretBrowsing();
    // What "Copier les informations pour l'assistance" copies.
    std::string supportText() const;
    void miniaturize();
    void quit();
    void printPage();

private:
    void setupApplication();
    void buildMainWindow();
    void presentMainWindow();
    void setZoom(double level);
    static void activateCb(GApplication* application, AppDelegate* self);
    static void openCb(GApplication* application, GFile** files, int count, const char* hint,
                       AppDelegate* self);
    static void windowRemovedCb(GtkApplication* application, GtkWindow* window, AppDelegate* self);
    static void queryEndCb(GtkApplication* application, AppDelegate* self);

    GtkWidget* openPopup(Page& opener, WebKitNavigationAction* action) override;
    void pageShown(Page& page) override;
    void pageClosed(Page& page) override;
    void pageAnswered(Page& page, bool leave) override;

    GtkApplication* application_;
    const ShellSeams& seams_;
    bool started_ = false;
    GtkWindow* window_ = nullptr;  // held for the program's life: closing only hides it
    std::unique_ptr<Splash> splash_;
    std::vector<GtkWindow*> childWindows_;      // each holds a reference
    std::vector<std::shared_ptr<Page>> pages_;  // the main window's first, then the pop-ups'
    std::unique_ptr<Site> site_;
    QuitSequence quit_;
};

// The menu bar and its commands, given to the application before its first window.
void setupMenu(GtkApplication* application, AppDelegate& delegate);
// The menu's editing keys for a window's web content, handed to it in turn with the typing.
void addContentKeys(GtkWindow* window);

}  // namespace delvaronte
