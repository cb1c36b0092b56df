// The rules that need no display: entries, versions and manifests, navigation, hosts,
// geometry, page dialogs, download names, the drawing path.
#include <gtest/gtest.h>

#include <array>

#include "TempDir.h"
#include "dialogs/EntryRules.h"
#include "shell/DownloadNames.h"
#include "shell/DrawingPath.h"
#include "shell/NavigationPolicy.h"
#include "shell/PageDialogGuard.h"
#include "shell/WindowGeometry.h"
#include "shell/Zoom.h"
#include "ui/SystemOpener.h"
#include "ui/UriParts.h"
#include "update/Manifest.h"
#include "update/UpdateChecker.h"

using namespace delvaronte;

namespace {

const std::string kAcute = "\xCC\x81";   // combining acute accent
const std::string kEAcute = "\xC3\xA9";  // precomposed e with acute
const std::string kUrl = "L'URL doit commencer par http:// ou https://";
const std::string kLength = "Le mot de passe doit contenir au moins 4 caracteres.";
const std::string kMatch = "Les mots de passe ne correspondent pas.";

}  // namespace

TEST(EntryRules, TrimCountCompareAndCheck) {
    EXPECT_EQ(trimEntry(" \t\xC2\xA0https://a b.ma\t "), "https://a b.ma");
    EXPECT_EQ(trimEntry("\nhttps://a.ma\n"), "\nhttps://a.ma\n") << "only spaces and tabs";
    EXPECT_EQ(countCharacters("e" + kAcute + "e" + kAcute + "e" + kAcute), 3u);
    EXPECT_EQ(countCharacters("\xF0\x9F\x87\xB2\xF0\x9F\x87\xA6"), 1u) << "a flag";
    EXPECT_TRUE(textsEqual("caf" + kEAcute, "cafe" + kAcute));
    EXPECT_FALSE(textsEqual("\xEF\xAC\x81", "fi")) << "compatibility is not equivalence";

    const std::string e4 = "e" + kAcute + "e" + kAcute + "e" + kAcute + "e" + kAcute;
    // address, password, confirmation: the set-up's message, the editor's
    const std::array<std::string, 5> cases[] = {
        {"", "ab", "cd", kUrl, kUrl},
        {"ftp://a.ma", "", "", kUrl, kUrl},
        {"HTTPS://a.ma", "abcd", "abcd", kUrl, kUrl},
        {"https://", "abc", "abc", kLength, kLength},
        {"http://a.ma", "", "x", kLength, ""},
        {"https://a.ma", "   ", "   ", kLength, kLength},
        {"https://a.ma", "    ", "    ", "", ""},
        {"https://a.ma", "abcd", "abce", kMatch, kMatch},
        {"https://a.ma", e4, kEAcute + kEAcute + kEAcute + kEAcute, "", ""}};
    for (const auto& [url, password, confirmation, setup, edit] : cases) {
        EXPECT_EQ(firstSetupFailure(url, password, confirmation).value_or(""), setup) << url;
        EXPECT_EQ(firstEditFailure(url, password, confirmation).value_or(""), edit) << url;
    }
}

TEST(UpdateRules, VersionsAgainstTheCurrentOne) {
    for (const char* newer : {"3.0.1", "3.0.0.0.0.1", "10.0", "3.x.1", "+3.+0.+1"})
        EXPECT_TRUE(UpdateChecker::isNewerVersion(newer, "3.0.0")) << newer;
    for (const char* older : {"3.0.0", "3", "2.9.9", "3.1-beta", "", "3.0.-1", " 3.0.1",
                              "9223372036854775808.0.1", "3.0.\xD9\xA1"})
        EXPECT_FALSE(UpdateChecker::isNewerVersion(older, "3.0.0")) << older;
}

TEST(UpdateRules, ManifestsDecisionsAndTexts) {
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
        {{Status::Received, "not json"}, Outcome::Nothing, Outcome::Nothing},
        {{Status::Received, R"({"version":"3.0"})"}, Outcome::Nothing, Outcome::UpToDate},
        {{Status::Received, R"({"version":"3.1"})"},
         Outcome::UpdateAvailable,
         Outcome::UpdateAvailable}};
    for (const auto& [fetched, silent, asked] : table) {
        EXPECT_EQ(decideUpdate(fetched, true).outcome, silent) << fetched.body;
        EXPECT_EQ(decideUpdate(fetched, false).outcome, asked) << fetched.body;
    }
    EXPECT_EQ(updateAvailableText({"3.1.0", "Corrections", ""}),
              "Version actuelle : 3.0.0\nNouvelle version : 3.1.0\n\nNouveautes :\nCorrections\n"
              "\nVoulez-vous telecharger la mise a jour ?");
    EXPECT_EQ(updateAvailableText({"3.1.0", "", ""}),
              "Version actuelle : 3.0.0\nNouvelle version : 3.1.0\n\n"
              "Voulez-vous telecharger la mise a jour ?");
}

