// Start-up, the main window, the pop-up windows and quitting.
#include "shell/AppDelegate.h"

#include <algorithm>
#include <cmath>

#include "base/UriParts.h"
#include "config/AppConfig.h"
#include "shell/StartupEnvironment.h"
#include "shell/WebViews.h"
#include "shell/WorkFrame.h"
#include "shell/rules/OpenedAddress.h"
#include "shell/rules/PageLimits.h"
#include "shell/rules/WindowGeometry.h"
#include "ui/ScreenReaderNames.h"

namespace delvaronte {

AppDelegate::AppDelegate(GtkApplication* application, const ShellSeams& seams)
    : application_(application), seams_(seams) {
    connectSignal(application_, "activate", &AppDelegate::activateCb, this);
    connectSignal(application_, "open", &AppDelegate::openCb, this);
    // However a pop-up goes (its close button, its page's script, the program ending), GTK
    // takes it from the application's windows: that is where it leaves childWindows.
    connectSignal(application_, "window-removed", &AppDelegate::windowRemovedCb, this);
    connectSignal(application_, "query-end", &AppDelegate::queryEndCb, this);
}

AppDelegate::~AppDelegate() {
    g_signal_handlers_disconnect_by_data(application_, this);
    // The pages first: none of them may call back here while their windows go.
    pages_.clear();
    for (GtkWindow* popup : childWindows_) {
        gtk_window_destroy(popup);
        g_object_unref(popup);  // childWindows' own reference, see openPopup
    }
    splash_.reset();
    site_.reset();
    if (window_ != nullptr) {
        gtk_window_destroy(window_);
        g_object_unref(window_);
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

// Started (or brought forward) as an activation is, then each address goes where it belongs.
void AppDelegate::openCb(GApplication* application, GFile** files, int count, const char*,
                         AppDelegate* self) {
    activateCb(application, self);
    for (int i = 0; i < count; ++i) self->openAddress(GText(g_file_get_uri(files[i])).get());
}

void AppDelegate::openAddress(const std::string& uri) {
    if (pages_.empty()) return;  // the set-up was abandoned
    switch (openedAddress(site_->rules().trust().home(), uri, site_->office().keptHosts())) {
        case OpenedAddress::InWindow:
            pages_.front()->load(uri);
            break;
        case OpenedAddress::ToBrowser:
            site_->seams().open(uri);
            break;
        case OpenedAddress::Refused:
            break;
    }
}

void AppDelegate::setupApplication() {
    if (!AppConfig::load().isConfigured() && !ConfigWindow::showSetup()) {
        // Abandoned before any window exists: nothing holds the application, it ends.
        g_application_quit(G_APPLICATION(application_));
        return;
    }
    const std::string home = AppConfig::load().homeUrl();
    // Before anything of the engine's: the splash's view and the pages' session each start a
    // network process, which reads this once.
    handNegotiateAddresses(OfficeSettings().listOf("negotiate-addresses"), home);

    // GTK 4.8 gives a window the menu bar that exists when the window is made; a later one
    // shows only in windows made after it. So the menu comes first, unseen until the window.
    setupMenu(application_, *this);
    buildMainWindow();
    presentMainWindow();
    gtk_window_maximize(window_);

    // The window is on its way to the screen before the web engine starts: the engine's
    // processes then start while the window draws its first frame, the splash.
    site_ = std::make_unique<Site>(G_APPLICATION(application_), seams_, home);
    // A pop-up a page opened only to fetch a file goes when the file is done.
    site_->downloads().whenEnded([](WebKitWebView* view) {
        const Page* page = Page::of(view);
        if (page != nullptr && page->downloadOnly()) gtk_window_destroy(page->window());
    });
    webkit_settings_set_enable_caret_browsing(sharedSettings(), site_->kept().caretBrowsing());
    WebKitWebView* view = newMainWebView(seams_.memoryCeiling);
    site_->engine().attach(webkit_web_view_get_context(view));
    pages_.push_back(std::make_shared<Page>(view, window_, PagePlace::MainWindow, *site_,
                                            static_cast<PageHost&>(*this)));
    gtk_overlay_set_child(GTK_OVERLAY(gtk_window_get_child(window_)), pages_.front()->widget());
    gtk_widget_grab_focus(GTK_WIDGET(view));
    loadUrl(home);
    // An office that updates its desks through its own packages turns the check off.
    if (site_->office().isOn("update-check"))
        UpdateChecker::checkForUpdates(true, site_->updateSettings());
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
    nameMenuBar(window_);
    addContentKeys(window_);
    g_object_ref(window_);
    splash_ = std::make_unique<Splash>();

    // The web view goes under the splash when it is built.
    GtkWidget* overlay = gtk_overlay_new();
    nameForScreenReader(overlay, "Application DELVARONTE");
    gtk_overlay_add_overlay(GTK_OVERLAY(overlay), splash_->view());
    gtk_window_set_child(window_, overlay);
}

void AppDelegate::presentMainWindow() {
    if (window_ == nullptr) return;
    gtk_window_present(window_);
    // The page has the keyboard whenever its window is shown: a sign-in field with autofocus
    // takes the first keys typed, splash or not.
    if (WebKitWebView* view = webView()) gtk_widget_grab_focus(GTK_WIDGET(view));
}

void AppDelegate::loadUrl(const std::string& text) {
    if (pages_.empty() || !parsesAsUrl(text)) return;
    pages_.front()->load(text);
}

void AppDelegate::homeChanged(const std::string& url) {
    if (!site_ || !parsesAsUrl(url)) return;
    site_->rules().setHome(url);
    loadUrl(url);
}

// A page's window.open or target=_blank link: a mail or phone address goes to the system,
// and neither that, nor a refused one, nor one past the limit leaves an empty window.
GtkWidget* AppDelegate::openPopup(Page& opener, WebKitNavigationAction* action) {
    if (childWindows_.size() >= kMaxOpenPopups || !opener.mayLoad(action)) return nullptr;
    GtkWindow* popup = GTK_WINDOW(gtk_application_window_new(application_));
    // Named from the start, as for a page without a title, until its page sets one.
    gtk_window_set_title(popup, "DELVARONTE");
    // The size a page gets when it asks for none; ready-to-show reads it back as requested.
    const Rect standard = popupRect(primaryWorkFrame(), std::nullopt, std::nullopt);
    gtk_window_set_default_size(popup, int(standard.width), int(standard.height));
    gtk_widget_set_size_request(GTK_WIDGET(popup), kPopupMinimumWidth, kPopupMinimumHeight);
    nameMenuBar(popup);
    addContentKeys(popup);

    WebKitWebView* view = newRelatedWebView(opener.view());
    webkit_web_view_set_zoom_level(view, webkit_web_view_get_zoom_level(webView()));
    pages_.push_back(std::make_shared<Page>(view, popup, PagePlace::PopUp, *site_,
                                            static_cast<PageHost&>(*this)));
    gtk_window_set_child(popup, pages_.back()->widget());
    childWindows_.push_back(GTK_WINDOW(g_object_ref(popup)));
    return GTK_WIDGET(view);
}

void AppDelegate::windowRemovedCb(GtkApplication*, GtkWindow* window, AppDelegate* self) {
    const auto page =
        std::find_if(self->pages_.begin() + (self->pages_.empty() ? 0 : 1), self->pages_.end(),
                     [window](const auto& each) { return each->window() == window; });
    if (page != self->pages_.end()) {
        const std::shared_ptr<Page> gone = *page;
        self->pages_.erase(page);
        self->quit_.settled(gone.get());
        // Gone while the program was ending: one page fewer to wait for.
        if (self->quit_.closed(gone.get()) == QuitSequence::Next::End) {
            self->seams_.endProgram(G_APPLICATION(self->application_));
        }
    }
    auto& popups = self->childWindows_;
    const auto removed = std::remove(popups.begin(), popups.end(), window);
    const auto references = std::distance(removed, popups.end());
    popups.erase(removed, popups.end());
    // Last, as this may free the window and its web view.
    for (auto i = references; i > 0; --i) g_object_unref(window);  // see openPopup
}

void AppDelegate::pageShown(Page&) {
    if (splash_) splash_->fadeOut([this] { site_->engine().startSpelling(); });
}

void AppDelegate::pageClosed(Page& page) {
    if (quit_.stayed(&page)) return;  // the engine's late close of a question answered "Rester"
    if (quit_.asking(&page)) {
        // The program ends, page by page. The engine closes a page whose process took more
        // than 50 ms to take up the question without waiting for it, and the page's leave
        // question may still come: the page is closed once its process has nothing left to ask.
        page.afterItsQuestions([this, &page] {
            if (quit_.closed(&page) == QuitSequence::Next::End) {
                seams_.endProgram(G_APPLICATION(application_));
            }
        });
    } else if (page.window() == window_) {
        gtk_window_close(window_);  // hidden, back on the next activation
    } else {
        gtk_window_destroy(page.window());  // leaving the application, it leaves childWindows
    }
}

// Staying on a page keeps the program running, when it was ending; leaving while it ends
// counts as that page closed.
void AppDelegate::pageAnswered(Page& page, bool leave) {
    switch (quit_.answered(&page, leave)) {
        case QuitSequence::Next::End:
            seams_.endProgram(G_APPLICATION(application_));
            break;
        case QuitSequence::Next::GoOn:
            // A close of the engine's for this question comes, if it does, before the page's
            // process answers what is sent to it after the answer.
            page.afterItsQuestions([this, &page] { quit_.settled(&page); });
            if (const unsigned hold = quit_.takeLogoutHold()) {
                gtk_application_uninhibit(application_, hold);
            }
            break;
        case QuitSequence::Next::Wait:
            break;
    }
}

// Each page is asked to close first: one with unsaved work asks its leave question, and
// "Rester" keeps the program running. The program ends once every page has closed.
void AppDelegate::quit() {
    std::vector<QuitSequence::PageId> asked;
    for (const auto& page : pages_) asked.push_back(page.get());
    if (!quit_.start(asked)) return;  // already asking
    for (const auto& page : std::vector<std::shared_ptr<Page>>(pages_)) {
        if (page->askToClose() && quit_.closed(page.get()) == QuitSequence::Next::End) {
            seams_.endProgram(G_APPLICATION(application_));
        }
    }
}

// The desktop is logging out: the pages are asked as for Ctrl+Q, and meanwhile the desktop
// shows that the program has work that may not be saved. The program ends, or the user stays.
void AppDelegate::queryEndCb(GtkApplication* application, AppDelegate* self) {
    if (self->quit_.logoutHold() == 0) {
        self->quit_.holdLogout(
            gtk_application_inhibit(application, self->window_, GTK_APPLICATION_INHIBIT_LOGOUT,
                                    "Une saisie n'est peut-etre pas enregistree dans DELVARONTE"));
    }
    self->quit();
}

}  // namespace delvaronte
