// How far pages may go before the program steps in.
#pragma once

namespace delvaronte {

// Pages that open windows in a loop get no more than this many at once.
inline constexpr unsigned kMaxOpenPopups = 20;
// A page whose web process has not answered for this long is asked about (the engine first
// finds it unresponsive after a few seconds of its own).
inline constexpr unsigned kStuckPageWaitSeconds = 5;
// A home page that has not started to arrive by then counts as failed.
inline constexpr unsigned kHomeLoadTimeoutSeconds = 30;

}  // namespace delvaronte
