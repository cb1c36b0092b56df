// config.dat: the address cipher, the password hash, Base64, the file itself; the entry
// rules an administrator's entries pass.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <random>

#include "../../TempDir.h"
#include "config/AppConfig.h"
#include "config/Base64.h"
#include "config/EntryRules.h"

using namespace delvaronte;
using namespace std::string_literals;
using namespace delvaronte::testing;

// Vectors computed apart: printf '%s' TEXT | openssl enc -aes-128-cbc -K <key> -iv <iv> -base64
// and printf '<prefix>%s' PASSWORD | openssl dgst -sha256 -binary | base64.
TEST(Cipher, MatchesIndependentVectorsAndEveryFailureIsEmpty) {
    const std::pair<std::string, std::string> vectors[] = {
        {"", "Vnu1B0SHG12F0f5Ztffn8A=="},
        {"https://exemple.fr/\xC3\xA9", "i8iUpHF82L6XcJfgNyoI6B4kI3duW59MVkIWQBT1L50="},
        {"0123456789abcdef", "FgHfjYatCjn0Uyr/Lm23ImtLw7d76T22lbLbZfNBjKY="}};
    for (const auto& [plain, cipher] : vectors) {
        EXPECT_EQ(AppConfig::encrypt(plain), cipher) << plain;
        EXPECT_EQ(AppConfig::decrypt(cipher), plain) << cipher;
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
    failedRename.rename = [](int, const char*, const char*) { return -1; };
    for (const auto& [what, calls] :
         {std::pair("short write", &shortWrite), std::pair("failed flush", &failedFlush),
          std::pair("failed rename", &failedRename)}) {
        SCOPED_TRACE(what);
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
        SCOPED_TRACE(url + " | " + password + " | " + confirmation);
        EXPECT_EQ(firstSetupFailure(url, password, confirmation).value_or(""), setup);
        EXPECT_EQ(firstEditFailure(url, password, confirmation).value_or(""), edit);
    }
}
