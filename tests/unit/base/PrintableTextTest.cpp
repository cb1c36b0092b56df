// Text shown to a person: nothing in it can draw a line, a sequence or a direction of its own.
#include <gtest/gtest.h>

#include "base/PrintableText.h"

using namespace delvaronte;

TEST(PrintableText, ControlsSeparatorsAndDirectionsAreShownNotObeyed) {
    const std::pair<std::string, std::string> cases[] = {
        {"Soci\xC3\xA9t\xC3\xA9 \xE2\x82\xAC", "Soci\xC3\xA9t\xC3\xA9 \xE2\x82\xAC"},
        {"a\nb\r\x1b[2J\x7f", "a\\x0ab\\x0d\\x1b[2J\\x7f"},
        {"\xC2\x9B" "2J", "\\xc2\\x9b2J"},
        {"compta\xE2\x80\xA8" "exemple.ma", "compta\\u2028exemple.ma"},
        {"\xE2\x80\xA9\xE2\x80\xAE" "exe.\xE2\x81\xA9\xE2\x80\x8F\xD8\x9C",
         "\\u2029\\u202Eexe.\\u2069\\u200F\\u061C"},
        {"Latin-1 \xE9t\xE9", "Latin-1 \\xe9t\\xe9"},
        {"cut \xE2\x80", "cut \\xe2\\x80"}};
    for (const auto& [text, shown] : cases) EXPECT_EQ(printable(text), shown) << shown;
    EXPECT_EQ(printable(std::string(3000, 'x'), 100), std::string(100, 'x') + "...");
    EXPECT_EQ(printable("\xC3\xA9\xC3\xA9\xC3\xA9", 2), "\xC3\xA9\xC3\xA9...");
    EXPECT_EQ(printable("abc", 3), "abc");
}
