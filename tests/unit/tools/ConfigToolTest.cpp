// delvaronte-config: provisioning, showing and checking config.dat from the command line, as
// a user and as root, and at a terminal.
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <pwd.h>
#include <signal.h>
#include <sys/resource.h>
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
    std::istringstream in(input);
    ConfigToolIo io{out, err, [&](const std::string&) { return readLine(in); }};
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
        {{"set-password"}, std::string(5000, 'x'), "Erreur : le mot de passe n'est pas un texte"},
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
                                        "2J\xE2\x80\xAE"
                                        "exe.\xE2\x81\xA9"),
                     ""};
    ASSERT_TRUE(forged.saveTo(kUserFile.string()));
    EXPECT_NE(
        run({"show"}).out.find("URL : https://a.ma/\\x1b]0;x\\x07\\xc2\\x9b2J\\u202Eexe.\\u2069\n"),
        std::string::npos);
    EXPECT_NE(run({"--file", home.file("\x1b[2J.dat"), "show"}).out.find("/\\x1b[2J.dat"),
              std::string::npos);
    forged.encryptedUrl = "AAAAAAAAAAAAAAAAAAAAAA==";
    ASSERT_TRUE(forged.saveTo(kUserFile.string()));
    EXPECT_NE(run({"show"}).out.find("URL : (illisible"), std::string::npos);
    EXPECT_EQ(run({"check-password"}, "\n").status, 1);
}

// What is no plain file of sensible size is neither read nor replaced, and never waited on:
// a folder, a FIFO, a link to /dev/zero (refused as a link when root reads), a huge file.
TEST(ConfigTool, ReadsOnlyAPlainFileOfSensibleSize) {
    const TempDir home;
    std::filesystem::create_directories(home.path() / "dossier/config.dat");
    std::filesystem::create_directories(home.path() / "fifo");
    ASSERT_EQ(mkfifo(home.file("fifo/config.dat").c_str(), 0600), 0);
    std::filesystem::create_directories(home.path() / "zero");
    std::filesystem::create_symlink("/dev/zero", home.path() / "zero/config.dat");
    std::filesystem::create_directories(home.path() / "grand");
    writeFile(home.path() / "grand/config.dat", std::string(64 * 1024 + 1, ' '));
    for (const char* folder : {"dossier", "fifo", "zero", "grand"}) {
        const std::string file = home.file(folder) + "/config.dat";
        for (const auto& command : {std::vector<std::string>{"show"}, {"set-url", "http://a.ma"}}) {
            std::vector<std::string> arguments{"--file", file};
            arguments.insert(arguments.end(), command.begin(), command.end());
            const ToolRun result = run(arguments);
            EXPECT_EQ(result.status, 1) << folder << " " << command[0];
            EXPECT_TRUE(result.err.find("n'est pas un fichier ordinaire") != std::string::npos ||
                        (geteuid() == 0 && result.err.find("lien symbolique") != std::string::npos))
                << result.err;
        }
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(home.file(folder)), {}), 1)
            << "nothing written beside it";
    }
    EXPECT_EQ(AppConfig::loadFrom(home.file("fifo/config.dat")).encryptedUrl, "");
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

