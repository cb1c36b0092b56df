#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <array>
#include <cstring>
#include <string>

#include "shell/DownloadNames.h"
#include "shell/ErrorPage.h"
#include "shell/NavigationPolicy.h"
#include "shell/WindowGeometry.h"
#include "shell/Zoom.h"

using namespace delvaronte;

TEST(WindowGeometry, MainWindowTakesNineTenthsUpTo1440By900Centred) {
    EXPECT_EQ(mainWindowRect(Rect{0, 0, 1920, 1050}), (Rect{240, 75, 1440, 900}));
    EXPECT_EQ(mainWindowRect(Rect{0, 0, 1280, 800}), (Rect{64, 40, 1152, 720}));
    EXPECT_EQ(mainWindowRect(Rect{0, 25, 1440, 875}), (Rect{72, 68.75, 1296, 787.5}));
    EXPECT_EQ(mainWindowRect(std::nullopt), (Rect{64, 40, 1152, 720})) << "no monitor";
    EXPECT_EQ(mainWindowRect(Rect{1920, 0, 2560, 1440}), (Rect{2480, 270, 1440, 900}));
}

TEST(WindowGeometry, PopupTakesWhatThePageAskedForCentredAndUnclamped) {
    const Rect screen{0, 0, 1920, 1050};
    EXPECT_EQ(popupRect(screen, 600, 400), (Rect{660, 325, 600, 400}));
    EXPECT_EQ(popupRect(screen, std::nullopt, std::nullopt), (Rect{360, 125, 1200, 800}));
    EXPECT_EQ(popupRect(screen, 600, std::nullopt), (Rect{660, 125, 600, 800}));
    EXPECT_EQ(popupRect(screen, std::nullopt, 400), (Rect{360, 325, 1200, 400}));
    EXPECT_EQ(popupRect(screen, 3000, 400).x, -540);
    EXPECT_EQ(popupRect(std::nullopt, std::nullopt, std::nullopt), (Rect{40, 0, 1200, 800}));
}

TEST(Zoom, StepsAccumulateAndStopAtTheFloor) {
    double zoom = kZoomActualSize;
    zoom = zoomedIn(zoomedIn(zoom));
    EXPECT_EQ(zoom, 1.2000000000000002);

    zoom = kZoomActualSize;
    for (int i = 0; i < 5; ++i) zoom = zoomedOut(zoom);
    EXPECT_EQ(zoom, 0.5000000000000001);
    zoom = zoomedOut(zoom);
    EXPECT_EQ(zoom, 0.5);
    EXPECT_EQ(zoomedOut(zoomedOut(zoom)), 0.5);

    zoom = kZoomActualSize;
    for (int i = 0; i < 100; ++i) zoom = zoomedIn(zoom);
    EXPECT_GT(zoom, 10.9) << "no upper limit";
    EXPECT_EQ(kZoomActualSize, 1.0);
}

