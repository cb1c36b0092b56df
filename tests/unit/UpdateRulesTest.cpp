#include <gtest/gtest.h>

#include <string>

#include "ui/SystemOpener.h"
#include "update/Manifest.h"
#include "update/UpdateChecker.h"

using namespace delvaronte;

TEST(VersionComparison, AgainstTheCurrentVersion) {
    const std::pair<std::string, bool> cases[] = {
        {"3.0.0", false},
        {"3.0", false},
        {"3", false},
        {"3.0.1", true},
        {"3.0.0.1", true},
        {"3.0.0.0.0.0.0.0.0.0.0.0.1", true},
        {"3.0.0.0.0.0.0.0.0.0.0.0.0", false},
        {"10.0", true},
        {"2.9.9", false},
        {"3.1-beta", false},
        {"3.x.1", true},
        {"3..1", true},
        {".3.0.1.", true},
        {"V3.1", false},
        {"", false},
        {"...", false},
        {"+3.+0.+1", true},
        {"3.0.-1", false},
        {"-4", false},
        {"3.0.+-1", false},
        {"3.0.1 ", false},
        {" 3.0.1", false},
        {"3.0.١", false},  // Arabic-Indic digit one: not a decimal digit here
        {"9223372036854775807", true},
        {"9223372036854775808.0.1", false},  // out of range: dropped, 0 and 1 move up
        {"3.9223372036854775808.1", true},   // 3, 1
        {"-9223372036854775808", false},
    };
    for (const auto& [candidate, newer] : cases) {
        SCOPED_TRACE(candidate);
        EXPECT_EQ(UpdateChecker::isNewerVersion(candidate, "3.0.0"), newer);
    }
}

TEST(VersionComparison, GeneralRules) {
    EXPECT_FALSE(UpdateChecker::isNewerVersion("", ""));
    EXPECT_FALSE(UpdateChecker::isNewerVersion("1.2", "1.2.0.0"));
    EXPECT_TRUE(UpdateChecker::isNewerVersion("1.2.0.0.1", "1.2"));
    EXPECT_TRUE(UpdateChecker::isNewerVersion("-1", "-2"));
    EXPECT_FALSE(UpdateChecker::isNewerVersion("-2", "-1"));
    EXPECT_TRUE(UpdateChecker::isNewerVersion("0.0.1", ""));
    EXPECT_FALSE(UpdateChecker::isNewerVersion("0.0.-1", ""));
    EXPECT_TRUE(UpdateChecker::isNewerVersion("9223372036854775807", "-9223372036854775808"));
}