// Root never acts through a link the desk user planted or swaps in: the root-only file that
// stands in for /etc/shadow keeps its owner, mode and content, and no file lands in a
// root-only folder.
TEST(ConfigTool, RootFollowsNoLinkOfTheDeskUser) {
    if (geteuid() != 0) GTEST_SKIP() << "the attacks are on what root does";
    const TempDir home;
    const std::filesystem::path desk = home.path() / "compta", rootOnly = home.path() / "root";
    const std::filesystem::path shadow = home.path() / "shadow", folder = desk / ".config";
    const std::filesystem::path file = folder / "Delvaronte/config.dat";
    std::filesystem::create_directories(folder);
    std::filesystem::create_directory(rootOnly);
    writeFile(shadow, "root:secret\n");
    ASSERT_EQ(chmod(shadow.c_str(), 0600) | chmod(home.path().c_str(), 0755), 0);
    const auto theUsers = [](const std::filesystem::path& path) {
        return lchown(path.c_str(), 4242, 4343) == 0;
    };
    ASSERT_TRUE(theUsers(desk) && theUsers(folder));
    const auto untouched = [&] {
        struct stat status {};
        return lstat(shadow.c_str(), &status) == 0 && status.st_uid == 0 &&
               (status.st_mode & 07777) == 0600 && readFile(shadow) == "root:secret\n" &&
               std::filesystem::is_empty(rootOnly);
    };
    // The folder a link to a root-only folder, then the file a link to a root-only file.
    std::filesystem::create_directory_symlink(rootOnly, file.parent_path());
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(theUsers(round == 0 ? file.parent_path() : file));
        for (const auto& arguments :
             {std::vector<std::string>{"--file", file.string(), "set-url", "https://a.ma"},
              {"--file", file.string(), "--owner", "nobody", "set-url", "https://a.ma"}}) {
            const ToolRun result = run(arguments);
            EXPECT_EQ(result.status, 1) << round;
            EXPECT_NE(result.err.find("lien symbolique"), std::string::npos) << result.err;
            EXPECT_TRUE(untouched()) << round;
        }
        if (round > 0) break;
        std::filesystem::remove(file.parent_path());
        std::filesystem::create_directory(file.parent_path());
        ASSERT_TRUE(theUsers(file.parent_path()));
        std::filesystem::create_symlink(shadow, file);
    }
    // Swapped while root works: the user's own process puts the link back, over and over.
    const pid_t swapper = fork();
    ASSERT_GE(swapper, 0);
    if (swapper == 0) {
        if (setgid(4343) != 0 || setuid(4242) != 0) _exit(1);
        const std::string link = file.string() + ".lien";
        for (int i = 0; i < 5'000'000; ++i) {
            symlink(shadow.c_str(), link.c_str());
            rename(link.c_str(), file.c_str());
        }
        _exit(0);
    }
    for (int i = 0; i < 60; ++i) run({"--file", file.string(), "set-password"}, "secret\n");
    kill(swapper, SIGKILL);
    waitpid(swapper, nullptr, 0);
    EXPECT_TRUE(untouched());
}

// At a terminal: Ctrl+C gives the terminal its echo back; a hang-up the tool was started to
// ignore stays ignored; Ctrl+\\ at the confirmation leaves no core file holding the password.
// From a pipe, one line is read: `yes |` ends with the check's answer.
TEST(ConfigTool, AtATerminalNothingLeaksAndEchoComesBack) {
    const TempDir folder;
    const auto start = [&](bool ignoreHangUp, int& terminal) {
        const pid_t pid = forkpty(&terminal, nullptr, nullptr, nullptr);
        if (pid == 0) {
            rlimit cores{};
            getrlimit(RLIMIT_CORE, &cores);
            cores.rlim_cur = cores.rlim_max;
            if (chdir(folder.path().c_str()) != 0 || setrlimit(RLIMIT_CORE, &cores) != 0) _exit(1);
            if (ignoreHangUp) signal(SIGHUP, SIG_IGN);
            execl(DELVARONTE_CONFIG_TOOL, "delvaronte-config", "--file", "c.dat", "set-password",
                  nullptr);
            _exit(127);
        }
        return pid;
    };
    std::string seen;
    const auto waitFor = [&seen](int terminal, const std::string& text) {
        pollfd ready{terminal, POLLIN, 0};
        char buffer[256];
        while (seen.find(text) == std::string::npos && poll(&ready, 1, 10000) > 0) {
            const ssize_t got = read(terminal, buffer, sizeof buffer);
            if (got <= 0) break;
            seen.append(buffer, static_cast<size_t>(got));
        }
        return seen.find(text) != std::string::npos;
    };
    int terminal = -1;
    pid_t pid = start(false, terminal);
    ASSERT_TRUE(waitFor(terminal, "passe : ")) << seen;  // the prompt comes once echo is off
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

    seen.clear();
    pid = start(true, terminal);
    ASSERT_TRUE(waitFor(terminal, "passe : "));
    kill(pid, SIGHUP);
    ASSERT_EQ(write(terminal, "secret\n", 7), 7);
    ASSERT_TRUE(waitFor(terminal, "Confirmer : ")) << seen;
    ASSERT_EQ(write(terminal, "\x1c", 1), 1);
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGQUIT && !WCOREDUMP(status)) << status;
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 0);
    close(terminal);

    const std::string endless = "timeout 30 sh -c 'yes | " DELVARONTE_CONFIG_TOOL " --file " +
                                folder.file("c.dat") + " check-password'";
    status = system(endless.c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
}
