// "Copier les informations pour l'assistance": what support needs to know of a desk, as one
// text. Only what cannot give a secret away goes in: hosts without their paths or queries,
// proxy hosts without their users, an office's address setting as its origin, a folder as set
// or not, never a cookie, a password or what was typed.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace delvaronte {

inline constexpr std::size_t kSupportTextLimit = 64 * 1024;
inline constexpr std::size_t kFailedLoadsKept = 20;

struct SupportFacts {
    std::string program, toolkits, display, drawing, proxies;
    std::vector<std::string> settings;      // "key = value (source)"
    std::vector<std::string> certificates;  // "what: SHA-256 fingerprint"
    std::string lastProcessEnd;             // when and why; empty when none ended
    std::vector<std::string> failedLoads;   // "when host: error", oldest first
};

// The facts as text, cut to kSupportTextLimit bytes at a line's end.
std::string supportText(const SupportFacts& facts);

// An address as support may see it: its scheme and host alone.
std::string addressForSupport(const std::string& uri);

// Keeps the last kFailedLoadsKept lines of a growing list.
void keepLast(std::vector<std::string>& lines, std::string line);

}  // namespace delvaronte
