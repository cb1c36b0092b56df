// Holds a pointer press on a view, and what follows it, while keys typed before it have not
// reached the page yet; then gives them to the view again, in their order.
#pragma once

#include <webkit/webkit.h>

#include <deque>

#include "base/OneShot.h"
#include "shell/rules/InputOrder.h"

namespace delvaronte {

class InputQueue {
public:
    explicit InputQueue(WebKitWebView* view);
    ~InputQueue();
    InputQueue(const InputQueue&) = delete;
    InputQueue& operator=(const InputQueue&) = delete;

    // The page went (a new one committed, its process ended): the keys it was given will not
    // all be seen, and nothing waits for them any more.
    void pageChanged();

private:
    static gboolean eventCb(GtkEventControllerLegacy*, GdkEvent* event, InputQueue* self);
    static void keySeenCb(WebKitUserContentManager*, JSCValue*, gpointer);
    static void releaseAll();
    void release();

    GtkEventController* controller_;  // the view's
    InputOrder order_;
    std::deque<GdkEvent*> held_;  // each with a reference of ours
    OneShot limit_;
    guint settle_ = 0;
};

}  // namespace delvaronte
