// What the program answers a page that asks for more than showing itself. Accounting pages
// remind their users (a due invoice, a finished export): the home origin's pages may show
// notifications, where the trust table and the office allow them. Nothing else is given, to
// any page.
#pragma once

#include <optional>
#include <string_view>

#include "shell/rules/PageTrust.h"

namespace delvaronte {

enum class PermissionKind {
    Notifications,
    Location,
    CameraOrMicrophone,
    Screen,
    ClipboardReading,
    DeviceList,
    PointerLock,
    MediaKeys,
    StorageAccess,
    Unknown,
};

struct PermissionRule {
    PermissionKind kind;
    bool asNotifications;   // allowed where notifications are; else never
    std::string_view what;  // in the README's words
};

// Every kind once, in the order above.
extern const PermissionRule kPermissionRules[10];

// The feature whose decision a permission follows; none for a permission never given.
std::optional<PageFeature> permissionFeature(PermissionKind kind);

}  // namespace delvaronte