TEST(HandOffs, OnlyWebDownloadsAndFourSchemesLeaveTheProgram) {
    for (const char* uri : {"https://dl.ma/Delvaronte.deb", "HTTP://dl.ma/"})
        EXPECT_TRUE(isDownloadAddress(uri) && isSystemHandledScheme(uri)) << uri;
    for (const char* uri : {"https://", "mailto:a@b.ma?subject=Soci%E9t%E9", "tel:+212500000000"})
        EXPECT_TRUE(!isDownloadAddress(uri) && isSystemHandledScheme(uri)) << uri;
    for (const char* uri : {"https://a.ma/ x", "file:///etc/passwd", "file://serveur/partage/a.deb",
                            "smb://a/b", "-https://a.ma"})
        EXPECT_FALSE(isDownloadAddress(uri) || isSystemHandledScheme(uri)) << uri;
}

TEST(Navigation, HostsAsTheEngineReadsThem) {
    const std::pair<std::string, std::string> cases[] = {
        {"https://compta.exemple.ma/q?soc=Soci%E9t%E9", "compta.exemple.ma"},
        {"HTTPS://Compta.Exemple.MA:8443/", "compta.exemple.ma"},
        {"https://user:p%40ss@a@compta.exemple.ma/", "compta.exemple.ma"},
        {"http://[::1]:8080/", "::1"},
        {"https://soci%C3%A9t%C3%A9.ma/", "xn--socit-esab.ma"},
        {"http://x%F9/", "x\xF9"}};
    for (const auto& [url, host] : cases) EXPECT_EQ(uriHost(url), host) << url;
    for (const char* url : {"http://[fe80::1/", "mailto:compta@exemple.ma", "compta.exemple.ma/x"})
        EXPECT_EQ(uriHost(url), "") << url;
    for (const char* text : {"", "pas une adresse", "https://exemple .ma/", "https://a.ma/\x7F"})
        EXPECT_FALSE(parsesAsUrl(text)) << text;
    for (const char* url :
         {"mailto:compta@exemple.ma", "https://a.ma/?soc=Soci%E9t%E9&t=20%&n=%00"})
        EXPECT_TRUE(parsesAsUrl(url)) << url;
}

TEST(Navigation, DecidesWhereEachNavigationGoes) {
    using enum NavigationKind;
    using enum NavigationVerdict;
    const std::string home = "https://compta.exemple.ma/app/";
    const std::tuple<std::string, std::string, NavigationKind, NavigationVerdict> cases[] = {
        {home, "http://Compta.exemple.ma:8080/x", LinkActivated, Allow},
        {home, "https://www.dgi.gov.ma/t?t=20%", LinkActivated, OpenWithSystemCancel},
        {home, "https://aide.compta.exemple.ma/", LinkActivated, OpenWithSystemCancel},
        {"", "https://compta.exemple.ma/", LinkActivated, OpenWithSystemCancel},
        {home, "https://paiement.exemple.com/", FormSubmitted, Allow},
        {home, "https://sso.exemple.com/login", Redirect, Allow},
        {home, "https://sso.exemple.com/", BackForward, Allow},
        {home, "https://sso.exemple.com/", Other, Allow},
        {home, "mailto:compta@exemple.ma", FormSubmitted, OpenWithSystemCancel},
        {home, "tel:+212522000000", Other, OpenWithSystemCancel},
        {home, "file:///etc/passwd", Other, Cancel},
        {home, "zoommtg://zoom.us/join", Redirect, Cancel},
        {home, "blob:https://compta.exemple.ma/5e1c", LinkActivated, Allow},
        {home, "about:blank", LinkActivated, Allow},
        {home, "https://compta.exemple.ma/a%00b", LinkActivated, Allow},
        {"https://soci\xC3\xA9t\xC3\xA9.ma/", "https://xn--socit-esab.ma/", LinkActivated, Allow},
        {"http://127.0.0.1:8000/", "http://localhost:8000/", LinkActivated, OpenWithSystemCancel}};
    for (const auto& [from, to, kind, verdict] : cases)
        EXPECT_EQ(decideNavigation(from, to, kind), verdict) << to;
    // Hand-offs: the user's, at most once a second per web view.
    EXPECT_TRUE(mayHandOff(true, std::nullopt, 0) && mayHandOff(true, 5'000'000, 6'000'000));
    EXPECT_FALSE(mayHandOff(false, std::nullopt, 0) || mayHandOff(true, 5'000'000, 5'999'999));
}

