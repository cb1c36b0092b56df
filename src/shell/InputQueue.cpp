#include "shell/InputQueue.h"

#include <algorithm>
#include <string>
#include <vector>

#include "base/GObjectPtr.h"

namespace delvaronte {

namespace {

// The engine's, shared by every view.
InputInFlight& inFlight() {
    static InputInFlight input;
    return input;
}

std::vector<InputQueue*>& queues() {
    static std::vector<InputQueue*> all;
    return all;
}

InputOrder::Kind kindOf(GdkEvent* event) {
    using Kind = InputOrder::Kind;
    switch (gdk_event_get_event_type(event)) {
        case GDK_KEY_PRESS:
            return Kind::KeyPress;
        case GDK_KEY_RELEASE:
            return Kind::KeyRelease;
        case GDK_BUTTON_PRESS:
            return Kind::Press;
        case GDK_BUTTON_RELEASE:
            return Kind::Release;
        case GDK_TOUCH_BEGIN:
            return Kind::TouchBegin;
        case GDK_TOUCH_END:
        case GDK_TOUCH_CANCEL:
            return Kind::TouchEnd;
        case GDK_MOTION_NOTIFY:
        case GDK_SCROLL:
        case GDK_TOUCH_UPDATE:
        case GDK_TOUCHPAD_SWIPE:
        case GDK_TOUCHPAD_PINCH:
        case GDK_PAD_BUTTON_PRESS:
        case GDK_PAD_BUTTON_RELEASE:
        case GDK_PAD_RING:
        case GDK_PAD_STRIP:
        case GDK_PAD_GROUP_MODE:
            return Kind::Flowing;
        default:
            return Kind::Other;
    }
}

InputStamp stampOf(GdkEvent* event) {
    InputStamp stamp;
    stamp.type = gdk_event_get_event_type(event);
    stamp.time = gdk_event_get_time(event);
    if (stamp.type == GDK_KEY_PRESS || stamp.type == GDK_KEY_RELEASE) {
        stamp.detail = gdk_key_event_get_keycode(event);
    } else if (stamp.type == GDK_BUTTON_PRESS || stamp.type == GDK_BUTTON_RELEASE) {
        stamp.detail = gdk_button_event_get_button(event);
    }
    double x = 0, y = 0;
    if (gdk_event_get_position(event, &x, &y)) {
        stamp.x = int(x * 16);
        stamp.y = int(y * 16);
    }
    return stamp;
}

// Given to the display's queue, as if it came from the windowing system again. (Deprecated
// since GTK 4.10 for applications; it is the toolkit's only way to give an event back.)
void giveAgain(GdkEvent* event) {
    G_GNUC_BEGIN_IGNORE_DEPRECATIONS
    gdk_display_put_event(gdk_event_get_display(event), event);
    G_GNUC_END_IGNORE_DEPRECATIONS
}

}  // namespace

InputQueue::InputQueue(WebKitWebView* view)
    : controller_(gtk_event_controller_legacy_new()), order_(inFlight()) {
    // Before the view's own handlers see anything.
    gtk_event_controller_set_propagation_phase(controller_, GTK_PHASE_CAPTURE);
    connectSignal(controller_, "event", &InputQueue::eventCb, this);
    gtk_widget_add_controller(GTK_WIDGET(view), controller_);
    // Every page of the program tells what it sees through the one content manager they share.
    static WebKitUserContentManager* told = nullptr;
    WebKitUserContentManager* content = webkit_web_view_get_user_content_manager(view);
    if (told != content) {
        told = content;
        connectSignal(content,
                      (std::string("script-message-received::") + kInputSeenHandler).c_str(),
                      &InputQueue::seenCb, nullptr);
    }
    queues().push_back(this);
}

InputQueue::~InputQueue() {
    std::erase(queues(), this);
    g_signal_handlers_disconnect_by_data(controller_, this);
    if (settle_ != 0) g_source_remove(settle_);
    for (GdkEvent* event : held_) gdk_event_unref(event);
}

gboolean InputQueue::eventCb(GtkEventControllerLegacy*, GdkEvent* event, InputQueue* self) {
    const bool wasHolding = self->order_.holding();
    const auto verdict = self->order_.arrives(kindOf(event), stampOf(event));
    switch (verdict) {
        case InputOrder::Verdict::Pass:
            return GDK_EVENT_PROPAGATE;
        case InputOrder::Verdict::Resend:
            giveAgain(event);
            return GDK_EVENT_STOP;
        case InputOrder::Verdict::Hold:
            self->held_.push_back(gdk_event_ref(event));
            if (!wasHolding) self->waitForPage();
            return GDK_EVENT_STOP;
    }
    return GDK_EVENT_PROPAGATE;
}

void InputQueue::seenCb(WebKitUserContentManager*, JSCValue* seen, gpointer) {
    const GText what(jsc_value_to_string(seen));
    const auto input = g_strcmp0(what.get(), "key") == 0 ? InputInFlight::Input::Key
                                                         : InputInFlight::Input::Button;
    if (inFlight().seen(input)) {
        releaseAll();
        return;
    }
    // The page is slow, not stuck: what waits gives it the whole time again.
    for (InputQueue* queue : queues()) {
        if (queue->order_.holding()) queue->waitForPage();
    }
}

void InputQueue::waitForPage() {
    limit_.start(kInputWaitMs, [] {
        inFlight().forget();
        releaseAll();
    });
}

void InputQueue::releaseAll() {
    for (InputQueue* queue : std::vector<InputQueue*>(queues())) {
        if (queue->order_.holding()) queue->release();
    }
}

bool InputQueue::inputWaiting() {
    return inFlight().waiting();
}

void InputQueue::pageChanged() {
    inFlight().forget();
    releaseAll();
}

void InputQueue::release() {
    limit_.stop();
    order_.release();
    for (GdkEvent* event : held_) {
        giveAgain(event);
        gdk_event_unref(event);
    }
    held_.clear();
    // The display hands out its queue before anything idle runs: what has not come back by
    // then went elsewhere.
    if (settle_ == 0) {
        settle_ = g_idle_add_full(
            G_PRIORITY_DEFAULT_IDLE,
            +[](gpointer data) -> gboolean {
                auto* self = static_cast<InputQueue*>(data);
                self->settle_ = 0;
                self->order_.settled();
                return G_SOURCE_REMOVE;
            },
            this, nullptr);
    }
}

}  // namespace delvaronte
