#include "Measure.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>

namespace delvaronte::bench {

Summary summarize(std::vector<double> samples) {
    Summary s;
    if (samples.empty()) return s;
    std::sort(samples.begin(), samples.end());
    const std::size_t n = samples.size();
    s.median = n % 2 == 1 ? samples[n / 2] : (samples[n / 2 - 1] + samples[n / 2]) / 2;
    s.low = samples.front();
    s.high = samples.back();
    s.count = static_cast<int>(n);
    return s;
}

std::optional<long> pssFromSmapsRollup(const std::string& text) {
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        long kib = 0;
        if (std::sscanf(line.c_str(), "Pss: %ld kB", &kib) == 1) return kib;
    }
    return std::nullopt;
}

std::string option(int argc, char** argv, const char* name, const std::string& fallback) {
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], name) == 0) return argv[i + 1];
    }
    return fallback;
}

bool flag(int argc, char** argv, const char* name) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], name) == 0) return true;
    }
    return false;
}

int countOption(const char* text, int fallback) {
    if (text == nullptr) return fallback;
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    return end != text && *end == '\0' && value >= 1 && value <= 1000 ? static_cast<int>(value)
                                                                      : fallback;
}

std::string describe(const Summary& summary, const char* unit, int decimals) {
    char text[128];
    std::snprintf(text, sizeof text, "%.*f %s [%.*f - %.*f]", decimals, summary.median, unit,
                  decimals, summary.low, decimals, summary.high);
    return text;
}

}  // namespace delvaronte::bench
