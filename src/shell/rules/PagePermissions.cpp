#include "shell/rules/PagePermissions.h"

namespace delvaronte {

const PermissionRule kPermissionRules[10] = {
    {PermissionKind::Notifications, true, "notifications"},
    {PermissionKind::Location, false, "location"},
    {PermissionKind::CameraOrMicrophone, false, "camera and microphone"},
    {PermissionKind::Screen, false, "sharing the screen"},
    {PermissionKind::ClipboardReading, false, "reading the clipboard"},
    {PermissionKind::DeviceList, false, "the list of cameras and microphones"},
    {PermissionKind::PointerLock, false, "locking the pointer"},
    {PermissionKind::MediaKeys, false, "protected media keys"},
    {PermissionKind::StorageAccess, false, "storage of other sites"},
    {PermissionKind::Unknown, false, "anything else"},
};

std::optional<PageFeature> permissionFeature(PermissionKind kind) {
    for (const PermissionRule& rule : kPermissionRules) {
        if (rule.kind == kind && rule.asNotifications) return PageFeature::Notifications;
    }
    return std::nullopt;
}

}  // namespace delvaronte
