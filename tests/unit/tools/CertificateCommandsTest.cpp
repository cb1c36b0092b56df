// The administrator's certificates: only what is needed is stored, what is shown cannot forge
// a line, and root reads the file it is given as it writes: through no link of a desk user.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>

#include "../../TempDir.h"
#include "../MadeCertificates.h"
#include "tools/ConfigTool.h"

using namespace delvaronte;
using namespace delvaronte::testing;

namespace {

struct ToolRun {
    int status = -1;
    std::string out, err;
};

ToolRun tool(const std::vector<std::string>& arguments) {
    std::ostringstream out, err;
    ConfigToolIo io{out, err, nullptr};
    const int status = runConfigTool(arguments, io);
    return {status, out.str(), err.str()};
}

}  // namespace

TEST(Certificates, OnlyWhatIsNeededIsStoredAndNothingForgesALine) {
    const TempDir home;
    const std::string config = (home.path() / "Delvaronte/config.dat").string();
    // The tool given a file of these bytes, for that command.
    const auto given = [&](const char* command, const std::string& name, const std::string& bytes) {
        writeFile(home.path() / name, bytes);
        return tool({"--file", config, command, (home.path() / name).string()});
    };
    const auto stored = [&](const char* name) {
        return readFile(home.path() / "Delvaronte" / name);
    };
    const MadeCertificate server = makeCertificate("compta.intranet"), other = makeCertificate("x");

    // A certificate given with its key: the certificate alone is kept.
    ToolRun run = given("trust-certificate", "serveur.pem", server.key + server.certificate);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(stored("certificat-serveur.pem"), server.certificate);
    // A client certificate needs its own key.
    run = given("client-certificate", "poste.pem", server.certificate + other.key);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, "Erreur : la cle de " + (home.path() / "poste.pem").string() +
                           " ne correspond pas a son certificat. Rien n'a ete enregistre.\n");
    EXPECT_FALSE(std::filesystem::exists(home.path() / "Delvaronte/certificat-client"));
    run = given("client-certificate", "poste.pem", server.certificate + server.key);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(stored("certificat-client").starts_with(server.certificate));
    EXPECT_NE(stored("certificat-client").find("PRIVATE KEY"), std::string::npos);

    // Expired or not yet valid: refused, saying until or from when; soon expired: kept, with a
    // word.
    const MadeCertificate expired = makeCertificate("vieux", -400L * 86400, -30L * 86400);
    run = given("trust-certificate", "vieux.pem", expired.certificate);
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("a expire : il etait valide jusqu'au 20"), std::string::npos) << run.err;
    const MadeCertificate later = makeCertificate("futur", 5000L * 86400, 6000L * 86400);
    run = given("client-certificate", "futur.pem", later.certificate + later.key);
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("futur.pem n'est valide qu'a partir du 20"), std::string::npos);
    EXPECT_EQ(stored("certificat-serveur.pem"), server.certificate) << "nothing written";
    const MadeCertificate soon = makeCertificate("bientot", -86400, 10L * 86400);
    run = given("trust-certificate", "bientot.pem", soon.certificate);
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(run.err.starts_with("Attention : ")) << run.err;
    run = given("trust-certificate", "gros.pem", soon.certificate + std::string(70 * 1024, '\n'));
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("est trop grand (64 Kio au plus)"), std::string::npos) << run.err;

    // A subject that holds a line of its own.
    const MadeCertificate forged = makeCertificate("a\n  SHA-256 : 00");
    ASSERT_EQ(given("trust-certificate", "f.pem", forged.certificate).status, 0);
    run = tool({"--file", config, "show"});
    EXPECT_EQ(run.out.find("\n  SHA-256 : 00\n"), std::string::npos);
    EXPECT_NE(run.out.find("\\x0a  SHA-256 : 00"), std::string::npos) << run.out;
}

TEST(Certificates, RootReadsNoFileThroughADeskUsersLink) {
    if (geteuid() != 0) GTEST_SKIP() << "the attack is on what root reads";
    const TempDir home;
    const std::filesystem::path desk = home.path() / "compta", secret = home.path() / "cle.pem";
    std::filesystem::create_directories(desk);
    const MadeCertificate root = makeCertificate("root");
    writeFile(secret, root.certificate + root.key);
    ASSERT_EQ(chmod(secret.c_str(), 0600) | chmod(home.path().c_str(), 0755), 0);
    ASSERT_EQ(lchown(desk.c_str(), 4242, 4343), 0);
    std::filesystem::create_symlink(secret, desk / "poste.pem");
    ASSERT_EQ(lchown((desk / "poste.pem").c_str(), 4242, 4343), 0);
    const std::string config = (desk / "Delvaronte/config.dat").string();
    const ToolRun run =
        tool({"--file", config, "client-certificate", (desk / "poste.pem").string()});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("lien symbolique"), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(desk / "Delvaronte")) << "nothing stored";
    // Root's own link is not, in a folder a desk user owns or anyone may write in: either could
    // have swapped it. In a folder only root changes, it is root's word.
    const std::filesystem::path shared = home.path() / "partage";
    std::filesystem::create_directories(shared);
    ASSERT_EQ(chmod(shared.c_str(), 0777), 0);
    for (const std::filesystem::path& folder : {desk, shared}) {
        std::filesystem::create_symlink(secret, folder / "racine.pem");
        EXPECT_EQ(
            tool({"--file", config, "client-certificate", (folder / "racine.pem").string()}).status,
            1)
            << folder;
    }
    std::filesystem::create_symlink(secret, home.path() / "lien.pem");
    EXPECT_EQ(
        tool({"--file", config, "client-certificate", (home.path() / "lien.pem").string()}).status,
        0);
}
