// When the error page tries again by itself: a server that could not be reached is asked again
// on a schedule, as browsers do, never while there is no network, the window is out of sight
// or another load is under way; a refused certificate, the server's own answer and a form
// that was being sent are never retried by themselves.
#pragma once

#include <glib.h>

#include <cstdint>
#include <optional>
#include <string>

namespace delvaronte {

enum class LoadFailure { Unreachable, Certificate, Other };

// A failed load's error as the engine reports it (its domain and code).
LoadFailure classifyLoadFailure(GQuark domain, int code);

// Whether such a failure is retried by itself; a form that was being sent never is.
bool retriesByItself(LoadFailure failure, bool formWasSent);

// Milliseconds before retry number attempt (0 the first): 1 s, 5 s, 30 s, 1 min, 5 min,
// 10 min, then every 30 min.
int64_t retryDelayMs(int attempt);

struct RetryMoment {
    bool networkAvailable;
    bool windowShown;  // visible and not minimised
    bool loading;      // another load of that view is under way
};

// Whether a retry that is due may go now; otherwise it waits for the moment to change.
bool mayRetryNow(const RetryMoment& moment);

// One page's retries: scheduled by a failure, due when their wait is over (or the network came
// back), in flight once their load has gone, ended by a page of its own or the user's
// navigation. The caller keeps the clock: it waits retryDelayMs(attempt()) after failed().
class RetryState {
public:
    // The server at uri could not be reached: a retry is scheduled. True when this was the
    // page's own load, whose error page is to be shown; false when it was a retry's, which
    // leaves the error page as it is.
    bool failed(std::string uri);
    // The wait is over.
    void timeUp() { due_ = true; }
    // The network came back: a retry still waiting is due at once; true when one was (the
    // caller drops its clock).
    bool networkBack();
    // A retry that is due, when the moment lets it go: its address, to load now.
    std::optional<std::string> start(const RetryMoment& moment);
    void cancel() { *this = RetryState(); }

    bool scheduled() const { return !uri_.empty(); }
    bool due() const { return due_; }
    // Which retry comes next (0 the first).
    int attempt() const { return attempt_; }

private:
    std::string uri_;
    int attempt_ = 0;
    bool due_ = false;
    bool inFlight_ = false;
};

}  // namespace delvaronte
