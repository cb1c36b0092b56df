#include "sandbox/SessionManager.h"

#include <future>

namespace delvaronte {

namespace {

constexpr char kName[] = "org.gnome.SessionManager";
constexpr char kPath[] = "/org/gnome/SessionManager";
constexpr char kClientPath[] = "/org/gnome/SessionManager/Client1";
constexpr char kInterfaces[] =
    "<node><interface name='org.gnome.SessionManager'>"
    "<method name='RegisterClient'><arg type='s' direction='in'/><arg type='s' direction='in'/>"
    "<arg type='o' direction='out'/></method>"
    "<method name='Inhibit'><arg type='s' direction='in'/><arg type='u' direction='in'/>"
    "<arg type='s' direction='in'/><arg type='u' direction='in'/>"
    "<arg type='u' direction='out'/></method>"
    "<method name='Uninhibit'><arg type='u' direction='in'/></method>"
    "</interface>"
    "<interface name='org.gnome.SessionManager.ClientPrivate'>"
    "<method name='EndSessionResponse'><arg type='b' direction='in'/>"
    "<arg type='s' direction='in'/></method>"
    "<signal name='QueryEndSession'><arg type='u'/></signal>"
    "</interface></node>";
constexpr guint kLogout = 1;  // the inhibit flag of a logout

}  // namespace

SessionManager::SessionManager()
    : context_(g_main_context_new()), loop_(g_main_loop_new(context_, FALSE)) {
    std::promise<void> ready;
    thread_ = std::thread([this, &ready] {
        g_main_context_push_thread_default(context_);
        const GText address(g_dbus_address_get_for_bus_sync(G_BUS_TYPE_SESSION, nullptr, nullptr));
        if (address) {
            bus_ = GRef<GDBusConnection>::adopt(g_dbus_connection_new_for_address_sync(
                address.get(),
                GDBusConnectionFlags(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                     G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
                nullptr, nullptr, nullptr));
        }
        if (bus_) serve();
        ready.set_value();
        g_main_loop_run(loop_);
        if (bus_) g_dbus_connection_close_sync(bus_.get(), nullptr, nullptr);
        bus_ = {};
        g_main_context_pop_thread_default(context_);
    });
    ready.get_future().wait();
}

SessionManager::~SessionManager() {
    g_main_loop_quit(loop_);
    thread_.join();
    g_main_loop_unref(loop_);
    g_main_context_unref(context_);
}

// The objects, then the name: once it is owned, programs find the manager whole.
void SessionManager::serve() {
    GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(kInterfaces, nullptr);
    static const GDBusInterfaceVTable vtable{&SessionManager::methodCallCb, nullptr, nullptr, {}};
    g_dbus_connection_register_object(bus_.get(), kPath, node->interfaces[0], &vtable, this,
                                      nullptr, nullptr);
    g_dbus_connection_register_object(bus_.get(), kClientPath, node->interfaces[1], &vtable, this,
                                      nullptr, nullptr);
    g_dbus_node_info_unref(node);
    GVariant* owned = g_dbus_connection_call_sync(
        bus_.get(), "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
        "RequestName", g_variant_new("(su)", kName, 2u /* replace */), nullptr,
        G_DBUS_CALL_FLAGS_NONE, -1, nullptr, nullptr);
    if (owned != nullptr) g_variant_unref(owned);
}

std::map<guint, std::string> SessionManager::logoutInhibitors() const {
    const std::lock_guard lock(mutex_);
    return inhibitors_;
}

void SessionManager::methodCallCb(GDBusConnection*, const char*, const char*, const char*,
                                  const char* method, GVariant* parameters,
                                  GDBusMethodInvocation* invocation, gpointer data) {
    auto* self = static_cast<SessionManager*>(data);
    GVariant* answer = nullptr;
    if (g_strcmp0(method, "RegisterClient") == 0) {
        self->registered_ = true;
        answer = g_variant_new("(o)", kClientPath);
    } else if (g_strcmp0(method, "Inhibit") == 0) {
        const std::lock_guard lock(self->mutex_);
        const char* reason = nullptr;
        guint flags = 0;
        g_variant_get(parameters, "(&su&su)", nullptr, nullptr, &reason, &flags);
        if ((flags & kLogout) != 0) self->inhibitors_[++self->lastCookie_] = reason;
        answer = g_variant_new("(u)", self->lastCookie_);
    } else if (g_strcmp0(method, "Uninhibit") == 0) {
        guint cookie = 0;
        g_variant_get(parameters, "(u)", &cookie);
        const std::lock_guard lock(self->mutex_);
        self->inhibitors_.erase(cookie);
    }
    g_dbus_method_invocation_return_value(invocation, answer);
}

void SessionManager::logOut() {
    g_dbus_connection_emit_signal(bus_.get(), nullptr, kClientPath,
                                  "org.gnome.SessionManager.ClientPrivate", "QueryEndSession",
                                  g_variant_new("(u)", 0u), nullptr);
}

}  // namespace delvaronte
