// What the program keeps about one web view, for as long as the view lives: read by the
// page loads, the page dialogs, the pop-ups and the downloads alike.
#pragma once

#include <webkit/webkit.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "shell/rules/PageDialogGuard.h"

namespace delvaronte {

class ModalAlert;

// A one-shot timer that goes with whatever holds it; starting it again drops the one before.
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

struct ViewRecord {
    // Our error or stopped page was asked for and has not committed yet.
    bool placeholderPending = false;
    // A page of its own has committed in the view at least once.
    bool committedOnce = false;
    // A pop-up opened only to fetch a file: hidden, and closed when the download ends.
    bool downloadOnly = false;
    // When an address was last handed to the system (monotonic microseconds).
    std::optional<int64_t> lastHandOff;
    PageDialogGuard dialogs;
    // The last navigation decided for the view sent a form.
    bool formSent = false;
    // The form last sent from the view's page: that page and what was typed in it (as JSON),
    // kept until the next page; whether its send failed; whether its page is on its way back
    // to be filled again.
    struct SentForm {
        std::string page, fields;
        bool failed = false;
        bool refill = false;
    } sentForm;
    // A page whose process does not answer: the wait before asking, the question while open.
    OneShot stuckTimer;
    ModalAlert* stuckAlert = nullptr;
    // The error page trying again by itself: the address, which retry comes next, its timer.
    struct Retry {
        std::string uri;
        int attempt = 0;
        OneShot timer;          // until the next retry is due
        bool due = false;       // due, waiting for the network, the window or a load to end
        bool inFlight = false;  // the retry's load is under way
    } retry;
};

// The view's record, made on first use and freed with the view.
ViewRecord& recordOf(WebKitWebView* view);

}  // namespace delvaronte
