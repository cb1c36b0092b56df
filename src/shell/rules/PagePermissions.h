// What the program answers a page that asks for more than showing itself. Accounting pages
// remind their users (a due invoice, a finished export): the home host's pages may show
// notifications. Nothing else is given, to any page.
#pragma once

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
    bool asNotifications;   // allowed where the trust table allows notifications; else never
    std::string_view what;  // in the README's words
};

// Every kind once, in the order above.
extern const PermissionRule kPermissionRules[10];

bool allowsPermission(PermissionKind kind, const Asker& asker);

}  // namespace delvaronte
