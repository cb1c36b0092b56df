// config.dat: the address cipher, the password hash, Base64, the file itself, and the
// administrators' tool that provisions and shows it.
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <random>
#include <sstream>

#include "TempDir.h"
#include "config/AppConfig.h"
#include "config/Base64.h"
#include "tools/ConfigTool.h"

using namespace delvaronte;
using namespace std::string_literals;
using delvaronte::testing::readFile;
using delvaronte::testing::TempDir;
using delvaronte::testing::writeFile;

// Every test of this process keeps its config.dat in a throw-away folder, never the user's:
// set before main, since GLib reads XDG_CONFIG_HOME once.
static const TempDir kConfigHome;
[[maybe_unused]] static const bool kIsolated =
    setenv("XDG_CONFIG_HOME", kConfigHome.path().c_str(), 1) == 0;

// Vectors computed apart: printf '%s' TEXT | openssl enc -aes-128-cbc -K <key> -iv <iv> -base64
// and printf '<prefix>%s' PASSWORD | openssl dgst -sha256 -binary | base64.
TEST(Cipher, MatchesIndependentVectorsAndEveryFailureIsEmpty) {
    const std::pair<std::string, std::string> vectors[] = {
        {"", "Vnu1B0SHG12F0f5Ztffn8A=="},
        {"https://exemple.fr/\xC3\xA9", "i8iUpHF82L6XcJfgNyoI6B4kI3duW59MVkIWQBT1L50="},
        {"0123456789abcdef", "FgHfjYatCjn0Uyr/Lm23ImtLw7d76T22lbLbZfNBjKY="}};
    for (const auto& [plain, cipher] : vectors) {
        EXPECT_EQ(AppConfig::encrypt(plain), cipher);
        EXPECT_EQ(AppConfig::decrypt(cipher), plain);
    }
    EXPECT_EQ(AppConfig::encrypt("\xC3\x28"), "") << "not UTF-8";
    for (const std::string bad :
         {"", "0lSOw5y5FTNxJY4ll/m5UL40 dFNpEDGXjkAc3Cb8JbY=", "AAAAAAAAAAAAAAAAAAAA",
          "2qNF0+bn6cYNjEZKKtC8Sw==" /* another key */,
          "4cIXA4XJdixOB0geFENzCQ==" /* our key, plain bytes not UTF-8 */})
        EXPECT_EQ(AppConfig::decrypt(bad), "") << bad;
    for (const char* text : {"TWF", "T===", "TQ==TQ==", "TW=u", "TWFu ", "TWF-", "TR==", "TWF="})
        EXPECT_FALSE(base64Decode(text).has_value()) << text;
}

TEST(PasswordHash, MatchesIndependentDigestsAndVerifiesOnlyTheExactPassword) {
    EXPECT_EQ(AppConfig::hashPassword(""), "w3E2Rnga8d+2mVWAJzVJ1dzg8JZ+pD1ab1XDqOUgPeM=");
    const std::string hash = AppConfig::hashPassword("motdepasse");
    EXPECT_EQ(hash, "RmAWZyZUnXk9UGodZZFrES3YsAuDLQmW1zrra36I5vE=");
    EXPECT_TRUE(AppConfig({"", hash}).verifyPassword("motdepasse"));
    for (const char* typed : {" motdepasse", "MOTDEPASSE", ""})
        EXPECT_FALSE(AppConfig({"", hash}).verifyPassword(typed)) << typed;
    for (const std::string& stored : {hash.substr(0, 43), hash + "="})
        EXPECT_FALSE(AppConfig({"", stored}).verifyPassword("motdepasse")) << stored;
    // Nothing stored, or a password that cannot be hashed: nothing verifies.
    EXPECT_EQ(AppConfig::hashPassword("\xFF\xFE"), "");
    for (const char* typed : {"", "\xFF\xFE"}) EXPECT_FALSE(AppConfig().verifyPassword(typed));
}

TEST(ConfigFile, ReadsTheObjectInAnyJsonSpellingAndNothingElse) {
    TempDir dir;
    const std::string path = dir.file("config.dat");
    const std::pair<std::string, std::pair<std::string, std::string>> cases[] = {
        {R"({"encryptedUrl":"a\/b+c=","passwordHash":"h\/="})", {"a/b+c=", "h/="}},
        {"\n{ \"passwordHash\": \"H\",\r\n \"note\":\"x\", \"encryptedUrl\" :\t\"U\" }",
         {"U", "H"}},
        {R"({"encryptedUrl":"\u00e9"})", {"\xC3\xA9", ""}}};
    for (const auto& [bytes, fields] : cases) {
        writeFile(path, bytes);
        const AppConfig read = AppConfig::loadFrom(path);
        EXPECT_EQ(std::pair(read.encryptedUrl, read.passwordHash), fields) << bytes;
    }
    for (const std::string& bytes : {""s, R"({"encryptedUrl":"U","passwordHash":"H"}x)"s,
                                     R"([{"encryptedUrl":"U","passwordHash":"H"}])"s,
                                     R"({"encryptedUrl":"U","passwordHash":"H","n":1})"s,
                                     R"({"encryptedUrl":null,"passwordHash":"H"})"s,
                                     "{\"encryptedUrl\":\"\xFF\",\"passwordHash\":\"H\"}"s,
                                     std::string(100000, '[') + std::string(100000, ']')}) {
        writeFile(path, bytes);
        const AppConfig read = AppConfig::loadFrom(path);
        EXPECT_TRUE(read.encryptedUrl.empty() && read.passwordHash.empty()) << bytes.substr(0, 60);
    }
    EXPECT_FALSE(AppConfig::loadFrom(dir.file("absent/config.dat")).isConfigured());
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "absent"));
}

