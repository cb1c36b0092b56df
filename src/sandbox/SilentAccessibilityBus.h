// A desktop whose accessibility bus launcher is registered and never answers: owns
// org.a11y.Bus on the session bus and keeps every GetAddress call unanswered.
#pragma once

#include <gio/gio.h>

#include <vector>

namespace delvaronte {

class SilentAccessibilityBus {
public:
    SilentAccessibilityBus();
    ~SilentAccessibilityBus();
    SilentAccessibilityBus(const SilentAccessibilityBus&) = delete;
    SilentAccessibilityBus& operator=(const SilentAccessibilityBus&) = delete;

    // How many asked where the bus is.
    size_t asked() const { return kept_.size(); }

private:
    GDBusConnection* connection_;
    guint object_ = 0;
    guint owner_ = 0;
    std::vector<GDBusMethodInvocation*> kept_;
};

}  // namespace delvaronte
