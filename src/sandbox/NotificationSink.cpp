#include "sandbox/NotificationSink.h"

namespace delvaronte {

namespace {

constexpr char kPath[] = "/org/freedesktop/Notifications";
constexpr char kName[] = "org.freedesktop.Notifications";
constexpr char kInterface[] =
    "<node><interface name='org.freedesktop.Notifications'>"
    "<method name='Notify'><arg type='s' direction='in'/><arg type='u' direction='in'/>"
    "<arg type='s' direction='in'/><arg type='s' direction='in'/><arg type='s' direction='in'/>"
    "<arg type='as' direction='in'/><arg type='a{sv}' direction='in'/>"
    "<arg type='i' direction='in'/><arg type='u' direction='out'/></method>"
    "<method name='CloseNotification'><arg type='u' direction='in'/></method>"
    "</interface></node>";

}  // namespace

NotificationSink::NotificationSink(std::function<void(const Shown&)> onShown)
    : bus_(GRef<GDBusConnection>::adopt(g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr))),
      onShown_(std::move(onShown)) {
    if (!bus_) return;
    node_ = g_dbus_node_info_new_for_xml(kInterface, nullptr);
    static const GDBusInterfaceVTable vtable{&NotificationSink::methodCallCb, nullptr, nullptr, {}};
    object_ = g_dbus_connection_register_object(bus_.get(), kPath, node_->interfaces[0], &vtable,
                                                this, nullptr, nullptr);
    owner_ = g_bus_own_name_on_connection(bus_.get(), kName, G_BUS_NAME_OWNER_FLAGS_REPLACE,
                                          nullptr, nullptr, nullptr, nullptr);
}

NotificationSink::~NotificationSink() {
    if (owner_ != 0) g_bus_unown_name(owner_);
    if (object_ != 0) g_dbus_connection_unregister_object(bus_.get(), object_);
    if (node_ != nullptr) g_dbus_node_info_unref(node_);
}

void NotificationSink::methodCallCb(GDBusConnection*, const char*, const char*, const char*,
                                    const char* method, GVariant* parameters,
                                    GDBusMethodInvocation* invocation, gpointer data) {
    auto* self = static_cast<NotificationSink*>(data);
    if (g_strcmp0(method, "Notify") != 0) {
        g_dbus_method_invocation_return_value(invocation, nullptr);
        return;
    }
    const char *title = nullptr, *body = nullptr;
    GVariant* hints = nullptr;
    g_variant_get(parameters, "(&su&s&s&s@as@a{sv}i)", nullptr, nullptr, nullptr, &title, &body,
                  nullptr, &hints, nullptr);
    // GLib hands a themed icon over as its name.
    const char* icon = "";
    g_variant_lookup(hints, "image-path", "&s", &icon);
    self->shown_.push_back({icon, title, body});
    g_variant_unref(hints);
    g_dbus_method_invocation_return_value(invocation,
                                          g_variant_new("(u)", guint(self->shown_.size())));
    if (self->onShown_) self->onShown_(self->shown_.back());
}

void NotificationSink::click(guint number) {
    g_dbus_connection_emit_signal(bus_.get(), nullptr, kPath, kName, "ActionInvoked",
                                  g_variant_new("(us)", number, "default"), nullptr);
}

}  // namespace delvaronte
