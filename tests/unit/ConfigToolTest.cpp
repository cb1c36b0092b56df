// delvaronte-config run as a process, as an administrator would run it.
#include <gio/gio.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <csignal>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "TempDir.h"
#include "config/AppConfig.h"

using delvaronte::AppConfig;
using delvaronte::testing::readFile;
using delvaronte::testing::TempDir;
using delvaronte::testing::writeFile;

namespace {

struct ToolRun {
    int status = -1;
    std::string out;
    std::string err;
};

class ConfigTool : public ::testing::Test {
protected:
    // Runs the tool with its own HOME and XDG_CONFIG_HOME, input on its standard input.
    ToolRun run(const std::vector<std::string>& arguments, const std::string& input = "") {
        GSubprocessLauncher* launcher = g_subprocess_launcher_new(
            GSubprocessFlags(G_SUBPROCESS_FLAGS_STDIN_PIPE | G_SUBPROCESS_FLAGS_STDOUT_PIPE |
                             G_SUBPROCESS_FLAGS_STDERR_PIPE));
        g_subprocess_launcher_setenv(launcher, "XDG_CONFIG_HOME", configHome().c_str(), TRUE);
        g_subprocess_launcher_setenv(launcher, "HOME", home_.path().c_str(), TRUE);
        std::vector<const char*> argv{DELVARONTE_CONFIG_TOOL};
        for (const auto& argument : arguments) argv.push_back(argument.c_str());
        argv.push_back(nullptr);
        GSubprocess* process = g_subprocess_launcher_spawnv(launcher, argv.data(), nullptr);
        g_object_unref(launcher);
        ToolRun result;
        if (process == nullptr) return result;
        GBytes* in = g_bytes_new(input.data(), input.size());
        GBytes* out = nullptr;
        GBytes* err = nullptr;
        if (g_subprocess_communicate(process, in, nullptr, &out, &err, nullptr) &&
            g_subprocess_get_if_exited(process)) {
            result.status = g_subprocess_get_exit_status(process);
        }
        for (auto [bytes, text] : {std::pair{out, &result.out}, std::pair{err, &result.err}}) {
            if (bytes == nullptr) continue;
            gsize size = 0;
            const auto* data = static_cast<const char*>(g_bytes_get_data(bytes, &size));
            text->assign(data != nullptr ? data : "", size);
            g_bytes_unref(bytes);
        }
        g_bytes_unref(in);
        g_object_unref(process);
        return result;
    }

    std::filesystem::path configHome() const { return home_.path() / "config"; }
    std::filesystem::path userFile() const { return configHome() / "Delvaronte" / "config.dat"; }
    AppConfig userRecord() const { return AppConfig::loadFrom(userFile().string()); }

    TempDir home_;
};

}  // namespace

TEST_F(ConfigTool, ProvisionsTheUsersFileStepByStep) {
    ToolRun shown = run({"show"});
    EXPECT_EQ(shown.status, 0);
    EXPECT_NE(shown.out.find("Configure : non"), std::string::npos) << shown.out;
    EXPECT_NE(shown.out.find("URL : (aucune)"), std::string::npos) << shown.out;

    EXPECT_EQ(run({"set-url", " \thttps://compta.exemple.ma/app "}).status, 0);
    EXPECT_EQ(AppConfig::decrypt(userRecord().encryptedUrl), "https://compta.exemple.ma/app");
    EXPECT_FALSE(userRecord().isConfigured());

    // Only the line break goes: the spaces are part of the password.
    EXPECT_EQ(run({"set-password"}, " mot de passe \n").status, 0);
    const AppConfig record = userRecord();
    EXPECT_TRUE(record.isConfigured());
    EXPECT_TRUE(record.verifyPassword(" mot de passe "));
    EXPECT_EQ(AppConfig::decrypt(record.encryptedUrl), "https://compta.exemple.ma/app")
        << "the address is kept";

    EXPECT_EQ(run({"check-password"}, " mot de passe \n").status, 0);
    EXPECT_EQ(run({"check-password"}, " mot de passe \r\n").status, 0);
    const ToolRun wrong = run({"check-password"}, "mot de passe\n");
    EXPECT_EQ(wrong.status, 1);
    EXPECT_EQ(wrong.err, "Mot de passe incorrect.\n");

    EXPECT_EQ(run({"set-url", "http://autre.exemple.ma"}).status, 0);
    EXPECT_EQ(userRecord().passwordHash, record.passwordHash) << "the hash is kept";

    shown = run({"show"});
    EXPECT_EQ(shown.status, 0);
    EXPECT_NE(shown.out.find("Configure : oui"), std::string::npos);
    EXPECT_NE(shown.out.find("URL : http://autre.exemple.ma\n"), std::string::npos);
    EXPECT_NE(shown.out.find(userFile().string()), std::string::npos);
    EXPECT_EQ(shown.out.find(record.passwordHash), std::string::npos) << "never the hash";
}

