// A save interrupted by the process being killed at any moment leaves config.dat whole: the
// earlier record or the new one.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <random>
#include <string>

#include "TempDir.h"
#include "config/AppConfig.h"

using delvaronte::AppConfig;
using delvaronte::testing::TempDir;

namespace {

// Saves records U<n>/H<n> with growing n, forever; writes one byte to ready after the
// first save.
[[noreturn]] void saveForever(const std::string& path, int ready) {
    for (long n = 0;; ++n) {
        AppConfig record;
        // Long fields, so that a save is many writes and a kill can land inside one.
        record.encryptedUrl = "U" + std::to_string(n) + "/" + std::string(20000, 'u');
        record.passwordHash = "H" + std::to_string(n) + "+" + std::string(20000, 'h');
        record.saveTo(path);
        if (n == 0) {
            const char byte = 1;
            if (write(ready, &byte, 1) != 1) _exit(2);
            close(ready);
        }
    }
}

bool isOneRecord(const AppConfig& record) {
    const auto number = [](const std::string& field) {
        return field.substr(1, field.find_first_of("/+") - 1);
    };
    return record.encryptedUrl.size() > 20000 && record.passwordHash.size() > 20000 &&
           record.encryptedUrl[0] == 'U' && record.passwordHash[0] == 'H' &&
           number(record.encryptedUrl) == number(record.passwordHash) &&
           record.encryptedUrl.ends_with(std::string(20000, 'u')) &&
           record.passwordHash.ends_with(std::string(20000, 'h'));
}

}  // namespace

TEST(CrashSafety, KilledWhileSavingLeavesAWholeRecord) {
    TempDir dir;
    const std::string path = dir.file("config.dat");
    std::mt19937 random(20261206);
    std::uniform_int_distribution<int> pause(0, 3000);  // microseconds after the first save

    for (int round = 0; round < 200; ++round) {
        SCOPED_TRACE(round);
        int pipeEnds[2];
        ASSERT_EQ(pipe(pipeEnds), 0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            close(pipeEnds[0]);
            saveForever(path, pipeEnds[1]);
        }
        close(pipeEnds[1]);
        char byte = 0;
        ASSERT_EQ(read(pipeEnds[0], &byte, 1), 1) << "the child saved once";
        close(pipeEnds[0]);
        usleep(static_cast<useconds_t>(pause(random)));
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status));

        ASSERT_TRUE(isOneRecord(AppConfig::loadFrom(path)));
    }
}