TEST(ManifestReading, ReadsVersionChangelogAndDownloadAddress) {
    auto manifest = readManifest(
        R"({"version":"3.1.0","changelog":"Corrections","mac":{"url":"https://dl.exemple.ma/a.dmg","sha":"x"},"other":1})");
    ASSERT_TRUE(manifest.has_value());
    EXPECT_EQ(manifest->version, "3.1.0");
    EXPECT_EQ(manifest->changelog, "Corrections");
    EXPECT_EQ(manifest->downloadUrl, "https://dl.exemple.ma/a.dmg");

    const std::pair<const char*, std::string> downloads[] = {
        {R"({"version":"4","mac":{"url":"https://a.ma","size":12}})", ""},
        {R"({"version":"4","mac":{"url":"https://a.ma","meta":{}}})", ""},
        {R"({"version":"4","mac":{"url":"https://a.ma","n":null}})", ""},
        {R"({"version":"4","mac":{"file":"https://a.ma"}})", ""},
        {R"({"version":"4","mac":{"url":""}})", ""},
        {R"({"version":"4","mac":"https://a.ma"})", ""},
        {R"({"version":"4","mac":["https://a.ma"]})", ""},
        {R"({"version":"4","url":"https://a.ma"})", ""},
    };
    for (const auto& [body, url] : downloads) {
        SCOPED_TRACE(body);
        ASSERT_TRUE(readManifest(body).has_value());
        EXPECT_EQ(readManifest(body)->downloadUrl, url);
    }
    EXPECT_EQ(readManifest(R"({"version":"4","changelog":7})")->changelog, "");
    EXPECT_EQ(readManifest(R"({"version":"4","changelog":"   "})")->changelog, "   ");
}

TEST(ManifestReading, UnusableBodies) {
    const char* bodies[] = {
        "",
        "<html><body>404 Not Found</body></html>",
        R"(["version","3.1"])",
        R"("3.1")",
        R"({"version":3.1})",
        R"({"version":null})",
        R"({"Version":"3.1"})",
        R"({"version":"3.1")",
    };
    for (const char* body : bodies) {
        SCOPED_TRACE(body);
        EXPECT_FALSE(readManifest(body).has_value());
    }
}

TEST(UpdateDecision, FollowsTheOutcomeTable) {
    using Status = FetchResult::Status;
    struct Case {
        FetchResult fetched;
        UpdateOutcome silent;
        UpdateOutcome asked;
    };
    const Case cases[] = {
        {{Status::Failed, ""}, UpdateOutcome::Nothing, UpdateOutcome::CheckFailed},
        {{Status::TooLarge, ""}, UpdateOutcome::Nothing, UpdateOutcome::Nothing},
        {{Status::Received, "not json"}, UpdateOutcome::Nothing, UpdateOutcome::Nothing},
        {{Status::Received, R"({"version":3.1})"}, UpdateOutcome::Nothing, UpdateOutcome::Nothing},
        {{Status::Received, R"({"version":"3.0"})"},
         UpdateOutcome::Nothing,
         UpdateOutcome::UpToDate},
        {{Status::Received, R"({"version":"2.9.9"})"},
         UpdateOutcome::Nothing,
         UpdateOutcome::UpToDate},
        {{Status::Received, R"({"version":"3.0.1"})"},
         UpdateOutcome::UpdateAvailable,
         UpdateOutcome::UpdateAvailable},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fetched.body);
        EXPECT_EQ(decideUpdate(c.fetched, true).outcome, c.silent);
        EXPECT_EQ(decideUpdate(c.fetched, false).outcome, c.asked);
    }
    EXPECT_EQ(decideUpdate({Status::Received, R"({"version":"3.0.1"})"}, true).manifest.version,
              "3.0.1");
}

TEST(UpdateAlertText, WithAndWithoutChangelog) {
    EXPECT_EQ(updateAvailableText({"3.1.0", "Corrections", ""}),
              "Version actuelle : 3.0.0\nNouvelle version : 3.1.0\n\nNouveautes :\nCorrections\n"
              "\nVoulez-vous telecharger la mise a jour ?");
    EXPECT_EQ(updateAvailableText({"3.1.0", "", ""}),
              "Version actuelle : 3.0.0\nNouvelle version : 3.1.0\n\n"
              "Voulez-vous telecharger la mise a jour ?");
    EXPECT_EQ(updateAvailableText({" 3.1 rc ", "  ", ""}),
              "Version actuelle : 3.0.0\nNouvelle version :  3.1 rc \n\nNouveautes :\n  \n"
              "\nVoulez-vous telecharger la mise a jour ?");
}

TEST(HandOffs, OnlyWebAddressesAreDownloadsAndOnlyFourSchemesLeaveTheProgram) {
    const std::pair<std::string, bool> downloads[] = {
        {"https://dl.exemple.ma/Delvaronte.deb", true},
        {"http://dl.exemple.ma/", true},
        {"HTTPS://dl.exemple.ma/", true},
        {"", false},
        {"https://", false},
        {"dl.exemple.ma/file", false},
        {"file:///etc/passwd", false},
        {"smb://serveur/partage", false},
        {"javascript:alert(1)", false},
        {"mailto:compta@exemple.ma", false},
        {"-https://dl.exemple.ma/", false},
        {"https://dl.exemple.ma/a b", false},
    };
    for (const auto& [url, accepted] : downloads) {
        SCOPED_TRACE(url);
        EXPECT_EQ(isDownloadAddress(url), accepted);
    }

    const std::pair<std::string, bool> schemes[] = {
        {"https://a.ma/", true},
        {"HTTP://a.ma/", true},
        {"mailto:a@b.ma", true},
        {"tel:+212500000000", true},
        {"https://a.ma/taux?t=20%", true},
        {"mailto:a@b.ma?subject=Soci%E9t%E9", true},
        {"https://a.ma/ x", false},
        {"https://a.ma/\nx", false},
        {"file:///etc/passwd", false},
        {"smb://a/b", false},
        {"javascript:x", false},
        {"data:text/html,x", false},
        {"ms-settings:x", false},
        {"", false},
        {"--help", false},
        {"-https://a.ma", false},
    };
    for (const auto& [uri, handled] : schemes) {
        SCOPED_TRACE(uri);
        EXPECT_EQ(isSystemHandledScheme(uri), handled);
    }
}
