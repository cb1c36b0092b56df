// The shell's decisions: navigation and hand-offs, page dialogs, download names, windows
// and the drawing path.
#include <gio/gio.h>
#include <gtest/gtest.h>

#include <cmath>

#include "../../TempDir.h"
#include "shell/rules/DirectorySignIn.h"
#include "shell/rules/DownloadNames.h"
#include "shell/rules/DrawingPath.h"
#include "shell/rules/FindCount.h"
#include "shell/rules/MemoryCeiling.h"
#include "shell/rules/NavigationPolicy.h"
#include "shell/rules/PageDialogGuard.h"
#include "shell/rules/PagePermissions.h"
#include "shell/rules/RetrySchedule.h"
#include "shell/rules/Spelling.h"
#include "shell/rules/SupportReport.h"
#include "shell/rules/WindowGeometry.h"
#include "shell/rules/Zoom.h"

using namespace delvaronte;

namespace {
const std::string kEAcute = "\xC3\xA9";  // precomposed e with acute
}  // namespace

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
        {"http://127.0.0.1:8000/", "http://localhost:8000/", LinkActivated, OpenWithSystemCancel},
        {"http://0x7f.1:8000/", "http://127.0.0.1:8000/x", LinkActivated, Allow}};
    for (const auto& [from, to, kind, verdict] : cases)
        EXPECT_EQ(decideNavigation(HomeOrigin(from), to, kind), verdict) << from << " -> " << to;
    const std::vector<HomeOrigin> kept{HomeOrigin("https://sso.exemple.ma/")};  // the office's
    EXPECT_EQ(decideNavigation(HomeOrigin(home), "http://SSO.exemple.ma/l", LinkActivated, kept),
              Allow);
    EXPECT_EQ(decideNavigation(HomeOrigin(home), "https://x.sso.exemple.ma/", LinkActivated, kept),
              OpenWithSystemCancel);
    // Hand-offs: four schemes only; the user's, at most once a second per web view.
    for (const char* uri :
         {"https://", "HTTP://dl.ma/", "mailto:a@b.ma?s=Soci%E9t%E9", "tel:+2125"})
        EXPECT_TRUE(isSystemHandledScheme(uri)) << uri;
    for (const char* uri : {"https://a.ma/ x", "file:///etc/passwd", "smb://a/b", "-https://a.ma"})
        EXPECT_FALSE(isSystemHandledScheme(uri)) << uri;
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
        EXPECT_EQ(guard.starting(start), offers) << "dialog at " << start / s << " s";
        guard.ended(end);
    }
    guard.block();
    guard.reset();
    EXPECT_FALSE(guard.starting(46 * s) || guard.blocked()) << "the user navigated: afresh";
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
    for (const auto& [suggested, offered] : names)
        EXPECT_EQ(safeFileName(suggested), offered) << suggested;

    delvaronte::testing::TempDir folder;
    const std::string first = createPartialFile(folder.file("bilan.pdf"));
    EXPECT_NE(first, createPartialFile(folder.file("bilan.pdf")));
    EXPECT_TRUE(std::filesystem::path(first).filename().string().starts_with(".bilan.pdf"));
    EXPECT_FALSE(std::filesystem::exists(folder.file("bilan.pdf")));
    EXPECT_FALSE(createPartialFile(folder.file(std::string(250, 'a') + ".pdf")).empty());
    EXPECT_TRUE(createPartialFile("bilan.pdf").empty()) << "never a relative path";

    // The office's refusals: the last extension, any case, listed with its dot or without.
    const std::vector<std::string> refused{".EXE", "msi", "", "."};
    EXPECT_EQ(refusedExtension("releve.pdf.exe", refused), "exe");
    EXPECT_EQ(refusedExtension("Installer.Msi", refused), "msi");
    for (const char* kept : {"releve.pdf", "exe", ".exe", "bilan.exe.pdf", "notes.msix"})
        EXPECT_EQ(refusedExtension(kept, refused), std::nullopt) << kept;
    EXPECT_EQ(refusedDownloadText("outil.exe", "exe"),
              "Le fichier \"outil.exe\" n'a pas ete enregistre : l'administrateur de ce poste "
              "refuse les fichiers .exe.");
}

