// delvaronte-config run as a process, as an administrator would run it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "TempDir.h"
#include "config/AppConfig.h"

extern char** environ;

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
    // Runs the tool with its own HOME and XDG_CONFIG_HOME, stdin taken from input.
    ToolRun run(const std::vector<std::string>& arguments, const std::string& input = "") {
        writeFile(scratch_.file("stdin"), input);
        std::vector<std::string> environment;
        for (char** e = environ; *e != nullptr; ++e) {
            const std::string entry = *e;
            if (!entry.starts_with("XDG_CONFIG_HOME=") && !entry.starts_with("HOME=")) {
                environment.push_back(entry);
            }
        }
        environment.push_back("XDG_CONFIG_HOME=" + configHome().string());
        environment.push_back("HOME=" + home_.path().string());

        std::vector<std::string> command{DELVARONTE_CONFIG_TOOL};
        command.insert(command.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv, envp;
        for (auto& a : command) argv.push_back(a.data());
        for (auto& e : environment) envp.push_back(e.data());
        argv.push_back(nullptr);
        envp.push_back(nullptr);

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, scratch_.file("stdin").c_str(), O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, scratch_.file("stdout").c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_addopen(&actions, 2, scratch_.file("stderr").c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        pid_t pid = 0;
        ToolRun result;
        if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) == 0) {
            int status = 0;
            waitpid(pid, &status, 0);
            result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        result.out = readFile(scratch_.file("stdout"));
        result.err = readFile(scratch_.file("stderr"));
        return result;
    }

    std::filesystem::path configHome() const { return home_.path() / "config"; }
    std::filesystem::path userFile() const { return configHome() / "Delvaronte" / "config.dat"; }
    AppConfig userRecord() const { return AppConfig::loadFrom(userFile().string()); }

    TempDir home_;
    TempDir scratch_;
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
