// The figures the benchmark programs print rest on these readings of /proc and on the medians.
#include <gtest/gtest.h>

#include "Measure.h"

using namespace delvaronte::bench;

TEST(BenchMeasure, MedianAndRangeOfOddAndEvenCountsInAnyOrder) {
    const Summary odd = summarize({0.9, 0.7, 1.4});
    EXPECT_DOUBLE_EQ(odd.median, 0.9);
    EXPECT_DOUBLE_EQ(odd.low, 0.7);
    EXPECT_DOUBLE_EQ(odd.high, 1.4);
    EXPECT_DOUBLE_EQ(summarize({4, 1, 3, 2}).median, 2.5);
    EXPECT_EQ(summarize({}).count, 0);
    EXPECT_EQ(describe(summarize({0.9, 0.7, 1.4}), "s", 3), "0.900 s [0.700 - 1.400]");
}

TEST(BenchMeasure, CountsOnTheCommandLine) {
    EXPECT_EQ(countOption("12", 7), 12);
    for (const char* bad : {"", "abc", "3x", "0", "-2", "99999999999999999999"}) {
        EXPECT_EQ(countOption(bad, 7), 7) << bad;
    }
    EXPECT_EQ(countOption(nullptr, 7), 7);
}

TEST(BenchMeasure, TheTreeHoldsGrandchildrenOnceAndNothingElse) {
    // 10 -> 11 -> 13 -> 14, 10 -> 12; 20 and its child 21 are another program.
    const std::map<int, int> parents{{10, 1},  {11, 10}, {12, 10}, {13, 11},
                                     {14, 13}, {20, 1},  {21, 20}};
    EXPECT_EQ(descendants(10, parents), (std::vector<int>{10, 11, 12, 13, 14}));
    EXPECT_EQ(descendants(99, parents), (std::vector<int>{99})) << "a process already gone";
}

TEST(BenchMeasure, StatLinesWithAwkwardNamesAndRollupTexts) {
    // Fields after the name: state ppid pgrp session tty tpgid flags minflt cminflt majflt
    // cmajflt utime stime ...
    const auto stat = parseStat("4242 (Web Content) (x)) S 4200 1 1 0 -1 0 5 0 0 0 130 70 0 0");
    ASSERT_TRUE(stat.has_value());
    EXPECT_EQ(stat->parent, 4200);
    EXPECT_EQ(stat->ticks, 200);
    EXPECT_FALSE(parseStat("").has_value());
    EXPECT_FALSE(parseStat("12 (cut short) S 1 2").has_value());

    EXPECT_EQ(pssFromSmapsRollup("55e0-7ffd ---p 00000000 00:00 0 [rollup]\n"
                                 "Rss:              215040 kB\n"
                                 "Pss:              180224 kB\n"
                                 "Pss_Anon:         120000 kB\n"),
              180224);
    EXPECT_FALSE(pssFromSmapsRollup("").has_value()) << "a process that ended meanwhile";
}