TEST(PageDialogs, BlockIsOfferedFromTheThirdDialogOfARun) {
    constexpr int64_t s = 1'000'000;
    PageDialogGuard guard;
    // When each dialog starts, when it is answered, whether it offers to block the rest.
    const std::tuple<int64_t, int64_t, bool> run[] = {
        {0, 1 * s, false},      {2 * s, 3 * s, false},   {4 * s, 20 * s, true},
        {30 * s, 31 * s, true}, {42 * s, 43 * s, false}, {44 * s, 45 * s, false}};
    for (const auto& [start, end, offers] : run) {
        EXPECT_EQ(guard.starting(start), offers) << start / s;
        guard.ended(end);
    }
    guard.reset();
    EXPECT_FALSE(guard.starting(46 * s)) << "a reloaded page starts afresh";
}

TEST(Downloads, PlainNamesThatFitAndPartialFilesOfTheirOwn) {
    std::string accents;
    for (int i = 0; i < 200; ++i) accents += kEAcute;
    const std::pair<std::string, std::string> names[] = {
        {"../../etc/passwd", "passwd"},
        {"C:\\Users\\compta\\bilan.pdf", "bilan.pdf"},
        {".bashrc", "bashrc"},
        {"..", "telechargement"},
        {"bilan\n2026.pdf", "bilan2026.pdf"},
        {std::string(300, 'a') + ".xlsx", std::string(250, 'a') + ".xlsx"},
        {"x" + accents + ".pdf", "x" + accents.substr(0, 250) + ".pdf"}};  // never half a letter
    for (const auto& [suggested, offered] : names) EXPECT_EQ(safeFileName(suggested), offered);

    delvaronte::testing::TempDir folder;
    const std::string first = createPartialFile(folder.file("bilan.pdf"));
    EXPECT_NE(first, createPartialFile(folder.file("bilan.pdf")));
    EXPECT_TRUE(std::filesystem::path(first).filename().string().starts_with(".bilan.pdf"));
    EXPECT_FALSE(std::filesystem::exists(folder.file("bilan.pdf")));
    EXPECT_FALSE(createPartialFile(folder.file(std::string(250, 'a') + ".pdf")).empty());
    EXPECT_TRUE(createPartialFile("bilan.pdf").empty()) << "never a relative path";
}

TEST(Windows, GeometryAndZoom) {
    EXPECT_EQ(mainWindowRect(Rect{0, 0, 1920, 1050}), (Rect{240, 75, 1440, 900}));
    EXPECT_EQ(mainWindowRect(Rect{1920, 25, 1280, 800}), (Rect{1984, 65, 1152, 720}));
    EXPECT_EQ(mainWindowRect(std::nullopt), (Rect{64, 40, 1152, 720}));
    EXPECT_EQ(popupRect(Rect{0, 0, 1920, 1050}, 600, std::nullopt), (Rect{660, 125, 600, 800}));
    EXPECT_EQ(popupRect(Rect{0, 0, 1920, 1050}, 3000, 400).x, -540) << "not clamped";
    double zoom = kZoomActualSize;
    for (int i = 0; i < 6; ++i) zoom = zoomedOut(zoom);
    EXPECT_EQ(zoom, 0.5);
    EXPECT_EQ(zoomedIn(zoomedIn(1.0)), 1.2000000000000002);
}

TEST(Windows, CairoWhereOpenGlWouldRunOnTheProcessor) {
    using enum DrawingPath;
    // The user's GSK_RENDERER and LIBGL_ALWAYS_SOFTWARE, a GPU device, GL_RENDERER once asked.
    const std::pair<DrawingFacts, DrawingPath> cases[] = {
        {{"", "", false, std::nullopt}, Cairo},
        {{"", "", true, std::nullopt}, AskOpenGl},
        {{"", "", true, ""}, AsGtkChooses},
        {{"", "true", true, std::nullopt}, Cairo},
        {{"", "0", true, "AMD Radeon RX 6600"}, AsGtkChooses},
        {{"ngl", "1", false, "llvmpipe"}, AsGtkChooses}};
    for (const auto& [facts, path] : cases) EXPECT_EQ(chooseDrawingPath(facts), path);
    for (const char* software :
         {"llvmpipe (LLVM 15.0.6, 256 bits)", "Software Rasterizer",
          "zink Vulkan 1.3(llvmpipe (LLVM 15.0.6))", "D3D12 (Microsoft Basic Render Driver)"})
        EXPECT_EQ(chooseDrawingPath({"", "", true, software}), Cairo) << software;
    for (const char* gpu :
         {"Mesa Intel(R) UHD Graphics 620 (KBL GT2)", "virgl (Mesa Intel(R) Xe Graphics)"})
        EXPECT_EQ(chooseDrawingPath({"", "", true, gpu}), AsGtkChooses) << gpu;
}
