// Where the find bar stands among a page's matches, and how it says so.
#pragma once

#include <string>

namespace delvaronte {

// The match after (or before) current among total, going round at either end; 1 is the first.
constexpr unsigned stepMatch(unsigned current, unsigned total, bool forward) {
    if (total == 0) return 0;
    if (forward) return current >= total ? 1 : current + 1;
    return current <= 1 ? total : current - 1;
}

// "3 sur 120"; "0 sur 0" when nothing matches.
inline std::string matchCount(unsigned current, unsigned total) {
    return std::to_string(current) + " sur " + std::to_string(total);
}

}  // namespace delvaronte