// The engine's list of hosts that get the desk's Kerberos token: origins only, the home's by
// default, and never an empty list, which the engine reads as every https host.
TEST(DirectorySignIn, TheEnginesListHoldsOnlyTheOfficesOrigins) {
    const std::string home = "http://compta.exemple.ma/accueil?x=1";
    EXPECT_EQ(negotiateAddresses({}, home), "http://compta.exemple.ma:80");
    EXPECT_EQ(negotiateAddresses({"https://Intranet.Exemple.ma/paie", "http://10.0.0.5:8080",
                                  "https://intranet.exemple.ma:443", "http://[::1]:81/"},
                                 home),
              "https://intranet.exemple.ma:443,http://10.0.0.5:8080,http://[::1]:81");
    // Nothing of the list is an address the engine can hold as one entry: nowhere, not
    // the home and not every https host.
    for (const std::vector<std::string>& listed :
         {std::vector<std::string>{"ftp://compta.exemple.ma", "compta.exemple.ma", "https://"},
          {"https://a.exemple.ma,https://b.exemple.ma", "https://*.exemple.ma"}})
        EXPECT_EQ(negotiateAddresses(listed, home), kNegotiateNowhere) << listed.front();
    EXPECT_EQ(negotiateAddresses({}, ""), kNegotiateNowhere);
    EXPECT_EQ(negotiateAddresses({}, "file:///home/compta"), kNegotiateNowhere);
}

TEST(Windows, GeometryAndZoom) {
    EXPECT_EQ(mainWindowRect(Rect{0, 0, 1920, 1050}), (Rect{240, 75, 1440, 900}));
    EXPECT_EQ(mainWindowRect(Rect{1920, 25, 1280, 800}), (Rect{1984, 65, 1152, 720}));
    EXPECT_EQ(mainWindowRect(std::nullopt), (Rect{64, 40, 1152, 720}));
    EXPECT_EQ(popupRect(Rect{0, 0, 1920, 1050}, 600, std::nullopt), (Rect{660, 125, 600, 800}));
    EXPECT_EQ(popupRect(Rect{0, 0, 1920, 1050}, std::nullopt, std::nullopt),
              (Rect{360, 125, 1200, 800}));
    EXPECT_EQ(popupRect(Rect{0, 0, 1920, 1050}, 3000, 400).x, -540) << "not clamped";
    double zoom = kZoomActualSize;
    for (int i = 0; i < 6; ++i) zoom = zoomedOut(zoom);
    EXPECT_EQ(zoom, 0.5);
    EXPECT_EQ(zoomedIn(zoomedIn(1.0)), 1.2000000000000002);
    EXPECT_EQ(keptZoom(1.25), 1.25);
    for (double damaged : {0.0, 0.49, 10.5, std::nan("")}) EXPECT_FALSE(keptZoom(damaged));
}

TEST(Desk, SpellingLanguagesAndTheFindCount) {
    const auto installed = [](const std::string& name) {
        return name == "fr_FR" || name == "en_US" || name == "de";
    };
    using Names = std::vector<std::string>;
    EXPECT_EQ(spellingLanguages("en_US.UTF-8", installed), (Names{"fr_FR", "en_US"}));
    EXPECT_EQ(spellingLanguages("de_AT@euro", installed), (Names{"fr_FR", "de"}));
    EXPECT_EQ(spellingLanguages("fr_FR.UTF-8", installed), (Names{"fr_FR"}));
    EXPECT_EQ(spellingLanguages("C", installed), (Names{"fr_FR"}));
    EXPECT_EQ(spellingLanguages("ar_MA", [](const std::string& n) { return n == "fr"; }),
              (Names{"fr"}));
    EXPECT_EQ(spellingLanguages("en_US", [](const std::string&) { return false; }), Names{});
    EXPECT_EQ(stepMatch(1, 3, true), 2u);
    EXPECT_EQ(stepMatch(3, 3, true), 1u);
    EXPECT_EQ(stepMatch(1, 3, false), 3u);
    EXPECT_EQ(matchCount(2, 120), "2 sur 120");
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
    for (const auto& [facts, path] : cases) {
        EXPECT_EQ(chooseDrawingPath(facts), path)
            << facts.userRenderer << "|" << facts.softwareSetting << "|" << facts.gpuDevice << "|"
            << facts.glRenderer.value_or("(not asked)");
    }
    for (const char* software :
         {"llvmpipe (LLVM 15.0.6, 256 bits)", "Software Rasterizer",
          "zink Vulkan 1.3(llvmpipe (LLVM 15.0.6))", "D3D12 (Microsoft Basic Render Driver)"})
        EXPECT_EQ(chooseDrawingPath({"", "", true, software}), Cairo) << software;
    for (const char* gpu :
         {"Mesa Intel(R) UHD Graphics 620 (KBL GT2)", "virgl (Mesa Intel(R) Xe Graphics)"})
        EXPECT_EQ(chooseDrawingPath({"", "", true, gpu}), AsGtkChooses) << gpu;
    // Each GTK's own words for "no OpenGL": an unknown one is printed at every start.
    EXPECT_STREQ(openGlOffSwitch(4, 8).value, "gl-disable");
    EXPECT_STREQ(openGlOffSwitch(4, 18).name, "GDK_DISABLE");
}

