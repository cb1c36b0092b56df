// Figures the benchmarks print, computed from plain numbers and /proc texts.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace delvaronte::bench {

struct Summary {
    double median = 0;
    double low = 0;   // smallest sample
    double high = 0;  // largest sample
    int count = 0;
};

// Median and range of the samples; count 0 when there are none.
Summary summarize(std::vector<double> samples);

// The "Pss:" figure of a /proc/PID/smaps_rollup text, in KiB.
std::optional<long> pssFromSmapsRollup(const std::string& text);

// The word after `name` on the command line, or the fallback.
std::string option(int argc, char** argv, const char* name, const std::string& fallback);

// Whether `name` is on the command line.
bool flag(int argc, char** argv, const char* name);

// A count given on the command line: a whole number from 1 to 1000, or the fallback.
int countOption(const char* text, int fallback);

// "0.42 s [0.40 - 0.51]" and the like: the median and range of samples, in a unit.
std::string describe(const Summary& summary, const char* unit, int decimals);

}  // namespace delvaronte::bench
