#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "dialogs/EntryRules.h"

using namespace delvaronte;

namespace {

// Spelled out so the tables read as what a person types.
const std::string kNbsp = "\xC2\xA0";           // U+00A0 no-break space (Zs)
const std::string kEmSpace = "\xE2\x80\x83";    // U+2003 (Zs)
const std::string kIdeoSpace = "\xE3\x80\x80";  // U+3000 (Zs)
const std::string kZeroWidth = "\xE2\x80\x8B";  // U+200B, a format character, not Zs
const std::string kAcute = "\xCC\x81";          // U+0301 combining acute accent
const std::string kEAcute = "\xC3\xA9";         // U+00E9 precomposed
const std::string kFamily =
    "\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x91\xA7";
const std::string kFlagMa = "\xF0\x9F\x87\xB2\xF0\x9F\x87\xA6";  // regional indicators M A

}  // namespace

TEST(EntryTrimming, RemovesSpaceSeparatorsAndTabsOnlyAtBothEnds) {
    const std::pair<std::string, std::string> cases[] = {
        {"  https://a.ma\t ", "https://a.ma"},
        {"\t\thttps://a.ma", "https://a.ma"},
        {kNbsp + kEmSpace + "https://a.ma" + kIdeoSpace, "https://a.ma"},
        {"https://a b.ma", "https://a b.ma"},
        {"\nhttps://a.ma\n", "\nhttps://a.ma\n"},
        {" \r\nhttps://a.ma ", "\r\nhttps://a.ma"},
        {kZeroWidth + "https://a.ma", kZeroWidth + "https://a.ma"},
        {" \t " + kNbsp, ""},
        {"", ""},
        {" \xFF ", "\xFF"},
    };
    for (const auto& [typed, trimmed] : cases) {
        SCOPED_TRACE(typed);
        EXPECT_EQ(trimEntry(typed), trimmed);
    }
}

TEST(EntryCounting, CountsUserPerceivedCharacters) {
    const std::pair<std::string, size_t> cases[] = {
        {"", 0},
        {"abc", 3},
        {"    ", 4},
        {kEAcute + kEAcute + kEAcute, 3},
        {"e" + kAcute + "e" + kAcute + "e" + kAcute + "e" + kAcute, 4},
        {kFamily, 1},
        {kFlagMa + kFlagMa, 2},
        {"\r\n", 1},
        {"\xED\x95\x9C\xEA\xB8\x80", 2},  // two precomposed Hangul syllables
    };
    for (const auto& [text, count] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(countCharacters(text), count);
    }
}

TEST(EntryComparison, CanonicallyEquivalentTextsAreEqual) {
    EXPECT_TRUE(textsEqual("abcd", "abcd"));
    EXPECT_TRUE(textsEqual("caf" + kEAcute, "cafe" + kAcute));
    EXPECT_TRUE(textsEqual("\xE2\x84\xAB", "\xC3\x85"));  // Angstrom sign and A with ring
    EXPECT_FALSE(textsEqual("abcd", "abce"));
    EXPECT_FALSE(textsEqual("abcd", "abcd "));
    EXPECT_FALSE(textsEqual("abcd", "ABCD"));
    EXPECT_FALSE(textsEqual("\xEF\xAC\x81", "fi")) << "compatibility is not canonical equivalence";
    EXPECT_FALSE(textsEqual("ab\xFF", "ab\xFE")) << "ill-formed bytes are not all alike";
}

TEST(EntryRules, UrlRule) {
    const std::pair<std::string, bool> cases[] = {
        {"https://compta.exemple.ma", true},
        {"http://10.0.0.5:8080/app", true},
        {"https://", true},
        {"http://", true},
        {"", false},
        {"HTTPS://compta.exemple.ma", false},
        {"Http://compta.exemple.ma", false},
        {"ftp://compta.exemple.ma", false},
        {"compta.exemple.ma", false},
        {"https:/compta.exemple.ma", false},
        {"\nhttps://compta.exemple.ma", false},
    };
    for (const auto& [url, accepted] : cases) {
        SCOPED_TRACE(url);
        const auto failure = checkUrlRule(url);
        EXPECT_EQ(!failure.has_value(), accepted);
        if (failure) {
            EXPECT_EQ(*failure, "L'URL doit commencer par http:// ou https://");
        }
    }
}

TEST(EntryRules, SetupReportsOnlyTheFirstFailure) {
    const std::string url = "https://a.ma";
    const std::string length = "Le mot de passe doit contenir au moins 4 caracteres.";
    const std::string match = "Les mots de passe ne correspondent pas.";
    const std::string urlMessage = "L'URL doit commencer par http:// ou https://";
    struct Case {
        std::string url, password, confirmation;
        std::optional<std::string> message;
    };
    const Case cases[] = {
        {"", "ab", "cd", urlMessage},
        {url, "abc", "abc", length},
        {url, "abc", "xyz", length},
        {url, "", "", length},
        {url, "   ", "   ", length},
        {url, "    ", "    ", std::nullopt},
        {url, "abcd", "abcd", std::nullopt},
        {url, "abcd", "abce", match},
        {url, "e" + kAcute + "e" + kAcute + "e" + kAcute + "e" + kAcute,
         kEAcute + kEAcute + kEAcute + kEAcute, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.password + "|" + c.confirmation);
        const auto failure = firstSetupFailure(c.url, c.password, c.confirmation);
        ASSERT_EQ(failure.has_value(), c.message.has_value());
        if (failure) {
            EXPECT_EQ(std::string(*failure), *c.message);
        }
    }
}

TEST(EntryRules, EditorChecksPasswordsOnlyWhenANewOneIsTyped) {
    const std::string url = "https://a.ma";
    EXPECT_FALSE(firstEditFailure(url, "", "anything").has_value());
    EXPECT_EQ(firstEditFailure(url, "abc", "xyz"), kLengthRuleMessage);
    EXPECT_EQ(firstEditFailure(url, "abcd", "abcx"), kMatchRuleMessage);
    EXPECT_FALSE(firstEditFailure(url, "abcd", "abcd").has_value());
    EXPECT_EQ(firstEditFailure("ftp://a.ma", "abcd", "abcd"), kUrlRuleMessage);
}
