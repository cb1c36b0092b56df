// The update check end to end: a real fetch from a local server, the real alerts.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "AlertDriver.h"
#include "LocalServer.h"
#include "ui/SystemOpener.h"
#include "update/UpdateChecker.h"

using namespace delvaronte;
using delvaronte::testing::AlertDriver;
using delvaronte::testing::LocalServer;
using delvaronte::testing::ShownAlert;
using delvaronte::testing::waitUntil;

namespace {

constexpr char kJson[] = "application/json";
const std::string kUpToDate = "Vous utilisez la derniere version (3.0.0).";
const std::string kCheckFailed =
    "Impossible de verifier les mises a jour.\nVerifiez votre connexion internet.";

class UpdateCheck : public ::testing::Test {
protected:
    void SetUp() override {
        setSystemOpenerForTesting([this](const std::string& uri) { opened_.push_back(uri); });
    }
    void TearDown() override { setSystemOpenerForTesting(nullptr); }

    // Runs one check to its end and gives its outcome.
    UpdateOutcome check(const std::string& url, bool silent, unsigned timeoutSeconds = 10) {
        std::optional<UpdateOutcome> outcome;
        UpdateCheckSettings settings;
        settings.manifestUrl = url;
        settings.timeoutSeconds = timeoutSeconds;
        settings.onFinished = [&](UpdateOutcome o) { outcome = o; };
        UpdateChecker::checkForUpdates(silent, settings);
        EXPECT_FALSE(outcome.has_value()) << "the check must not finish before it returns";
        EXPECT_TRUE(waitUntil([&] { return outcome.has_value(); }, 30));
        return outcome.value_or(UpdateOutcome::Nothing);
    }

    std::vector<std::string> opened_;
};

}  // namespace

