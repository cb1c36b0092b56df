#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include "TempDir.h"
#include "config/AppConfig.h"

using delvaronte::AppConfig;
using delvaronte::FileSystemCalls;
using delvaronte::posixFileSystemCalls;
using delvaronte::testing::readFile;
using delvaronte::testing::TempDir;
using delvaronte::testing::writeFile;

namespace {

struct ReadCase {
    const char* name;
    std::string bytes;
    std::string encryptedUrl;
    std::string passwordHash;
};

AppConfig loadBytes(const std::string& bytes) {
    TempDir dir;
    writeFile(dir.file("config.dat"), bytes);
    return AppConfig::loadFrom(dir.file("config.dat"));
}

AppConfig makeRecord(std::string url, std::string hash) {
    AppConfig record;
    record.encryptedUrl = std::move(url);
    record.passwordHash = std::move(hash);
    return record;
}

}  // namespace

TEST(ConfigFileReading, AcceptsAnyJsonTextFormingTheObject) {
    const ReadCase cases[] = {
        {"compact", R"({"encryptedUrl":"a\/b+c=","passwordHash":"h\/="})", "a/b+c=", "h/="},
        {"members swapped", R"({"passwordHash":"H","encryptedUrl":"U"})", "U", "H"},
        {"whitespace and line breaks",
         "\n{ \"encryptedUrl\" :\t\"U\" ,\r\n \"passwordHash\": \"H\" }\n", "U", "H"},
        {"plain slashes", R"({"encryptedUrl":"a/b","passwordHash":"c/d"})", "a/b", "c/d"},
        {"only the address", R"({"encryptedUrl":"U"})", "U", ""},
        {"only the hash", R"({"passwordHash":"H"})", "", "H"},
        {"empty object", "{}", "", ""},
        {"further string member", R"({"encryptedUrl":"U","note":"x","passwordHash":"H"})", "U",
         "H"},
        {"escapes decoded", R"({"encryptedUrl":"\u00e9\"\\","passwordHash":"\u0041"})",
         "\xC3\xA9\"\\", "A"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const AppConfig record = loadBytes(c.bytes);
        EXPECT_EQ(record.encryptedUrl, c.encryptedUrl);
        EXPECT_EQ(record.passwordHash, c.passwordHash);
    }
}

TEST(ConfigFileReading, AnythingElseGivesAnEmptyRecord) {
    const ReadCase cases[] = {
        {"empty file", "", "", ""},
        {"not JSON", "encryptedUrl=U", "", ""},
        {"truncated object", R"({"encryptedUrl":"U","passwordHash":"H")", "", ""},
        {"trailing garbage", R"({"encryptedUrl":"U","passwordHash":"H"}x)", "", ""},
        {"top-level array", R"([{"encryptedUrl":"U","passwordHash":"H"}])", "", ""},
        {"top-level string", R"("U")", "", ""},
        {"top-level number", "42", "", ""},
        {"top-level null", "null", "", ""},
        {"further number member", R"({"encryptedUrl":"U","passwordHash":"H","n":1})", "", ""},
        {"further object member", R"({"encryptedUrl":"U","passwordHash":"H","o":{}})", "", ""},
        {"further array member", R"({"encryptedUrl":"U","passwordHash":"H","a":["x"]})", "", ""},
        {"further boolean member", R"({"encryptedUrl":"U","passwordHash":"H","b":true})", "", ""},
        {"address null", R"({"encryptedUrl":null,"passwordHash":"H"})", "", ""},
        {"hash null", R"({"encryptedUrl":"U","passwordHash":null})", "", ""},
        {"invalid UTF-8 in a string", "{\"encryptedUrl\":\"\xFF\",\"passwordHash\":\"H\"}", "", ""},
        {"lone surrogate escape", R"({"encryptedUrl":"\ud800","passwordHash":"H"})", "", ""},
        {"deep nesting", std::string(100000, '[') + std::string(100000, ']'), "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const AppConfig record = loadBytes(c.bytes);
        EXPECT_EQ(record.encryptedUrl, "");
        EXPECT_EQ(record.passwordHash, "");
        EXPECT_FALSE(record.isConfigured());
    }
}

TEST(ConfigFileReading, MissingFileGivesEmptyRecordAndCreatesOnlyTheFolder) {
    const std::filesystem::path folder =
        std::filesystem::path(getenv("XDG_CONFIG_HOME")) / "Delvaronte";
    std::filesystem::remove_all(folder);

    const AppConfig record = AppConfig::load();
    EXPECT_FALSE(record.isConfigured());
    EXPECT_TRUE(record.encryptedUrl.empty() && record.passwordHash.empty());
    EXPECT_TRUE(std::filesystem::is_directory(folder));
    EXPECT_FALSE(std::filesystem::exists(folder / "config.dat"));
    EXPECT_EQ(AppConfig::configFilePath(), (folder / "config.dat").string());

    // A loadFrom of a file in a missing folder creates nothing.
    TempDir dir;
    EXPECT_FALSE(AppConfig::loadFrom(dir.file("absent/config.dat")).isConfigured());
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "absent"));
}

