// The update check's rules: versions, manifests, what the check decides and says.
#include <gtest/gtest.h>

#include "base/Version.h"
#include "update/UpdateChecker.h"
#include "update/rules/Manifest.h"

using namespace delvaronte;

TEST(UpdateRules, VersionsAgainstTheCurrentOne) {
    for (const char* newer : {"3.0.1", "3.0.0.0.0.1", "10.0", "3.x.1", "+3.+0.+1"})
        EXPECT_TRUE(UpdateChecker::isNewerVersion(newer, "3.0.0")) << newer;
    for (const char* older : {"3.0.0", "3", "2.9.9", "3.1-beta", "", "3.0.-1", " 3.0.1",
                              "9223372036854775808.0.1", "3.0.\xD9\xA1"})
        EXPECT_FALSE(UpdateChecker::isNewerVersion(older, "3.0.0")) << older;
    // A piece that is no number is dropped and the next takes its place: 3.beta.1 reads 3.1.
    EXPECT_TRUE(UpdateChecker::isNewerVersion("3.beta.1", "3.0.9"));
    EXPECT_FALSE(UpdateChecker::isNewerVersion("3.0.9", "3.beta.1"));
}

TEST(UpdateRules, ManifestsDecisionsTextsAndDownloadAddresses) {
    EXPECT_EQ(readManifest(R"({"version":"3.1","mac":{"url":"https://dl.ma/a.dmg"}})")->downloadUrl,
              "https://dl.ma/a.dmg");
    EXPECT_EQ(readManifest(R"({"version":"4","mac":{"url":"https://a.ma","n":1}})")->downloadUrl,
              "");
    EXPECT_EQ(readManifest(R"({"version":"4","changelog":7})")->changelog, "");
    for (const char* body : {"", "<html>404</html>", R"({"version":3.1})", R"(["version"])"})
        EXPECT_FALSE(readManifest(body)) << body;

    using Status = FetchResult::Status;
    using Outcome = UpdateOutcome;
    // what was fetched: the silent check's outcome, the asked one's
    const std::tuple<FetchResult, Outcome, Outcome> table[] = {
        {{Status::Failed, ""}, Outcome::Nothing, Outcome::CheckFailed},
        {{Status::TooLarge, R"({"version":"9"})"}, Outcome::Nothing, Outcome::Nothing},
        {{Status::NotAManifest, ""}, Outcome::Nothing, Outcome::Nothing},
        {{Status::Received, "not json"}, Outcome::Nothing, Outcome::Nothing},
        {{Status::Received, R"({"version":")" + std::string(kVersion) + R"("})"},
         Outcome::Nothing,
         Outcome::UpToDate},
        {{Status::Received, R"({"version":"999.1"})"},
         Outcome::UpdateAvailable,
         Outcome::UpdateAvailable}};
    for (const auto& [fetched, silent, asked] : table) {
        EXPECT_EQ(decideUpdate(fetched, true).outcome, silent) << fetched.body;
        EXPECT_EQ(decideUpdate(fetched, false).outcome, asked) << fetched.body;
    }
    const std::string current = "Version actuelle : " + std::string(kVersion);
    EXPECT_EQ(updateAvailableText({"3.1.0", "Corrections", ""}),
              current +
                  "\nNouvelle version : 3.1.0\n\nNouveautes :\nCorrections\n"
                  "\nVoulez-vous telecharger la mise a jour ?");
    EXPECT_EQ(updateAvailableText({"3.1.0", "", ""}),
              current +
                  "\nNouvelle version : 3.1.0\n\n"
                  "Voulez-vous telecharger la mise a jour ?");
    // "Telecharger" hands over web addresses only.
    for (const char* uri : {"https://dl.ma/Delvaronte.deb", "HTTP://dl.ma/"})
        EXPECT_TRUE(isDownloadAddress(uri)) << uri;
    for (const char* uri : {"https://", "mailto:a@b.ma", "https://a.ma/ x", "file:///etc/passwd",
                            "file://serveur/partage/a.deb", "smb://a/b", "-https://a.ma"})
        EXPECT_FALSE(isDownloadAddress(uri)) << uri;
}
