#include "config/AtomicFile.h"

#include <glib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>

#include "base/UniqueFd.h"

namespace delvaronte {

const FileSystemCalls& posixFileSystemCalls() {
    static const FileSystemCalls calls{
        [](int fd, const void* data, size_t size) { return ::write(fd, data, size); },
        [](int fd) { return ::fsync(fd); },
        [](int folder, const char* from, const char* to) {
            return ::renameat(folder, from, folder, to);
        },
    };
    return calls;
}

namespace {

bool writeAll(int fd, std::string_view bytes, const FileSystemCalls& calls) {
    while (!bytes.empty()) {
        const ssize_t written = calls.write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        bytes.remove_prefix(static_cast<size_t>(written));
    }
    return true;
}

// A new file of a name of its own beside name: never a file or link that was already there.
UniqueFd createTemporary(int folder, const std::string& name, std::string& temporary) {
    const std::string directory = std::filesystem::path(name).parent_path().string();
    const std::string base = std::filesystem::path(name).filename().string();
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[8];
        std::snprintf(suffix, sizeof suffix, "%06x", g_random_int_range(0, 0x1000000));
        temporary = directory.empty() ? std::string() : directory + "/";
        temporary.append(".").append(base).append(".").append(suffix);
        const int fd = ::openat(folder, temporary.c_str(),
                                O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0 || errno != EEXIST) return UniqueFd(fd);
    }
    return UniqueFd();
}

// Makes the rename itself durable; a failure here is no reason to report the save as failed,
// since the new content is already in place.
void syncFolder(int folder, const std::string& name) {
    const std::string directory = std::filesystem::path(name).parent_path().string();
    const UniqueFd fd(::openat(folder, directory.empty() ? "." : directory.c_str(),
                               O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd) ::fsync(fd.get());
}

}  // namespace

bool replaceFileAtomically(int folder, const std::string& name, std::string_view bytes,
                           std::optional<FileOwner> owner, const FileSystemCalls& calls) {
    std::string temporary;
    UniqueFd fd = createTemporary(folder, name, temporary);
    if (!fd) return false;

    const bool given = !owner || ::fchown(fd.get(), owner->uid, owner->gid) == 0;
    const bool written = given && writeAll(fd.get(), bytes, calls) && calls.fsync(fd.get()) == 0;
    const bool closed = ::close(fd.release()) == 0;
    if (!written || !closed || calls.rename(folder, temporary.c_str(), name.c_str()) != 0) {
        ::unlinkat(folder, temporary.c_str(), 0);
        return false;
    }
    syncFolder(folder, name);
    return true;
}

bool replaceFileAtomically(const std::string& path, std::string_view bytes,
                           const FileSystemCalls& calls) {
    return replaceFileAtomically(AT_FDCWD, path, bytes, std::nullopt, calls);
}

FileRead readRegularFile(int folder, const std::string& name, bool followLinks, size_t limit) {
    using Outcome = FileRead::Outcome;
    // Without O_NONBLOCK, opening a FIFO would wait for a writer for good.
    const int flags = O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | (followLinks ? 0 : O_NOFOLLOW);
    const UniqueFd fd(::openat(folder, name.c_str(), flags));
    if (!fd) {
        if (errno == ENOENT) return {Outcome::Missing, {}};
        return {errno == ELOOP && !followLinks ? Outcome::Link : Outcome::Unreadable, {}};
    }
    struct stat status {};
    if (::fstat(fd.get(), &status) != 0) return {Outcome::Unreadable, {}};
    if (!S_ISREG(status.st_mode)) return {Outcome::NotRegular, {}};
    if (static_cast<size_t>(status.st_size) > limit) return {Outcome::TooLarge, {}};

    // Read up to one byte past the limit: a file that grows meanwhile is still refused.
    std::string bytes(limit + 1, '\0');
    size_t filled = 0;
    while (filled < bytes.size()) {
        const ssize_t got = ::read(fd.get(), bytes.data() + filled, bytes.size() - filled);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return {Outcome::Unreadable, {}};
        if (got == 0) break;
        filled += static_cast<size_t>(got);
    }
    if (filled > limit) return {Outcome::TooLarge, {}};
    bytes.resize(filled);
    return {Outcome::Read, std::move(bytes)};
}

}  // namespace delvaronte