TEST(ConfigFileWriting, WritesTheCompactTwoMemberObjectWithEscapedSlashes) {
    TempDir dir;
    const std::string path = dir.file("config.dat");

    ASSERT_TRUE(AppConfig().saveTo(path));
    EXPECT_EQ(readFile(path), R"({"encryptedUrl":"","passwordHash":""})");
    EXPECT_FALSE(AppConfig::loadFrom(path).isConfigured());

    const AppConfig record = makeRecord("0lSOw5y5/FTNx+JY4ll/m5U=", "w3E2Rnga8d+2mVWAJ/zVJ1dz==");
    ASSERT_TRUE(record.saveTo(path));
    EXPECT_EQ(
        readFile(path),
        R"({"encryptedUrl":"0lSOw5y5\/FTNx+JY4ll\/m5U=","passwordHash":"w3E2Rnga8d+2mVWAJ\/zVJ1dz=="})");
    const AppConfig back = AppConfig::loadFrom(path);
    EXPECT_EQ(back.encryptedUrl, record.encryptedUrl);
    EXPECT_EQ(back.passwordHash, record.passwordHash);
    EXPECT_TRUE(back.isConfigured());
}

TEST(ConfigFileWriting, FieldsAreStoredUncheckedAndComeBackUnchanged) {
    // Fields are opaque text: whatever a caller assigned must survive the file.
    TempDir dir;
    const std::string path = dir.file("config.dat");
    const AppConfig record =
        makeRecord("quote \" backslash \\ tab \t newline \n nul " + std::string(1, '\0') +
                       " bell \x07 del \x7F",
                   "accent \xC3\xA9 emoji \xF0\x9F\x93\x8A line sep \xE2\x80\xA8");
    ASSERT_TRUE(record.saveTo(path));
    const std::string bytes = readFile(path);
    EXPECT_EQ(bytes.find('\n'), std::string::npos);
    const AppConfig back = AppConfig::loadFrom(path);
    EXPECT_EQ(back.encryptedUrl, record.encryptedUrl);
    EXPECT_EQ(back.passwordHash, record.passwordHash);
}

TEST(ConfigFileWriting, FurtherMembersAreGoneAfterTheNextSave) {
    TempDir dir;
    const std::string path = dir.file("config.dat");
    writeFile(path, R"({ "note": "x", "passwordHash": "H", "encryptedUrl": "U" })");
    ASSERT_TRUE(AppConfig::loadFrom(path).saveTo(path));
    EXPECT_EQ(readFile(path), R"({"encryptedUrl":"U","passwordHash":"H"})");
}

TEST(ConfigFileWriting, FieldThatIsNotUtf8WritesNothing) {
    TempDir dir;
    const std::string path = dir.file("config.dat");
    writeFile(path, "earlier");
    EXPECT_FALSE(makeRecord("\xFF", "H").saveTo(path));
    EXPECT_EQ(readFile(path), "earlier");
}

TEST(ConfigFileWriting, SaveCreatesTheFolderPrivateAndTheFileOwnerOnly) {
    const std::filesystem::path folder =
        std::filesystem::path(getenv("XDG_CONFIG_HOME")) / "Delvaronte";
    std::filesystem::remove_all(folder);

    makeRecord("U", "H").save();
    const std::string path = (folder / "config.dat").string();
    EXPECT_EQ(readFile(path), R"({"encryptedUrl":"U","passwordHash":"H"})");

    struct stat info {};
    ASSERT_EQ(stat(folder.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0700u);
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);

    // Replacing a file that someone made world-readable leaves an owner-only one.
    chmod(path.c_str(), 0644);
    makeRecord("U2", "H2").save();
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
    EXPECT_EQ(AppConfig::load().encryptedUrl, "U2");
}

TEST(ConfigFileWriting, SaveThatFailsPartWayLeavesTheEarlierFileByteForByte) {
    TempDir dir;
    const std::string path = dir.file("config.dat");
    const std::string earlier = R"({"passwordHash":"H0","encryptedUrl":"U0"})";
    const AppConfig record = makeRecord("U1/newer", "H1/newer");

    FileSystemCalls shortDisk = posixFileSystemCalls();
    // Accept a few bytes, then report a full disk.
    shortDisk.write = [](int fd, const void* data, size_t size) -> ssize_t {
        static bool first = true;
        if (first) {
            first = false;
            return ::write(fd, data, size < 5 ? size : 5);
        }
        first = true;
        errno = ENOSPC;
        return -1;
    };
    FileSystemCalls failingFlush = posixFileSystemCalls();
    failingFlush.fsync = [](int) {
        errno = EIO;
        return -1;
    };
    FileSystemCalls failingRename = posixFileSystemCalls();
    failingRename.rename = [](const char*, const char*) {
        errno = EXDEV;
        return -1;
    };

    const std::pair<const char*, const FileSystemCalls*> failures[] = {
        {"write", &shortDisk}, {"flush", &failingFlush}, {"rename", &failingRename}};
    for (const auto& [name, calls] : failures) {
        SCOPED_TRACE(name);
        writeFile(path, earlier);
        EXPECT_FALSE(record.saveTo(path, *calls));
        EXPECT_EQ(readFile(path), earlier);
        // No temporary file is left beside it.
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                                std::filesystem::directory_iterator()),
                  1);
    }

    EXPECT_TRUE(record.saveTo(path));
    EXPECT_EQ(AppConfig::loadFrom(path).encryptedUrl, "U1/newer");
}

TEST(ConfigRecord, IsConfiguredLooksOnlyAtBothLengths) {
    EXPECT_FALSE(AppConfig().isConfigured());
    EXPECT_FALSE(makeRecord("U", "").isConfigured());
    EXPECT_FALSE(makeRecord("", "H").isConfigured());
    EXPECT_TRUE(makeRecord("not base64 at all", "matches nothing").isConfigured());
}
