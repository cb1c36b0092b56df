// The windows pages open: made for the page's window.open or target=_blank link, sized as
// the page asks, titled after its page, at most twenty at once, gone when closed.
#include <algorithm>
#include <optional>

#include "shell/AppDelegate.h"
#include "shell/ScreenArea.h"
#include "shell/ViewRecord.h"
#include "shell/WebViews.h"
#include "shell/rules/WindowGeometry.h"

namespace delvaronte {

namespace {

// Pages that open windows in a loop get no more than this many at once.
constexpr size_t kMaxOpenPopups = 20;

}  // namespace

GtkWidget* AppDelegate::createCb(WebKitWebView* opener, WebKitNavigationAction* action,
                                 AppDelegate* self) {
    if (self->childWindows_.size() >= kMaxOpenPopups) return nullptr;
    // A page's window.open comes here without a navigation decision: a mail or phone
    // address goes to the system, and neither that nor a refused one leaves an empty window.
    return self->mayLoad(opener, action) ? self->openPopup(opener) : nullptr;
}

GtkWidget* AppDelegate::openPopup(WebKitWebView* opener) {
    GtkWindow* popup = GTK_WINDOW(gtk_application_window_new(application_));
    // Named from the start, as for a page without a title, until its page sets one.
    gtk_window_set_title(popup, "DELVARONTE");
    // The size a page gets when it asks for none; ready-to-show reads it back as requested.
    const Rect standard = popupRect(primaryWorkFrame(), std::nullopt, std::nullopt);
    gtk_window_set_default_size(popup, int(standard.width), int(standard.height));
    gtk_widget_set_size_request(GTK_WIDGET(popup), kPopupMinimumWidth, kPopupMinimumHeight);
    addContentKeys(popup);
    connectSignal(popup, "notify::is-active", &AppDelegate::windowShownCb, this);

    WebKitWebView* view = newRelatedWebView(opener);
    connectWebView(view);
    connectSignal(view, "ready-to-show", &AppDelegate::readyToShowCb, this);
    connectSignal(view, "notify::title", &AppDelegate::titleChangedCb, this);
    gtk_window_set_child(popup, GTK_WIDGET(view));

    childWindows_.push_back(GTK_WINDOW(g_object_ref(popup)));
    return GTK_WIDGET(view);
}

void AppDelegate::readyToShowCb(WebKitWebView* view, AppDelegate*) {
    GtkWindow* popup = windowOf(view);
    if (popup == nullptr || recordOf(view).downloadOnly) return;
    GdkRectangle geometry{};
    webkit_window_properties_get_geometry(webkit_web_view_get_window_properties(view), &geometry);
    const Rect frame =
        popupRect(primaryWorkFrame(),
                  geometry.width > 0 ? std::optional<double>(geometry.width) : std::nullopt,
                  geometry.height > 0 ? std::optional<double>(geometry.height) : std::nullopt);
    gtk_window_set_default_size(popup, int(frame.width), int(frame.height));
    gtk_window_present(popup);
    gtk_widget_grab_focus(GTK_WIDGET(view));
}

void AppDelegate::titleChangedCb(WebKitWebView* view, GParamSpec*, AppDelegate*) {
    GtkWindow* popup = windowOf(view);
    const char* title = webkit_web_view_get_title(view);
    if (popup == nullptr || title == nullptr) return;
    gtk_window_set_title(popup, *title != '\0' ? title : "DELVARONTE");
}

void AppDelegate::closeCb(WebKitWebView* view, AppDelegate* self) {
    if (self->closing(view)) return self->pageClosed(view);  // the program ends, page by page
    GtkWindow* window = windowOf(view);
    if (window == nullptr) return;
    if (window == self->window_) {
        gtk_window_close(window);  // hidden, back on the next activation
    } else {
        gtk_window_destroy(window);  // leaving the application, it leaves childWindows
    }
}

void AppDelegate::windowRemovedCb(GtkApplication*, GtkWindow* window, AppDelegate* self) {
    self->forgetPopup(window);
}

void AppDelegate::forgetPopup(GtkWindow* popup) {
    // Gone while the program was ending: one page fewer to wait for.
    GtkWidget* child = gtk_window_get_child(popup);
    auto* view = child != nullptr && WEBKIT_IS_WEB_VIEW(child) ? WEBKIT_WEB_VIEW(child) : nullptr;
    if (view != nullptr && closing(view)) pageClosed(view);
    const auto removed = std::remove(childWindows_.begin(), childWindows_.end(), popup);
    const auto references = std::distance(removed, childWindows_.end());
    childWindows_.erase(removed, childWindows_.end());
    // Last, as this may free the window and its web view.
    for (auto i = references; i > 0; --i) g_object_unref(popup);  // the list's, see openPopup
}

}  // namespace delvaronte
