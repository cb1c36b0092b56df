// When the error page tries again by itself: a server that could not be reached is asked again
// on a schedule, as browsers do, never while there is no network, the window is out of sight
// or another load is under way; a refused certificate, the server's own answer and a form
// that was being sent are never retried by themselves.
#pragma once

#include <glib.h>

#include <cstdint>

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

}  // namespace delvaronte
