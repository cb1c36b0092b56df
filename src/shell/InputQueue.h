// Holds a mouse press or a touch on a view, and what follows it, while keys typed before it
// have not reached the page yet, and a key while the mouse buttons before it have not; then
// gives them to the view again, in their order.
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

    // The page went (a new one committed, its process ended): what it was given will not all
    // be seen, and nothing waits for it any more.
    void pageChanged();
    // Whether keys or buttons given to the engine have not reached their page yet.
    static bool inputWaiting();

private:
    static gboolean eventCb(GtkEventControllerLegacy*, GdkEvent* event, InputQueue* self);
    static void seenCb(WebKitUserContentManager*, JSCValue* seen, gpointer);
    static void releaseAll();
    // What waits goes anyway if the page sees nothing more within kInputWaitMs.
    void waitForPage();
    void release();

    GtkEventController* controller_;  // the view's
    InputOrder order_;
    std::deque<GdkEvent*> held_;  // each with a reference of ours
    OneShot limit_;
    guint settle_ = 0;
};

}  // namespace delvaronte
