#include "base/OneShot.h"

#include <utility>

namespace delvaronte {

void OneShot::start(guint milliseconds, std::function<void()> fire) {
    stop();
    struct Pending {
        OneShot* owner;
        std::function<void()> fire;
    };
    source_ = g_timeout_add_full(
        G_PRIORITY_DEFAULT, milliseconds,
        +[](gpointer data) -> gboolean {
            auto* pending = static_cast<Pending*>(data);
            pending->owner->source_ = 0;
            // A copy of its own: what it does may start this timer again, or free its owner.
            const std::function<void()> fire = pending->fire;
            fire();
            return G_SOURCE_REMOVE;
        },
        new Pending{this, std::move(fire)},
        +[](gpointer data) { delete static_cast<Pending*>(data); });
}

void OneShot::stop() {
    if (source_ != 0) g_source_remove(std::exchange(source_, 0));
}

}  // namespace delvaronte