TEST(NavigationPolicy, DecidesWhereEachNavigationGoes) {
    using Kind = NavigationKind;
    using Verdict = NavigationVerdict;
    const std::string home = "https://compta.exemple.ma/app/";
    struct Case {
        const char* name;
        std::string home;
        std::string url;
        Kind kind;
        Verdict verdict;
    };
    const Case cases[] = {
        {"same host link", home, "https://compta.exemple.ma/factures", Kind::LinkActivated,
         Verdict::Allow},
        {"same host, other port and scheme", home, "http://compta.exemple.ma:8080/x",
         Kind::LinkActivated, Verdict::Allow},
        {"other host link", home, "https://www.dgi.gov.ma/", Kind::LinkActivated,
         Verdict::OpenWithSystemCancel},
        {"host differing in case", "https://Compta.Exemple.MA/", "https://compta.exemple.ma/x",
         Kind::LinkActivated, Verdict::Allow},
        {"sub-domain", home, "https://aide.compta.exemple.ma/", Kind::LinkActivated,
         Verdict::OpenWithSystemCancel},
        {"parent domain", home, "https://exemple.ma/", Kind::LinkActivated,
         Verdict::OpenWithSystemCancel},
        {"empty home address", "", "https://compta.exemple.ma/", Kind::LinkActivated,
         Verdict::OpenWithSystemCancel},
        {"unparsable home address", "compta", "https://compta.exemple.ma/", Kind::LinkActivated,
         Verdict::OpenWithSystemCancel},
        {"form post to another host", home, "https://paiement.exemple.com/", Kind::FormSubmitted,
         Verdict::Allow},
        {"redirect or script to another host", home, "https://sso.exemple.com/login", Kind::Other,
         Verdict::Allow},
        {"back to another host", home, "https://sso.exemple.com/", Kind::BackForward,
         Verdict::Allow},
        {"reload of another host", home, "https://sso.exemple.com/", Kind::Reload, Verdict::Allow},
        {"mailto link", home, "mailto:compta@exemple.ma", Kind::LinkActivated,
         Verdict::OpenWithSystemCancel},
        {"tel link", home, "tel:+212522000000", Kind::LinkActivated, Verdict::OpenWithSystemCancel},
        {"file link", home, "file:///etc/passwd", Kind::LinkActivated, Verdict::Cancel},
        {"file link with a host", home, "file://serveur/partage/a.pdf", Kind::LinkActivated,
         Verdict::Cancel},
        {"smb link", home, "smb://serveur/partage", Kind::LinkActivated, Verdict::Cancel},
        {"custom scheme", home, "compta-sync://ouvrir?id=3", Kind::LinkActivated, Verdict::Cancel},
        {"custom scheme with a host", home, "zoommtg://zoom.us/join", Kind::LinkActivated,
         Verdict::Cancel},
        {"javascript: link", home, "javascript:void(0)", Kind::LinkActivated, Verdict::Allow},
        {"data: link", home, "data:text/plain,abc", Kind::LinkActivated, Verdict::Allow},
        {"about:blank", home, "about:blank", Kind::Other, Verdict::Allow},
        {"no address", home, "", Kind::LinkActivated, Verdict::Allow},
        {"leading dash", home, "-https://www.exemple.com/", Kind::LinkActivated, Verdict::Allow},
        {"leading dash option", home, "--help", Kind::LinkActivated, Verdict::Allow},
        {"IPv6 other host", home, "http://[::1]:8080/", Kind::LinkActivated,
         Verdict::OpenWithSystemCancel},
        {"127.0.0.1 and localhost are two hosts", "http://127.0.0.1:8000/",
         "http://localhost:8000/", Kind::LinkActivated, Verdict::OpenWithSystemCancel},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(decideNavigation(c.home, c.url, c.kind), c.verdict);
    }
}

TEST(ErrorPage, IsTheFixedTextToTheByte) {
    // SHA-256 of the page as it must be, computed apart from this code.
    std::array<unsigned char, 32> digest{};
    unsigned int length = 0;
    EVP_Digest(kConnectionErrorPage, std::strlen(kConnectionErrorPage), digest.data(), &length,
               EVP_sha256(), nullptr);
    std::string hex;
    for (const unsigned char byte : digest) {
        static constexpr char kHex[] = "0123456789abcdef";
        hex += kHex[byte >> 4];
        hex += kHex[byte & 15];
    }
    EXPECT_EQ(std::strlen(kConnectionErrorPage), 831u);
    EXPECT_EQ(hex, "000e10eb7b48756484dee5f5e4f6f01686187f99bad022bc899077354d37e058");
}

TEST(DownloadNames, OfferOnlyAPlainFileName) {
    const std::pair<std::string, std::string> cases[] = {
        {"rapport.csv", "rapport.csv"},
        {"../../etc/passwd", "passwd"},
        {"C:\\Users\\compta\\bilan.pdf", "bilan.pdf"},
        {".bashrc", "bashrc"},
        {"..", "telechargement"},
        {"", "telechargement"},
        {"dossier/", "telechargement"},
        {"bilan\n2026.pdf", "bilan2026.pdf"},
        {"  facture 12.pdf  ", "facture 12.pdf"},
        {"d\xC3\xA9"
         "claration.xml",
         "d\xC3\xA9"
         "claration.xml"},
    };
    for (const auto& [suggested, offered] : cases) {
        SCOPED_TRACE(suggested);
        EXPECT_EQ(safeFileName(suggested), offered);
    }
    EXPECT_EQ(partialPath("/home/compta/Telechargements/bilan.pdf"),
              "/home/compta/Telechargements/.bilan.pdf.partiel");
}
