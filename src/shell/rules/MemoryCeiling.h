// How far a page's web process may grow before the engine steps in. Past half the ceiling it
// is asked to free what it can (caches, collected script objects), past three quarters
// urgently, and at the ceiling the process is ended: the page shows "La page s'est arretee" and
// its "Recharger", well before the desktop runs short of memory.
#pragma once

#include <cstdint>

namespace delvaronte {

struct MemoryCeiling {
    uint64_t limitMiB;
    double freeAt = 0.5;  // fractions of the limit
    double urgentAt = 0.75;
    double endAt = 1.0;
    double pollSeconds = 5;  // how often the web process looks at its size
};

// The ceiling on a machine with that much memory: two fifths of it, at least 1.5 GiB (below
// that an accounting page has no room) and at most 8 GiB (no page of the application needs
// more; a leak should end before it crowds the rest of the desktop).
MemoryCeiling memoryCeilingFor(uint64_t physicalMiB);

}  // namespace delvaronte