// A page is told "granted" only where its notifications will show: the permission follows the
// notifications' own decision, and nothing else is given.
TEST(PagePermissions, NotificationsAsTheyAreDecidedAndNothingElse) {
    for (const PermissionRule& rule : kPermissionRules) {
        const bool notifications = rule.kind == PermissionKind::Notifications;
        EXPECT_EQ(permissionFeature(rule.kind) == PageFeature::Notifications, notifications)
            << rule.what;
        EXPECT_EQ(permissionFeature(rule.kind).has_value(), notifications) << rule.what;
    }
}

TEST(Retries, TheScheduleWhatIsRetriedAndWhen) {
    const int64_t delays[] = {1'000, 5'000, 30'000, 60'000, 300'000, 600'000, 1'800'000, 1'800'000};
    for (int attempt = 0; attempt < 8; ++attempt)
        EXPECT_EQ(retryDelayMs(attempt), delays[attempt]) << "retry " << attempt;
    using enum LoadFailure;
    const std::tuple<const char*, GQuark, int, LoadFailure> failures[] = {
        {"refused", G_IO_ERROR, G_IO_ERROR_CONNECTION_REFUSED, Unreachable},
        {"reset", G_IO_ERROR, G_IO_ERROR_CONNECTION_CLOSED, Unreachable},
        {"no route", G_IO_ERROR, G_IO_ERROR_HOST_UNREACHABLE, Unreachable},
        {"no network", G_IO_ERROR, G_IO_ERROR_NETWORK_UNREACHABLE, Unreachable},
        {"timed out", G_IO_ERROR, G_IO_ERROR_TIMED_OUT, Unreachable},
        {"name not resolved", G_RESOLVER_ERROR, G_RESOLVER_ERROR_NOT_FOUND, Unreachable},
        {"certificate", G_TLS_ERROR, G_TLS_ERROR_BAD_CERTIFICATE, Certificate},
        {"refused by the system", G_IO_ERROR, G_IO_ERROR_PERMISSION_DENIED, Other}};
    for (const auto& [name, domain, code, failure] : failures) {
        EXPECT_EQ(classifyLoadFailure(domain, code), failure) << name;
        EXPECT_EQ(retriesByItself(failure, false), failure == Unreachable) << name;
        EXPECT_FALSE(retriesByItself(failure, true)) << name << ": a form is never sent again";
    }
    for (int bits = 0; bits < 8; ++bits) {
        const RetryMoment moment{(bits & 1) != 0, (bits & 2) != 0, (bits & 4) != 0};
        EXPECT_EQ(mayRetryNow(moment), bits == 3) << "network, shown, loading: " << bits;
    }
}

TEST(Memory, TheCeilingIsTwoFifthsOfTheMachineWithinBounds) {
    for (const auto& [machine, ceiling] : std::vector<std::pair<uint64_t, uint64_t>>{
             {2048, 1536}, {4096, 1638}, {8192, 3276}, {24105, 8192}}) {
        EXPECT_EQ(memoryCeilingFor(machine).limitMiB, ceiling) << machine << " MiB";
    }
}

TEST(Support, TheLastTwentyFailuresHostsOnlyAndNoMoreThan64KiB) {
    std::vector<std::string> failed;
    for (int i = 1; i <= 25; ++i) keepLast(failed, std::to_string(i));
    EXPECT_EQ(failed.size(), 20u);
    EXPECT_EQ(failed.front(), "6");
    EXPECT_EQ(addressForSupport("https://alice:pw@Compta.ma:8443/p?q=1#f"), "https://compta.ma");
    SupportFacts facts;
    facts.settings.assign(4000, std::string(40, 'x'));
    const std::string text = supportText(facts);
    EXPECT_LE(text.size(), kSupportTextLimit);
    EXPECT_EQ(text.back(), '\n') << "cut at a line's end";
}
