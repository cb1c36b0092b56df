#include <gtest/gtest.h>

#include <string>

#include "config/AppConfig.h"
#include "config/Base64.h"

using delvaronte::AppConfig;
using delvaronte::base64Decode;
using delvaronte::base64Encode;

namespace {

AppConfig withHash(std::string hash) {
    AppConfig record;
    record.passwordHash = std::move(hash);
    return record;
}

}  // namespace

// Computed with: printf '%s' TEXT | openssl enc -aes-128-cbc -K 4d6f72...5178
//                -iv 4c5639...6b73 -base64 -A   (the key and vector as hex)
TEST(UrlCipher, MatchesIndependentlyComputedVectors) {
    const std::pair<std::string, std::string> vectors[] = {
        {"", "Vnu1B0SHG12F0f5Ztffn8A=="},
        {"https://compta.example.ma", "0lSOw5y5FTNxJY4ll/m5UL40dFNpEDGXjkAc3Cb8JbY="},
        {"https://exemple.fr/\xC3\xA9", "i8iUpHF82L6XcJfgNyoI6B4kI3duW59MVkIWQBT1L50="},
        {"0123456789abcdef", "FgHfjYatCjn0Uyr/Lm23ImtLw7d76T22lbLbZfNBjKY="},
        {"https://a.example/0123456789abcd",
         "qhRNGsYNGs43+mVYHX9WB26TVhysoA2MtqQEVFKumsnAdKpu1ZQbQP6ITdpYxWPo"},
    };
    for (const auto& [plain, cipher] : vectors) {
        SCOPED_TRACE(plain);
        EXPECT_EQ(AppConfig::encrypt(plain), cipher);
        EXPECT_EQ(AppConfig::decrypt(cipher), plain);
    }
}

TEST(UrlCipher, SizesFollowWholeBlocksOfPadding) {
    const std::pair<size_t, size_t> sizes[] = {{0, 24},  {1, 24},  {15, 24}, {16, 44},
                                               {31, 44}, {32, 64}, {47, 64}, {48, 88}};
    for (const auto& [plainBytes, base64Chars] : sizes) {
        SCOPED_TRACE(plainBytes);
        const std::string text(plainBytes, 'a');
        const std::string cipher = AppConfig::encrypt(text);
        EXPECT_EQ(cipher.size(), base64Chars);
        EXPECT_EQ(AppConfig::decrypt(cipher), text);
        EXPECT_EQ(AppConfig::encrypt(text), cipher) << "same text, same cipher";
    }
}

TEST(UrlCipher, RoundTripsUnicodeText) {
    const std::string texts[] = {
        "https://compta.exemple.ma/soci\xC3\xA9t\xC3\xA9?x=1&y=2",
        "https://\xD8\xA7\xD9\x84\xD9\x85\xD8\xBA\xD8\xB1\xD8\xA8.example/",  // Arabic host
        "\xF0\x9F\x93\x8A\xF0\x9F\x93\x88",                                   // astral plane
        "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9",   // exactly 16 bytes
        std::string("nul\0inside", 10),
    };
    for (const auto& text : texts) {
        SCOPED_TRACE(text);
        EXPECT_EQ(AppConfig::decrypt(AppConfig::encrypt(text)), text);
    }
    EXPECT_EQ(AppConfig::encrypt(texts[3]).size(), 44u);
}

TEST(UrlCipher, EveryFailureGivesTheEmptyText) {
    const std::string good = "0lSOw5y5FTNxJY4ll/m5UL40dFNpEDGXjkAc3Cb8JbY=";
    ASSERT_FALSE(AppConfig::decrypt(good).empty());
    const std::pair<const char*, std::string> cases[] = {
        {"empty text", ""},
        {"space inside", "0lSOw5y5FTNxJY4ll/m5UL40 dFNpEDGXjkAc3Cb8JbY="},
        {"line break inside", "0lSOw5y5FTNxJY4ll/m5UL40\ndFNpEDGXjkAc3Cb8JbY="},
        {"trailing line break", good + "\n"},
        {"not a multiple of 16 bytes", "AAAAAAAAAAAAAAAAAAAA"},
        {"one byte short of a block", base64Encode(std::string(15, 'x'))},
        // "x" under key 000102…0f and our vector: the padding check fails.
        {"another key", "2qNF0+bn6cYNjEZKKtC8Sw=="},
        {"URL-safe alphabet", "0lSOw5y5FTNxJY4ll_m5UL40dFNpEDGXjkAc3Cb8JbY="},
    };
    for (const auto& [name, text] : cases) {
        SCOPED_TRACE(name);
        EXPECT_EQ(AppConfig::decrypt(text), "");
    }
    EXPECT_EQ(AppConfig::encrypt("\xC3\x28"), "") << "text that is not UTF-8";

    // Under another vector only the first block changes: the padding still checks out and
    // the result is garbage, never the address.
    const std::string otherVector = "vKZVf5eEOIjh5wyJDZP3SA/lHd784keg1yIUC3zFbY8=";
    EXPECT_NE(AppConfig::decrypt(otherVector), "https://compta.example.ma");
    EXPECT_TRUE(AppConfig::decrypt(otherVector).ends_with("xample.ma"));
}

