// A page's life: its wiring, the user's ways through it, its window when it is a pop-up, and
// its error page trying again by itself.
#include "shell/Page.h"

#include <optional>

#include "shell/WebViews.h"
#include "shell/WorkFrame.h"
#include "shell/rules/NavigationPolicy.h"
#include "shell/rules/WindowGeometry.h"
#include "ui/ScreenReaderNames.h"

namespace delvaronte {

namespace {

// Private to this file: the view's page is found through Page::of.
constexpr char kPageKey[] = "delvaronte-page";

bool windowShown(GtkWindow* window) {
    if (window == nullptr || !gtk_widget_get_visible(GTK_WIDGET(window))) return false;
    GdkSurface* surface = gtk_native_get_surface(GTK_NATIVE(window));
    return surface == nullptr ||
           (gdk_toplevel_get_state(GDK_TOPLEVEL(surface)) & GDK_TOPLEVEL_STATE_MINIMIZED) == 0;
}

}  // namespace

Page::Page(WebKitWebView* view, GtkWindow* window, PagePlace place, Site& site, PageHost& host)
    : view_(GRef<WebKitWebView>::retain(view)),
      window_(GRef<GtkWindow>::retain(window)),
      place_(place),
      site_(site),
      host_(host),
      box_(GRef<GtkWidget>::retain(gtk_box_new(GTK_ORIENTATION_VERTICAL, 0))),
      find_(view),
      signIn_(view, place, site),
      input_(view) {
    gtk_box_append(GTK_BOX(box_.get()), find_.widget());
    gtk_box_append(GTK_BOX(box_.get()), signIn_.bar());
    gtk_widget_set_vexpand(GTK_WIDGET(view), TRUE);
    nameForScreenReader(GTK_WIDGET(view), "Page");
    gtk_box_append(GTK_BOX(box_.get()), GTK_WIDGET(view));
    g_object_set_data(G_OBJECT(view), kPageKey, this);
    connectSignal(view, "decide-policy", &Page::decidePolicyCb, this);
    connectSignal(view, "load-changed", &Page::loadChangedCb, this);
    connectSignal(view, "load-failed", &Page::loadFailedCb, this);
    connectSignal(view, "load-failed-with-tls-errors", &Page::loadFailedWithTlsErrorsCb, this);
    connectSignal(view, "web-process-terminated", &Page::webProcessTerminatedCb, this);
    connectSignal(view, "create", &Page::createCb, this);
    connectSignal(view, "close", &Page::closeCb, this);
    connectSignal(view, "submit-form", &Page::submitFormCb, this);
    connectSignal(view, "script-dialog", &Page::scriptDialogCb, this);
    connectSignal(view, "print", &Page::printCb, this);
    connectSignal(view, "authenticate", &Page::authenticateCb, this);
    connectSignal(view, "permission-request", &Page::permissionRequestCb, this);
    connectSignal(view, "show-notification", &Page::showNotificationCb, this);
    connectSignal(view, "run-file-chooser", &Page::runFileChooserCb, this);
    connectSignal(view, "notify::is-web-process-responsive", &Page::responsivenessCb, this);
    if (place_ == PagePlace::PopUp) {
        connectSignal(view, "ready-to-show", &Page::readyToShowCb, this);
        connectSignal(view, "notify::title", &Page::titleChangedCb, this);
    }
    // A retry that waits for the window goes when it is shown again, or back in front.
    connectSignal(window, "notify::visible", &Page::windowShownCb, this);
    connectSignal(window, "notify::is-active", &Page::windowShownCb, this);
    connectSignal(g_network_monitor_get_default(), "network-changed", &Page::networkChangedCb,
                  this);
    // What the user types comes here as it is typed, from every page: each keeps its own.
    WebKitUserContentManager* content = webkit_web_view_get_user_content_manager(view);
    connectSignal(content, (std::string("script-message-received::") + kTypedFieldsHandler).c_str(),
                  &Page::typedCb, this);
}

Page::~Page() {
    WebKitUserContentManager* content = webkit_web_view_get_user_content_manager(view());
    g_signal_handlers_disconnect_by_data(content, this);
    g_signal_handlers_disconnect_by_data(g_network_monitor_get_default(), this);
    g_signal_handlers_disconnect_by_data(window_.get(), this);
    g_signal_handlers_disconnect_by_data(view_.get(), this);
    if (of(view_.get()) == this) g_object_set_data(G_OBJECT(view_.get()), kPageKey, nullptr);
}

Page* Page::of(WebKitWebView* view) {
    return static_cast<Page*>(g_object_get_data(G_OBJECT(view), kPageKey));
}

std::string Page::uri() const {
    const char* at = webkit_web_view_get_uri(view());
    return at != nullptr ? at : "";
}

void Page::stopRetries() {
    retry_.cancel();
    retryTimer_.stop();
}

void Page::load(const std::string& uri) {
    userNavigates();
    // Started first: the page being left may ask whether to stay before the load returns,
    // and staying stops the time limit.
    startTimeLimit(uri);
    webkit_web_view_load_uri(view(), uri.c_str());
}

void Page::goBackOrForward(bool back) {
    if (back && bringFormBack()) return;  // the form's page, whether or not in the history
    userNavigates();
    if (back) {
        webkit_web_view_go_back(view());
    } else {
        webkit_web_view_go_forward(view());
    }
}

void Page::reload() {
    if (stopIfStuck()) return;
    userNavigates();
    webkit_web_view_reload(view());
}

// The engine would queue a reload or a new address behind the script that holds the page.
bool Page::stopIfStuck() {
    if (webkit_web_view_get_is_web_process_responsive(view())) return false;
    webkit_web_view_terminate_web_process(view());
    return true;
}

void Page::afterItsQuestions(std::function<void()> then) {
    // The process takes its messages in order: the answer to this comes after theirs.
    struct Waiting {
        std::weak_ptr<Page> page;
        std::function<void()> then;
    };
    webkit_web_view_evaluate_javascript(
        view(), "0", -1, kFormWorld, nullptr, nullptr,
        +[](GObject* source, GAsyncResult* result, gpointer data) {
            const std::unique_ptr<Waiting> waiting(static_cast<Waiting*>(data));
            GError* error = nullptr;
            if (JSCValue* value = webkit_web_view_evaluate_javascript_finish(
                    WEBKIT_WEB_VIEW(source), result, &error)) {
                g_object_unref(value);
            }
            g_clear_error(&error);
            if (waiting->page.lock()) waiting->then();
        },
        new Waiting{weak_from_this(), std::move(then)});
}

bool Page::askToClose() {
    // A page stuck in a script could not answer: it is stopped, and closes.
    if (stopIfStuck()) return true;
    webkit_web_view_try_close(view());
    return false;
}

// Gives the address to the system when the user asked for it, at most once a second.
void Page::handOff(const std::string& uri, bool userGesture) {
    const gint64 now = g_get_monotonic_time();
    if (!mayHandOff(userGesture, lastHandOff_, now)) return;
    lastHandOff_ = now;
    if (isSystemHandledScheme(uri)) site_.seams().open(uri);
}

// The user went somewhere themselves: the page's dialogs are its own again, and no retry
// takes them back.
void Page::userNavigates() {
    dialogs_.reset();
    signIns_.reset();
    stopRetries();
}

GtkWidget* Page::createCb(WebKitWebView*, WebKitNavigationAction* action, Page* self) {
    return self->host_.openPopup(*self, action);
}

void Page::readyToShowCb(WebKitWebView*, Page* self) {
    if (self->downloadOnly_) return;
    GdkRectangle geometry{};
    webkit_window_properties_get_geometry(webkit_web_view_get_window_properties(self->view()),
                                          &geometry);
    const Rect frame =
        popupRect(primaryWorkFrame(),
                  geometry.width > 0 ? std::optional<double>(geometry.width) : std::nullopt,
                  geometry.height > 0 ? std::optional<double>(geometry.height) : std::nullopt);
    gtk_window_set_default_size(self->window(), int(frame.width), int(frame.height));
    gtk_window_present(self->window());
    gtk_widget_grab_focus(GTK_WIDGET(self->view()));
}

void Page::titleChangedCb(WebKitWebView*, GParamSpec*, Page* self) {
    const char* title = webkit_web_view_get_title(self->view());
    if (title == nullptr) return;
    gtk_window_set_title(self->window(), *title != '\0' ? title : "DELVARONTE");
}

void Page::closeCb(WebKitWebView*, Page* self) {
    self->host_.pageClosed(*self);  // may end this page: nothing after it
}

// The server could not be reached: the error page, once, then retries on the schedule. A
// retry that fails again leaves the error page as it is (its load never replaced it).
void Page::failedUnreachable(const std::string& uri) {
    if (retry_.failed(uri)) {
        showErrorPage(uri.c_str());
    } else {
        timeLimit_.stop();
    }
    retryTimer_.start(unsigned(site_.seams().retryDelayMs(retry_.attempt())), [this] {
        retry_.timeUp();
        retryIfDue();
    });
}

void Page::retryIfDue() {
    if (!retry_.due()) return;
    const RetryMoment moment{
        g_network_monitor_get_network_available(g_network_monitor_get_default()) != FALSE,
        windowShown(window()), webkit_web_view_is_loading(view()) != FALSE};
    const std::optional<std::string> uri = retry_.start(moment);
    if (!uri) return;
    startTimeLimit(*uri);
    webkit_web_view_load_uri(view(), uri->c_str());
}

void Page::networkChangedCb(GNetworkMonitor*, gboolean available, Page* self) {
    if (!available) return;
    // Back: what waits for its timer goes at once too.
    if (self->retry_.networkBack()) self->retryTimer_.stop();
    self->retryIfDue();
}

void Page::windowShownCb(GtkWindow*, GParamSpec*, Page* self) {
    self->retryIfDue();
}

// WebKit gives a request no time limit of its own: on the main page, a load that has not
// started to arrive in time is stopped and counts as failed.
void Page::startTimeLimit(const std::string& uri) {
    if (place_ != PagePlace::MainWindow) return;
    timedUri_ = uri;
    timeLimit_.start(site_.seams().homeLoadTimeoutSeconds * 1000, [this] {
        webkit_web_view_stop_loading(view());
        failedUnreachable(timedUri_);
    });
}

}  // namespace delvaronte