TEST(ConfigFile, WritesTheCompactObjectPrivatelyAndKeepsAnyField) {
    const std::filesystem::path folder = kConfigHome.path() / "Delvaronte";
    EXPECT_FALSE(AppConfig::load().isConfigured());
    EXPECT_TRUE(std::filesystem::is_directory(folder)) << "loading makes the folder";
    EXPECT_FALSE(std::filesystem::exists(folder / "config.dat"));

    AppConfig({"0lSO/w5y+5=", "H/1"}).save();
    const std::string path = AppConfig::configFilePath();
    EXPECT_EQ(path, (folder / "config.dat").string());
    EXPECT_EQ(readFile(path), R"({"encryptedUrl":"0lSO\/w5y+5=","passwordHash":"H\/1"})");
    struct stat info {};
    ASSERT_EQ(stat(folder.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0700u);
    chmod(path.c_str(), 0644);
    const AppConfig odd{std::string("quote \" tab \t escape \x1b nul ") + '\0' + " bell \x07",
                        "accent \xC3\xA9 line sep \xE2\x80\xA8"};
    odd.save();
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u) << "replaced by an owner-only file";
    EXPECT_EQ(readFile(path).find_first_of("\t\x1b\x07"), std::string::npos) << "escaped";
    EXPECT_EQ(AppConfig::load().encryptedUrl, odd.encryptedUrl);
    EXPECT_EQ(AppConfig::load().passwordHash, odd.passwordHash);
    EXPECT_FALSE(AppConfig({"\xFF", "H"}).saveTo(path)) << "not UTF-8: nothing written";
    EXPECT_EQ(AppConfig::load().encryptedUrl, odd.encryptedUrl);
}

TEST(ConfigFile, ASaveThatFailsPartWayLeavesTheEarlierFile) {
    TempDir dir;
    const std::string path = dir.file("config.dat");
    const std::string earlier = R"({"passwordHash":"H0","encryptedUrl":"U0"})";
    FileSystemCalls shortWrite = posixFileSystemCalls();
    shortWrite.write = [](int fd, const void* data, size_t size) -> ssize_t {
        static int calls = 0;
        if (++calls % 2 == 1) return ::write(fd, data, size < 5 ? size : 5);
        errno = ENOSPC;
        return -1;
    };
    FileSystemCalls failedFlush = posixFileSystemCalls();
    failedFlush.fsync = [](int) { return -1; };
    FileSystemCalls failedRename = posixFileSystemCalls();
    failedRename.rename = [](const char*, const char*) { return -1; };
    for (const FileSystemCalls* calls : {&shortWrite, &failedFlush, &failedRename}) {
        writeFile(path, earlier);
        EXPECT_FALSE(AppConfig({"U1", "H1"}).saveTo(path, *calls));
        EXPECT_EQ(readFile(path), earlier);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1)
            << "no temporary file left";
    }
}

// Killed at any moment of a save, the process leaves config.dat whole: one record or the next.
TEST(ConfigFile, KilledWhileSavingLeavesAWholeRecord) {
    TempDir dir;
    const std::string path = dir.file("config.dat");
    const std::string fill(20000, 'x');
    std::mt19937 random(20261206);
    for (int round = 0; round < 100; ++round) {
        int ready[2];
        ASSERT_EQ(pipe(ready), 0);
        const pid_t child = fork();
        if (child == 0) {
            for (long n = 0;; ++n) {
                const std::string number = std::to_string(n);
                AppConfig({"U" + number + fill, "H" + number + fill}).saveTo(path);
                if (n == 0 && write(ready[1], "", 1) != 1) _exit(2);
            }
        }
        char byte = 0;
        ASSERT_EQ(read(ready[0], &byte, 1), 1);
        close(ready[0]);
        close(ready[1]);
        usleep(std::uniform_int_distribution<useconds_t>(0, 3000)(random));
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        const AppConfig left = AppConfig::loadFrom(path);
        ASSERT_TRUE(left.encryptedUrl.ends_with(fill) && left.passwordHash.ends_with(fill) &&
                    left.encryptedUrl.substr(1) == left.passwordHash.substr(1))
            << round;
    }
}

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