TEST(UrlCipher, DecryptedBytesThatAreNotUtf8GiveTheEmptyText) {
    // Valid cipher and padding under our key, but the plain bytes are not UTF-8:
    // "https://" + FF FE, and an encoded surrogate (ED A0 80), made with openssl as above.
    EXPECT_EQ(AppConfig::decrypt("4cIXA4XJdixOB0geFENzCQ=="), "");
    EXPECT_EQ(AppConfig::decrypt("DwjV0gut2n7TT/a42+h+7A=="), "");
}

TEST(StrictBase64, DecodesOnlyCanonicalText) {
    EXPECT_EQ(base64Decode(""), std::string());
    EXPECT_EQ(base64Decode("TWFu"), std::string("Man"));
    EXPECT_EQ(base64Decode("TWE="), std::string("Ma"));
    EXPECT_EQ(base64Decode("TQ=="), std::string("M"));
    EXPECT_EQ(base64Decode("+/+/"), std::string("\xFB\xFF\xBF"));

    const char* rejected[] = {
        "TWF",  "TQ=",    "TQ",    "T===",  "====",     "TQ==TQ==",
        "TW=u", "TWE=\n", " TWFu", "TWFu ", "TW\tu",    "TWF-",
        "TWF_", "TR==",   "TWF=",  "TWFu=", "TWFu====", "\xC3\xA9\xC3\xA9",
    };
    for (const char* text : rejected) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(base64Decode(text).has_value());
    }
}

TEST(StrictBase64, RoundTripsEveryByteAndLength) {
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    for (size_t length = 0; length <= all.size(); length += 37) {
        const std::string bytes = all.substr(0, length);
        EXPECT_EQ(base64Decode(base64Encode(bytes)), bytes);
    }
    EXPECT_EQ(base64Encode("M"), "TQ==");
    EXPECT_EQ(base64Encode("Ma"), "TWE=");
}

// Computed with: printf 'PREFIX%s' PASSWORD | openssl dgst -sha256 -binary | base64
TEST(PasswordHash, MatchesIndependentlyComputedDigests) {
    EXPECT_EQ(AppConfig::hashPassword(""), "w3E2Rnga8d+2mVWAJzVJ1dzg8JZ+pD1ab1XDqOUgPeM=");
    EXPECT_EQ(AppConfig::hashPassword("motdepasse"),
              "RmAWZyZUnXk9UGodZZFrES3YsAuDLQmW1zrra36I5vE=");
    EXPECT_EQ(AppConfig::hashPassword(" motdepasse"),
              "SIUCs73/3drTg9+pgdQPFXmms2WUr/cukQliasau5Cw=");
}

TEST(PasswordHash, Is44CharactersEndingInPaddingForEveryPassword) {
    const std::string passwords[] = {"", " ", "abcd", "\xC3\xA9\xC3\xA9", std::string(1000, 'p')};
    for (const auto& password : passwords) {
        const std::string hash = AppConfig::hashPassword(password);
        EXPECT_EQ(hash.size(), 44u);
        EXPECT_EQ(hash.back(), '=');
    }
    EXPECT_NE(AppConfig::hashPassword("abcd"), AppConfig::hashPassword("abcd "));
    EXPECT_NE(AppConfig::hashPassword("abcd"), AppConfig::hashPassword("ABCD"));
}

TEST(PasswordHash, VerifiesOnlyTheExactPassword) {
    const AppConfig record = withHash(AppConfig::hashPassword("motdepasse"));
    EXPECT_TRUE(record.verifyPassword("motdepasse"));
    EXPECT_FALSE(record.verifyPassword(" motdepasse"));
    EXPECT_FALSE(record.verifyPassword("motdepasse "));
    EXPECT_FALSE(record.verifyPassword("MOTDEPASSE"));
    EXPECT_FALSE(record.verifyPassword(""));

    // A hash taken under another prefix does not verify.
    EXPECT_FALSE(
        withHash("0O/lsDheuKw9qxesdTMDlO6rqGflrpIdHkV2ZfOiXCM=").verifyPassword("motdepasse"));
}

TEST(PasswordHash, EmptyStoredHashNeverVerifies) {
    const AppConfig record;
    for (const char* typed : {"", " ", "motdepasse"}) EXPECT_FALSE(record.verifyPassword(typed));
    // A password that cannot be hashed gives an empty hash: it must not match the empty one.
    EXPECT_EQ(AppConfig::hashPassword("\xFF\xFE"), "");
    EXPECT_FALSE(record.verifyPassword("\xFF\xFE"));
}
