#include "shell/Notifications.h"

#include "base/Identity.h"
#include "shell/WebViews.h"

namespace delvaronte {

namespace {

std::string idOf(WebKitNotification* notification) {
    return "page-" + std::to_string(webkit_notification_get_id(notification));
}

}  // namespace

Notifications::Notifications(GApplication* application) : application_(application) {
    const auto clicked = GRef<GSimpleAction>::adopt(
        g_simple_action_new("notification-clicked", G_VARIANT_TYPE_STRING));
    connectSignal(
        clicked.get(), "activate",
        +[](GSimpleAction*, GVariant* id, Notifications* self) {
            self->clicked(g_variant_get_string(id, nullptr));
        },
        this);
    g_action_map_add_action(G_ACTION_MAP(application_), G_ACTION(clicked.get()));
}

Notifications::~Notifications() {
    g_action_map_remove_action(G_ACTION_MAP(application_), "notification-clicked");
    // Notifications outlive their page's view by a moment: they must not call back here.
    for (const auto& [id, shown] : shown_) {
        g_signal_handlers_disconnect_by_data(shown.notification.get(), this);
    }
}

void Notifications::show(WebKitWebView* view, WebKitNotification* notification) {
    const std::string id = idOf(notification);
    const auto shown =
        GRef<GNotification>::adopt(g_notification_new(webkit_notification_get_title(notification)));
    g_notification_set_body(shown.get(), webkit_notification_get_body(notification));
    const auto icon = GRef<GIcon>::adopt(g_themed_icon_new(kApplicationId));
    g_notification_set_icon(shown.get(), icon.get());
    g_notification_set_default_action_and_target_value(shown.get(), "app.notification-clicked",
                                                       g_variant_new_string(id.c_str()));
    shown_[id] = {GRef<WebKitNotification>::retain(notification),
                  GRef<WebKitWebView>::retain(view)};
    connectSignal(notification, "closed", &Notifications::closedCb, this);
    g_application_send_notification(application_, id.c_str(), shown.get());
}

void Notifications::closedCb(WebKitNotification* notification, Notifications* self) {
    const std::string id = idOf(notification);
    g_application_withdraw_notification(self->application_, id.c_str());
    self->shown_.erase(id);
}

void Notifications::clicked(const std::string& id) {
    const auto found = shown_.find(id);
    if (found == shown_.end()) {
        g_application_activate(application_);  // the main window, as a new start brings it
        return;
    }
    const auto [notification, view] = found->second;
    if (GtkWindow* window = windowOf(view.get())) {
        gtk_window_present(window);
        gtk_widget_grab_focus(GTK_WIDGET(view.get()));
    } else {
        g_application_activate(application_);
    }
    webkit_notification_clicked(notification.get());
}

}  // namespace delvaronte
