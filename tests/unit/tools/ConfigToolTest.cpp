// delvaronte-config: provisioning, showing and checking config.dat from the command line, as
// a user and as root, and at a terminal.
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <sstream>

#include "../../TempDir.h"
#include "config/AppConfig.h"
#include "tools/ConfigTool.h"

using namespace delvaronte;
using namespace std::string_literals;
using namespace delvaronte::testing;

namespace {

struct ToolRun {
    int status = -1;
    std::string out, err;
};

// The tool run as from a pipe: its input's first line is the password.
ToolRun run(const std::vector<std::string>& arguments, const std::string& input = "") {
    std::ostringstream out, err;
    ConfigToolIo io{out, err, [&](const std::string&) { return firstLine(input); }};
    const int status = runConfigTool(arguments, io);
    return {status, out.str(), err.str()};
}

// The user's own config.dat, in this process's folder.
const std::filesystem::path kUserFile = kConfigHome.path() / "Delvaronte/config.dat";

}  // namespace

TEST(ConfigTool, ProvisionsShowsChecksAndRefuses) {
    const TempDir home;
    EXPECT_EQ(run({"set-url", " \thttps://compta.exemple.ma/app "}).status, 0);
    EXPECT_EQ(run({"set-password"}, " mot de passe \n").status, 0);  // spaces are kept
    const AppConfig record = AppConfig::loadFrom(kUserFile.string());
    EXPECT_TRUE(record.verifyPassword(" mot de passe "));
    EXPECT_EQ(AppConfig::decrypt(record.encryptedUrl), "https://compta.exemple.ma/app");
    EXPECT_EQ(run({"check-password"}, " mot de passe \r\n").status, 0);
    EXPECT_EQ(run({"check-password"}, "mot de passe\n").err, "Mot de passe incorrect.\n");
    const ToolRun shown = run({"show"});
    EXPECT_NE(shown.out.find("Configure : oui"), std::string::npos) << shown.out;
    EXPECT_EQ(shown.out.find(record.passwordHash), std::string::npos) << "never the hash";

    const std::string before = readFile(kUserFile);
    // A message of one line: the whole of it, or how it starts.
    const std::tuple<std::vector<std::string>, std::string, std::string> refused[] = {
        {{"set-url", "HTTPS://a.ma"}, "", "Erreur : L'URL doit commencer par http:// ou "},
        {{"set-password"}, "\nabcdef\n", "Erreur : Le mot de passe doit contenir au moins 4 "},
        {{"set-password"}, "ab\xFF\xFE\n", "Erreur : le mot de passe n'est pas un texte UTF-8"},
        {{"show", "extra"}, "", "Erreur : "},
        {{"--file", "", "show"}, "", "Erreur : "}};
    for (const auto& [arguments, input, message] : refused) {
        SCOPED_TRACE(arguments.front() + " " + arguments.back());
        const ToolRun result = run(arguments, input);
        EXPECT_EQ(result.status, 2) << input;
        EXPECT_TRUE(result.err.starts_with(message)) << result.err;
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
    }
    EXPECT_EQ(readFile(kUserFile), before);

    // A forged address is shown with its control characters escaped; one that cannot be
    // decrypted is said to be so; with no password stored, nothing verifies.
    AppConfig forged{AppConfig::encrypt("https://a.ma/\x1b]0;x\x07\xC2\x9B"
                                        "2J"),
                     ""};
    ASSERT_TRUE(forged.saveTo(kUserFile.string()));
    EXPECT_NE(run({"show"}).out.find("URL : https://a.ma/\\x1b]0;x\\x07\\xc2\\x9b2J\n"),
              std::string::npos);
    forged.encryptedUrl = "AAAAAAAAAAAAAAAAAAAAAA==";
    ASSERT_TRUE(forged.saveTo(kUserFile.string()));
    EXPECT_NE(run({"show"}).out.find("URL : (illisible"), std::string::npos);
    EXPECT_EQ(run({"check-password"}, "\n").status, 1);
    // A folder where the file should be: the rename cannot replace it, even as root.
    std::filesystem::create_directories(home.path() / "config.dat/inside");
    const ToolRun failed =
        run({"--file", (home.path() / "config.dat").string(), "set-url", "http://a.ma"});
    EXPECT_EQ(failed.status, 1);
    EXPECT_TRUE(failed.err.starts_with("Erreur : impossible d'enregistrer")) << failed.err;
}

// Root prepares a desk's file for its user: the file and the folders made are the user's.
TEST(ConfigTool, AnotherFileIsPreparedForItsOwner) {
    const TempDir home;
    const std::filesystem::path desk = home.path() / "compta";
    const std::filesystem::path file = desk / ".config/Delvaronte/config.dat";
    std::filesystem::create_directory(desk);
    const bool root = geteuid() == 0;
    if (root) {
        ASSERT_EQ(chown(desk.c_str(), 4242, 4343), 0);
    }
    ToolRun result = run({"--file", file.string(), "set-url", "https://compta.exemple.ma"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(run({"--file=" + file.string(), "set-password"}, "secret\n").status, 0);
    EXPECT_TRUE(AppConfig::loadFrom(file.string()).isConfigured());
    EXPECT_FALSE(std::filesystem::exists(kUserFile)) << "the user's own file is untouched";
    if (!root) GTEST_SKIP() << "the owners need root";

    const auto owner = [](const std::filesystem::path& path) {
        struct stat status {};
        stat(path.c_str(), &status);
        return std::pair{status.st_uid, status.st_gid};
    };
    EXPECT_NE(result.out.find("(uid 4242, gid 4343)"), std::string::npos) << result.out;
    for (const auto& path : {file, file.parent_path(), file.parent_path().parent_path()}) {
        EXPECT_EQ(owner(path), std::pair(4242u, 4343u)) << path;
    }
    const passwd* nobody = getpwnam("nobody");
    ASSERT_NE(nobody, nullptr);
    EXPECT_EQ(
        run({"--file", file.string(), "--owner", "nobody", "set-password"}, "secret\n").status, 0);
    EXPECT_EQ(owner(file), std::pair(nobody->pw_uid, nobody->pw_gid));
    EXPECT_EQ(run({"--file", file.string(), "--owner", "personne-inconnue", "show"}).status, 2);
}

// Ctrl+C while a password is typed at a terminal gives the terminal its echo back.
TEST(ConfigTool, AnInterruptedPasswordLeavesTheTerminalEchoing) {
    int terminal = -1;
    const pid_t pid = forkpty(&terminal, nullptr, nullptr, nullptr);
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        execl(DELVARONTE_CONFIG_TOOL, "delvaronte-config", "set-password", nullptr);
        _exit(127);
    }
    std::string seen;  // the prompt comes once echo is off
    pollfd ready{terminal, POLLIN, 0};
    char buffer[256];
    while (seen.find("passe : ") == std::string::npos && poll(&ready, 1, 10000) > 0) {
        const ssize_t got = read(terminal, buffer, sizeof buffer);
        if (got <= 0) break;
        seen.append(buffer, static_cast<size_t>(got));
    }
    termios settings{};
    ASSERT_EQ(tcgetattr(terminal, &settings), 0);
    EXPECT_EQ(settings.c_lflag & ECHO, 0u) << seen;
    ASSERT_EQ(write(terminal, "\x03", 1), 1);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << status;
    ASSERT_EQ(tcgetattr(terminal, &settings), 0);
    EXPECT_NE(settings.c_lflag & ECHO, 0u) << "echo is back";
    close(terminal);
}