TEST_F(ConfigTool, RefusesInvalidEntriesAndWritesNothing) {
    ASSERT_EQ(run({"set-url", "https://garde.exemple.ma"}).status, 0);
    ASSERT_EQ(run({"set-password"}, "garde\n").status, 0);
    const std::string before = readFile(userFile());

    struct Case {
        std::vector<std::string> arguments;
        std::string input;
        std::string message;
    };
    const Case cases[] = {
        {{"set-url", "ftp://compta.exemple.ma"},
         "",
         "Erreur : L'URL doit commencer par http:// ou https://\n"},
        {{"set-url", "HTTPS://compta.exemple.ma"},
         "",
         "Erreur : L'URL doit commencer par http:// ou https://\n"},
        {{"set-url", "   "}, "", "Erreur : L'URL doit commencer par http:// ou https://\n"},
        {{"set-password"},
         "abc\n",
         "Erreur : Le mot de passe doit contenir au moins 4 caracteres.\n"},
        {{"set-password"}, "", "Erreur : Le mot de passe doit contenir au moins 4 caracteres.\n"},
        {{"set-password"},
         "\nabcdef\n",
         "Erreur : Le mot de passe doit contenir au moins 4 caracteres.\n"},
        {{"set-password"},
         "ab\xFF\xFE\n",
         "Erreur : le mot de passe n'est pas un texte UTF-8 valide.\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.back() + " / " + c.input);
        const ToolRun result = run(c.arguments, c.input);
        EXPECT_EQ(result.status, 2);
        EXPECT_EQ(result.err, c.message);
        EXPECT_EQ(readFile(userFile()), before);
    }
    EXPECT_EQ(run({"check-password"}, "\xFF\xFE\n").status, 1);
}

TEST_F(ConfigTool, BadUsageIsOneLineAndExitTwo) {
    const std::vector<std::vector<std::string>> usages = {
        {},
        {"unknown"},
        {"show", "extra"},
        {"set-url"},
        {"set-url", "https://a.ma", "https://b.ma"},
        {"--file"},
        {"--file", "", "show"},
        {"--file", "x.dat"},
    };
    for (const auto& arguments : usages) {
        const ToolRun result = run(arguments);
        EXPECT_EQ(result.status, 2);
        EXPECT_TRUE(result.err.starts_with("Erreur : "));
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
        EXPECT_EQ(result.out, "");
    }
    EXPECT_FALSE(std::filesystem::exists(userFile()));

    const ToolRun help = run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.starts_with("Usage : delvaronte-config"));
}

TEST_F(ConfigTool, FileOptionPreparesAnotherFileAndLeavesTheUsersAlone) {
    TempDir image;
    const std::string path = (image.path() / "home/compta/.config/Delvaronte/config.dat").string();
    EXPECT_EQ(run({"--file", path, "set-url", "https://compta.exemple.ma"}).status, 0);
    EXPECT_EQ(run({"--file", path, "set-password"}, "secret\n").status, 0);
    EXPECT_EQ(run({"--file", path, "check-password"}, "secret\n").status, 0);
    EXPECT_EQ(run({"--file=" + path, "check-password"}, "secret\n").status, 0);
    EXPECT_TRUE(AppConfig::loadFrom(path).isConfigured());
    EXPECT_FALSE(std::filesystem::exists(configHome())) << "the user's folder is untouched";
}

TEST_F(ConfigTool, ShowSaysWhenTheAddressCannotBeDecrypted) {
    std::filesystem::create_directories(userFile().parent_path());
    writeFile(userFile(), R"({"encryptedUrl":"AAAAAAAAAAAAAAAAAAAAAA==","passwordHash":""})");
    const ToolRun shown = run({"show"});
    EXPECT_EQ(shown.status, 0);
    EXPECT_NE(shown.out.find("URL : (illisible"), std::string::npos) << shown.out;
    EXPECT_NE(shown.out.find("Mot de passe administrateur : non defini"), std::string::npos);
    // No password stored: nothing verifies, not even the empty one.
    EXPECT_EQ(run({"check-password"}, "\n").status, 1);
}

