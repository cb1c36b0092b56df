// A one-shot timer on the GLib main loop that goes with whatever holds it.
#pragma once

#include <glib.h>

#include <functional>

namespace delvaronte {

// Starting it again drops the one before.
class OneShot {
public:
    OneShot() = default;
    ~OneShot() { stop(); }
    OneShot(const OneShot&) = delete;
    OneShot& operator=(const OneShot&) = delete;

    void start(guint milliseconds, std::function<void()> fire);
    void stop();
    bool running() const { return source_ != 0; }

private:
    guint source_ = 0;
};

}  // namespace delvaronte
