// What pages ask beyond showing themselves: notifications for the home host's pages, shown as
// the desktop's own; every other permission refused, by the rule of shell/rules/PagePermissions.
#include <string>

#include "base/UriParts.h"
#include "shell/AppDelegate.h"
#include "shell/WebViews.h"
#include "shell/rules/PagePermissions.h"

namespace delvaronte {

namespace {

PermissionKind kindOf(WebKitPermissionRequest* request) {
    if (WEBKIT_IS_NOTIFICATION_PERMISSION_REQUEST(request)) return PermissionKind::Notifications;
    if (WEBKIT_IS_GEOLOCATION_PERMISSION_REQUEST(request)) return PermissionKind::Location;
    if (WEBKIT_IS_USER_MEDIA_PERMISSION_REQUEST(request)) {
        return webkit_user_media_permission_is_for_display_device(
                   WEBKIT_USER_MEDIA_PERMISSION_REQUEST(request))
                   ? PermissionKind::Screen
                   : PermissionKind::CameraOrMicrophone;
    }
    if (WEBKIT_IS_CLIPBOARD_PERMISSION_REQUEST(request)) return PermissionKind::ClipboardReading;
    if (WEBKIT_IS_DEVICE_INFO_PERMISSION_REQUEST(request)) return PermissionKind::DeviceList;
    if (WEBKIT_IS_POINTER_LOCK_PERMISSION_REQUEST(request)) return PermissionKind::PointerLock;
    if (WEBKIT_IS_MEDIA_KEY_SYSTEM_PERMISSION_REQUEST(request)) return PermissionKind::MediaKeys;
    if (WEBKIT_IS_WEBSITE_DATA_ACCESS_PERMISSION_REQUEST(request)) {
        return PermissionKind::StorageAccess;
    }
    return PermissionKind::Unknown;
}

}  // namespace

bool AppDelegate::showsHomeHost(WebKitWebView* view) const {
    const char* uri = webkit_web_view_get_uri(view);
    const std::string host = uri != nullptr ? uriHost(uri) : std::string();
    return !host.empty() && host == uriHost(appUrl_);
}

gboolean AppDelegate::permissionRequestCb(WebKitWebView* view, WebKitPermissionRequest* request,
                                          AppDelegate* self) {
    if (allowsPermission(kindOf(request), self->showsHomeHost(view))) {
        webkit_permission_request_allow(request);
    } else {
        webkit_permission_request_deny(request);
    }
    return TRUE;
}

// The desktop's own notification: the page's title and text, the program's icon; a click
// brings back the window of the page that sent it.
gboolean AppDelegate::showNotificationCb(WebKitWebView* view, WebKitNotification* notification,
                                         AppDelegate* self) {
    if (!self->showsHomeHost(view)) return TRUE;  // never shown
    const std::string id = "page-" + std::to_string(webkit_notification_get_id(notification));
    const auto shown =
        GRef<GNotification>::adopt(g_notification_new(webkit_notification_get_title(notification)));
    g_notification_set_body(shown.get(), webkit_notification_get_body(notification));
    const auto icon = GRef<GIcon>::adopt(g_themed_icon_new("ma.delvaronte.Delvaronte"));
    g_notification_set_icon(shown.get(), icon.get());
    g_notification_set_default_action_and_target_value(shown.get(), "app.notification-clicked",
                                                       g_variant_new_string(id.c_str()));
    self->notifications_[id] = {GRef<WebKitNotification>::retain(notification),
                                GRef<WebKitWebView>::retain(view)};
    connectSignal(notification, "closed", &AppDelegate::notificationClosedCb, self);
    g_application_send_notification(G_APPLICATION(self->application_), id.c_str(), shown.get());
    return TRUE;
}

void AppDelegate::notificationClosedCb(WebKitNotification* notification, AppDelegate* self) {
    const std::string id = "page-" + std::to_string(webkit_notification_get_id(notification));
    g_application_withdraw_notification(G_APPLICATION(self->application_), id.c_str());
    self->notifications_.erase(id);
}

// A click on a notification comes back as this action, with the notification's id.
void AppDelegate::addNotificationAction() {
    const auto clicked = GRef<GSimpleAction>::adopt(
        g_simple_action_new("notification-clicked", G_VARIANT_TYPE_STRING));
    connectSignal(
        clicked.get(), "activate",
        +[](GSimpleAction*, GVariant* id, AppDelegate* self) {
            self->notificationClicked(g_variant_get_string(id, nullptr));
        },
        this);
    g_action_map_add_action(G_ACTION_MAP(application_), G_ACTION(clicked.get()));
}

void AppDelegate::notificationClicked(const std::string& id) {
    const auto found = notifications_.find(id);
    if (found == notifications_.end()) return presentMainWindow();
    const auto [notification, view] = found->second;
    GtkWindow* window = windowOf(view.get());
    if (window == nullptr || window == window_) {
        presentMainWindow();
    } else {
        gtk_window_present(window);
    }
    webkit_notification_clicked(notification.get());
}

}  // namespace delvaronte