TEST_F(UpdateCheck, OutcomesBySilentAndAskedChecks) {
    LocalServer server;
    server.serve("/current", 200, kJson, R"({"version":"3.0.0"})");
    server.serve("/short", 200, kJson, R"({"version":"3.0"})");
    server.serve("/older", 200, kJson, R"({"version":"2.9.9","mac":{"url":"https://a.ma"}})");
    server.serve("/number", 200, kJson, R"({"version":3.1})");
    server.serve("/missing", 404, "text/html", "<html><body><h1>404</h1></body></html>");
    server.serve("/garbage", 200, "text/plain", "version=3.1");
    // A manifest that would announce a version, but far too long to be one.
    server.serve("/huge", 200, kJson,
                 R"({"version":"9.0","pad":")" + std::string(1024 * 1024, ' ') + "\"}");
    server.hang("/silence");
    LocalServer secure(DELVARONTE_FIXTURES "/self-signed.pem");
    secure.serve("/applications/version.json", 200, kJson, R"({"version":"9.0"})");
    const std::string refused =
        "http://127.0.0.1:" + std::to_string(LocalServer::closedPort()) + "/version.json";

    struct Case {
        std::string name;
        std::string url;
        UpdateOutcome asked;
        std::string text;  // what the asked check's alert says
    };
    const Case cases[] = {
        {"3.0.0", server.url("/current"), UpdateOutcome::UpToDate, kUpToDate},
        {"3.0", server.url("/short"), UpdateOutcome::UpToDate, kUpToDate},
        {"2.9.9", server.url("/older"), UpdateOutcome::UpToDate, kUpToDate},
        {"version as a number", server.url("/number"), UpdateOutcome::Nothing, ""},
        {"404 page", server.url("/missing"), UpdateOutcome::Nothing, ""},
        {"not JSON", server.url("/garbage"), UpdateOutcome::Nothing, ""},
        {"over 1 MiB", server.url("/huge"), UpdateOutcome::Nothing, ""},
        {"refused", refused, UpdateOutcome::CheckFailed, kCheckFailed},
        {"self-signed", secure.url("/applications/version.json"), UpdateOutcome::CheckFailed,
         kCheckFailed},
        {"no answer", server.url("/silence"), UpdateOutcome::CheckFailed, kCheckFailed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        {
            AlertDriver driver;  // fails on any alert: the start-up check says nothing here
            EXPECT_EQ(check(c.url, true, 1), UpdateOutcome::Nothing);
            EXPECT_TRUE(driver.seen().empty());
        }
        AlertDriver driver;
        if (!c.text.empty()) driver.press("OK");
        EXPECT_EQ(check(c.url, false, 1), c.asked);
        ASSERT_EQ(driver.seen().size(), c.text.empty() ? 0u : 1u);
        if (!c.text.empty()) {
            EXPECT_EQ(driver.seen()[0].title, "DELVARONTE");
            EXPECT_EQ(driver.seen()[0].informative, c.text);
            EXPECT_EQ(driver.seen()[0].icon, c.asked == UpdateOutcome::CheckFailed
                                                 ? "dialog-warning-symbolic"
                                                 : "dialog-information-symbolic");
        }
    }
    EXPECT_EQ(secure.requests("/applications/version.json"), 0) << "refused at the handshake";
    EXPECT_TRUE(opened_.empty());
}

TEST_F(UpdateCheck, NewerVersionOffersTheDownloadInBothModes) {
    LocalServer server;
    server.serve(
        "/newer", 200, kJson,
        R"({"version":"3.0.1","changelog":"Corrections","mac":{"url":"https://dl.exemple.ma/d.deb"}})");
    server.serve("/bare", 200, kJson,
                 R"({"version":"3.1","mac":{"url":"https://dl.exemple.ma/b"}})");
    server.serve("/numeric-member", 200, kJson,
                 R"({"version":"4","mac":{"url":"https://dl.exemple.ma/c","size":1}})");
    server.serve("/file", 200, kJson, R"({"version":"4","mac":{"url":"file:///etc/passwd"}})");
    server.serve("/empty-url", 200, kJson, R"({"version":"4","mac":{"url":""}})");

    {
        AlertDriver driver;
        driver.then([](ShownAlert& shown) {
            EXPECT_EQ(shown.title(), "Mise a jour disponible");
            EXPECT_EQ(shown.informative(),
                      "Version actuelle : 3.0.0\nNouvelle version : 3.0.1\n\nNouveautes :\n"
                      "Corrections\n\nVoulez-vous telecharger la mise a jour ?");
            EXPECT_EQ(shown.iconName(), "dialog-information-symbolic");
            EXPECT_EQ(shown.buttonLabels(), (std::vector<std::string>{"Plus tard", "Telecharger"}));
            shown.press("Telecharger");
        });
        EXPECT_EQ(check(server.url("/newer"), true), UpdateOutcome::UpdateAvailable);
        EXPECT_EQ(opened_, std::vector<std::string>{"https://dl.exemple.ma/d.deb"});
    }
    {
        AlertDriver driver;
        driver.then([](ShownAlert& shown) {
            EXPECT_EQ(shown.informative(),
                      "Version actuelle : 3.0.0\nNouvelle version : 3.1\n\n"
                      "Voulez-vous telecharger la mise a jour ?");
            shown.press("Plus tard");
        });
        EXPECT_EQ(check(server.url("/bare"), false), UpdateOutcome::UpdateAvailable);
    }
    for (const char* path : {"/numeric-member", "/file", "/empty-url"}) {
        SCOPED_TRACE(path);
        AlertDriver driver;
        driver.press("Telecharger");
        EXPECT_EQ(check(server.url(path), false), UpdateOutcome::UpdateAvailable);
    }
    EXPECT_EQ(opened_.size(), 1u) << "only the first download was handed to the system";
}

TEST_F(UpdateCheck, ChecksInFlightAreIndependent) {
    LocalServer server;
    server.serve("/current", 200, kJson, R"({"version":"3.0.0"})");
    AlertDriver driver;
    driver.press("OK").press("OK");
    std::vector<UpdateOutcome> outcomes;
    UpdateCheckSettings settings;
    settings.manifestUrl = server.url("/current");
    settings.onFinished = [&](UpdateOutcome o) { outcomes.push_back(o); };
    UpdateChecker::checkForUpdates(false, settings);
    UpdateChecker::checkForUpdates(false, settings);
    EXPECT_TRUE(waitUntil([&] { return outcomes.size() == 2; }));
    EXPECT_EQ(outcomes, std::vector<UpdateOutcome>(2, UpdateOutcome::UpToDate));
    EXPECT_EQ(server.requests("/current"), 2);
    EXPECT_EQ(driver.seen().size(), 2u);
}
