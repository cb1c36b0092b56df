// One web view of the program, the main window's or a pop-up's, and all the program knows of
// its page: it owns the view, connects the view's signals to itself, keeps the page's state
// (its retries, the form it sent, the wait on a stuck page, its dialogs, the main page's time
// limit) and asks the user through the window it belongs to. What a page may do by its origin
// and place, it asks the home's rules (HomeRules).
#pragma once

#include <webkit/webkit.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "base/GObjectPtr.h"
#include "base/OneShot.h"
#include "shell/FindBar.h"
#include "shell/InputQueue.h"
#include "shell/SignInKeeper.h"
#include "shell/Site.h"
#include "shell/rules/PageDialogGuard.h"
#include "shell/rules/RetrySchedule.h"
#include "shell/rules/SentForm.h"
#include "shell/rules/TypedFields.h"

namespace delvaronte {

class ModalAlert;
class Page;

// What a page needs of the application that holds it.
class PageHost {
public:
    // A view for a pop-up the page opens, in a window of its own; nothing when none may open.
    virtual GtkWidget* openPopup(Page& opener, WebKitNavigationAction* action) = 0;
    // The page, or our page in its place, is there to be seen.
    virtual void pageShown(Page& page) = 0;
    // The page's script closed it, or the engine closed it as the program ends.
    virtual void pageClosed(Page& page) = 0;
    // The page's leave question was answered.
    virtual void pageAnswered(Page& page, bool leave) = 0;

protected:
    ~PageHost() = default;
};

class Page : public std::enable_shared_from_this<Page> {
public:
    // Takes view (a new one), shown in window; the main window's page when place is
    // MainWindow, a pop-up's otherwise.
    Page(WebKitWebView* view, GtkWindow* window, PagePlace place, Site& site, PageHost& host);
    ~Page();
    Page(const Page&) = delete;
    Page& operator=(const Page&) = delete;

    // The page of a view; nothing when the view has none (any more).
    static Page* of(WebKitWebView* view);

    WebKitWebView* view() const { return view_.get(); }
    // What goes in the window: the find bar and the sign-in bar over the view.
    GtkWidget* widget() const { return box_.get(); }
    GtkWindow* window() const { return window_.get(); }
    const RetryState& retries() const { return retry_; }
    const TypedFields& typed() const { return typed_; }
    // A pop-up opened only to fetch a file: hidden, and closed when the download ends.
    bool downloadOnly() const { return downloadOnly_; }

    // The user's own ways: a new address (timed on the main page), history, reload.
    void load(const std::string& uri);
    void goBackOrForward(bool back);
    void reload();
    // "Rechercher..." opens the find bar over the page.
    FindBar& findBar() { return find_; }
    // A page stuck in a script is stopped at once; true when it was.
    bool stopIfStuck();
    // Asks the page to close as the program ends; true when it closed at once (it was stuck).
    bool askToClose();
    // Runs then once the page's process has done what it was asked before (a question to the
    // user included), or has gone; never once the page is gone.
    void afterItsQuestions(std::function<void()> then);
    // Decides a navigation the page asks for, handing it to the system when the rule says so;
    // true when it may be loaded in the program.
    bool mayLoad(WebKitNavigationAction* action);

private:
    // Loads, in Page.cpp and PageLoads.cpp.
    static gboolean decidePolicyCb(WebKitWebView*, WebKitPolicyDecision* decision,
                                   WebKitPolicyDecisionType type, Page* self);
    static void loadChangedCb(WebKitWebView*, WebKitLoadEvent event, Page* self);
    static gboolean loadFailedCb(WebKitWebView*, WebKitLoadEvent, const char* failedUri,
                                 GError* error, Page* self);
    static gboolean loadFailedWithTlsErrorsCb(WebKitWebView*, const char* failedUri,
                                              GTlsCertificate* certificate, GTlsCertificateFlags,
                                              Page* self);
    static void webProcessTerminatedCb(WebKitWebView*, WebKitWebProcessTerminationReason,
                                       Page* self);
    static GtkWidget* createCb(WebKitWebView*, WebKitNavigationAction* action, Page* self);
    static void readyToShowCb(WebKitWebView*, Page* self);
    static void titleChangedCb(WebKitWebView*, GParamSpec*, Page* self);
    static void closeCb(WebKitWebView*, Page* self);
    static gboolean submitFormCb(WebKitWebView*, WebKitFormSubmissionRequest* request, Page* self);
    static void typedCb(WebKitUserContentManager*, JSCValue* message, Page* self);
    static void networkChangedCb(GNetworkMonitor*, gboolean available, Page* self);
    static void windowShownCb(GtkWindow*, GParamSpec*, Page* self);
    bool handledAsDownload(WebKitPolicyDecision* decision);
    void handOff(const std::string& uri, bool userGesture);
    void userNavigates();
    // The address the view shows; empty before it shows any.
    std::string uri() const;
    void stopRetries();
    void showErrorPage(const char* failedUri);
    void showPlaceholder(const char* html, const char* uri);
    void failedUnreachable(const std::string& uri);
    void retryIfDue();
    bool bringFormBack();
    void fillFields(const std::string& fields);
    void startTimeLimit(const std::string& uri);

    // What the page asks of the user, in PageAsks.cpp.
    static gboolean scriptDialogCb(WebKitWebView*, WebKitScriptDialog* dialog, Page* self);
    static gboolean printCb(WebKitWebView*, WebKitPrintOperation* operation, Page* self);
    void answerProxy(WebKitAuthenticationRequest* request, const std::string& host);
    static gboolean authenticateCb(WebKitWebView*, WebKitAuthenticationRequest* request,
                                   Page* self);
    static gboolean permissionRequestCb(WebKitWebView*, WebKitPermissionRequest* request,
                                        Page* self);
    static gboolean showNotificationCb(WebKitWebView*, WebKitNotification* notification,
                                       Page* self);
    static gboolean runFileChooserCb(WebKitWebView*, WebKitFileChooserRequest* request, Page* self);
    static void responsivenessCb(WebKitWebView*, GParamSpec*, Page* self);
    void watchStuckPage();
    void askAboutStuckPage();
    Asker asker() const;
    // The main page's time limit waits while the user answers a question of the page's.
    bool pauseTimeLimit();
    void resumeTimeLimit(bool paused);

    GRef<WebKitWebView> view_;
    GRef<GtkWindow> window_;
    const PagePlace place_;
    Site& site_;
    PageHost& host_;
    GRef<GtkWidget> box_;
    FindBar find_;
    SignInKeeper signIn_;
    InputQueue input_;

    bool placeholderPending_ = false;  // our error or stopped page asked for, not committed
    bool showsPlaceholder_ = false;    // the page committed last is ours
    bool committedOnce_ = false;       // a page of its own has committed at least once
    bool documentAsked_ = false;       // the top page's document asked for, not yet there
    bool downloadOnly_ = false;
    std::optional<int64_t> lastHandOff_;  // monotonic microseconds
    PageDialogGuard dialogs_;
    SignInGuard signIns_;
    SentForm form_;
    TypedFields typed_;
    RetryState retry_;
    OneShot retryTimer_;
    OneShot stuckTimer_;
    ModalAlert* stuckAlert_ = nullptr;  // the question while it is open
    OneShot timeLimit_;                 // the main page's: a load that has not committed
    std::string timedUri_;
};

}  // namespace delvaronte