TEST_F(ConfigTool, ReportsAFileThatCannotBeWritten) {
    TempDir dir;
    // A folder where the file should be: the rename cannot replace it, even as root.
    std::filesystem::create_directories(dir.path() / "config.dat" / "inside");
    const ToolRun result = run({"--file", dir.file("config.dat"), "set-url", "https://a.ma"});
    EXPECT_EQ(result.status, 1);
    EXPECT_TRUE(result.err.starts_with("Erreur : impossible d'enregistrer")) << result.err;
}

TEST_F(ConfigTool, ShowEscapesControlCharactersOfAForgedAddress) {
    AppConfig forged;
    forged.encryptedUrl = AppConfig::encrypt(
        "https://a.ma/\x1b]0;pwned\x07\x7f\xC2\x9B"
        "2J");
    ASSERT_TRUE(forged.saveTo(userFile().string()));
    const ToolRun shown = run({"show"});
    EXPECT_NE(shown.out.find("URL : https://a.ma/\\x1b]0;pwned\\x07\\x7f\\xc2\\x9b2J\n"),
              std::string::npos)
        << shown.out;
}

// Root prepares a desk for a user: the file, and every folder the tool makes, are the user's.
TEST_F(ConfigTool, RootGivesWhatItWritesToTheUser) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root, to write files for another user";
    const uid_t uid = 4242;  // a user of the desk; the name matters not, only the number
    const gid_t gid = 4343;
    const std::filesystem::path desk = home_.path() / "compta";
    std::filesystem::create_directory(desk);
    ASSERT_EQ(chown(desk.c_str(), uid, gid), 0);
    const std::filesystem::path file = desk / ".config/Delvaronte/config.dat";
    const auto ownerOf = [](const std::filesystem::path& path) {
        struct stat status {};
        stat(path.c_str(), &status);
        return std::pair{status.st_uid, status.st_gid};
    };

    ToolRun result = run({"--file", file.string(), "set-url", "https://compta.exemple.ma"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.out.find("(uid 4242, gid 4343)"), std::string::npos) << result.out;
    EXPECT_EQ(std::count(result.out.begin(), result.out.end(), '\n'), 1) << "one line";
    for (const auto& path : {file, file.parent_path(), file.parent_path().parent_path()}) {
        EXPECT_EQ(ownerOf(path), std::pair(uid, gid)) << path;
    }

    // Named: nobody exists on every Debian system.
    const passwd* nobody = getpwnam("nobody");
    ASSERT_NE(nobody, nullptr);
    result = run({"--file", file.string(), "--owner", "nobody", "set-password"}, "secret\n");
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(ownerOf(file), std::pair(nobody->pw_uid, nobody->pw_gid));
    EXPECT_EQ(ownerOf(file.parent_path()), std::pair(uid, gid)) << "existing folders stay";

    result = run({"--file", file.string(), "--owner", "personne-inconnue", "show"});
    EXPECT_EQ(result.status, 2);
}

// Ctrl+C while a password is typed at a terminal gives the terminal its echo back.
TEST_F(ConfigTool, AnInterruptedPasswordLeavesTheTerminalEchoing) {
    const std::string config = "XDG_CONFIG_HOME=" + configHome().string();
    char* const environment[] = {const_cast<char*>(config.c_str()), nullptr};
    int terminal = -1;
    const pid_t pid = forkpty(&terminal, nullptr, nullptr, nullptr);
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        execle(DELVARONTE_CONFIG_TOOL, "delvaronte-config", "set-password", nullptr, environment);
        _exit(127);
    }
    // The prompt comes once echo is off.
    std::string seen;
    while (seen.find("passe : ") == std::string::npos) {
        pollfd ready{terminal, POLLIN, 0};
        char buffer[256];
        if (poll(&ready, 1, 10000) <= 0) break;
        const ssize_t got = read(terminal, buffer, sizeof buffer);
        if (got <= 0) break;
        seen.append(buffer, static_cast<size_t>(got));
    }
    termios settings{};
    ASSERT_EQ(tcgetattr(terminal, &settings), 0);
    EXPECT_EQ(settings.c_lflag & ECHO, 0u) << seen;

    ASSERT_EQ(write(terminal, "\x03", 1), 1);  // Ctrl+C
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << status;
    ASSERT_EQ(tcgetattr(terminal, &settings), 0);
    EXPECT_NE(settings.c_lflag & ECHO, 0u) << "echo is back";
    close(terminal);
}
