#include "sandbox/SilentAccessibilityBus.h"

namespace delvaronte {

namespace {

constexpr char kInterface[] =
    "<node><interface name='org.a11y.Bus'><method name='GetAddress'>"
    "<arg type='s' direction='out'/></method></interface></node>";

void keepCall(GDBusConnection*, const char*, const char*, const char*, const char*, GVariant*,
              GDBusMethodInvocation* call, gpointer kept) {
    static_cast<std::vector<GDBusMethodInvocation*>*>(kept)->push_back(call);
}

const GDBusInterfaceVTable kKeepCalls = {&keepCall, nullptr, nullptr, {}};

}  // namespace

SilentAccessibilityBus::SilentAccessibilityBus()
    : connection_(g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr)) {
    if (connection_ == nullptr) return;
    GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(kInterface, nullptr);
    object_ = g_dbus_connection_register_object(connection_, "/org/a11y/bus", node->interfaces[0],
                                                &kKeepCalls, &kept_, nullptr, nullptr);
    g_dbus_node_info_unref(node);
    // The desktop's own launcher lets itself be replaced.
    owner_ =
        g_bus_own_name_on_connection(connection_, "org.a11y.Bus", G_BUS_NAME_OWNER_FLAGS_REPLACE,
                                     nullptr, nullptr, nullptr, nullptr);
}

SilentAccessibilityBus::~SilentAccessibilityBus() {
    if (connection_ == nullptr) return;
    g_bus_unown_name(owner_);
    g_dbus_connection_unregister_object(connection_, object_);
    for (GDBusMethodInvocation* call : kept_) g_object_unref(call);
    g_object_unref(connection_);
}

}  // namespace delvaronte
