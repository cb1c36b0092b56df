// The desktop's notification server, for a run in isolation: owns org.freedesktop.Notifications
// on the session bus, keeps what it is asked to show, and can click one.
#pragma once

#include <gio/gio.h>

#include <functional>
#include <string>
#include <vector>

#include "base/GObjectPtr.h"

namespace delvaronte {

class NotificationSink {
public:
    struct Shown {
        std::string icon, title, body;
    };

    // On the session bus of this process; onShown, when given, hears of each one.
    explicit NotificationSink(std::function<void(const Shown&)> onShown = {});
    ~NotificationSink();
    NotificationSink(const NotificationSink&) = delete;
    NotificationSink& operator=(const NotificationSink&) = delete;

    const std::vector<Shown>& shown() const { return shown_; }
    // The user clicks the notification shown as the number-th (from 1).
    void click(guint number);

private:
    static void methodCallCb(GDBusConnection* bus, const char* sender, const char* path,
                             const char* interface, const char* method, GVariant* parameters,
                             GDBusMethodInvocation* invocation, gpointer self);

    GRef<GDBusConnection> bus_;
    GDBusNodeInfo* node_ = nullptr;
    guint object_ = 0;
    guint owner_ = 0;
    std::vector<Shown> shown_;
    std::function<void(const Shown&)> onShown_;
};

}  // namespace delvaronte
