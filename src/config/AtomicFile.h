// Replacing a file so that a reader, or a crash, sees either the old content or the new
// one, never a mixture; and reading one only when it is a plain file of sensible size.
#pragma once

#include <fcntl.h>
#include <sys/types.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace delvaronte {

// The system calls that can fail part-way through a replacement. Tests substitute their own
// to make a write, a flush or the rename fail; the program uses the POSIX ones.
struct FileSystemCalls {
    std::function<ssize_t(int fd, const void* data, size_t size)> write;
    std::function<int(int fd)> fsync;
    std::function<int(int folder, const char* from, const char* to)> rename;
};

const FileSystemCalls& posixFileSystemCalls();

// Who a file written for someone else belongs to.
struct FileOwner {
    uid_t uid;
    gid_t gid;
};

// Writes bytes to a new file beside name in folder (an open folder, or AT_FDCWD for a name
// that is a path), mode 0600, flushes it to disk and renames it over name. The new file is
// given to owner, when there is one, through its descriptor before it has a name anyone could
// swap. Returns false, with name untouched and no temporary file left, on any failure.
bool replaceFileAtomically(int folder, const std::string& name, std::string_view bytes,
                           std::optional<FileOwner> owner,
                           const FileSystemCalls& calls = posixFileSystemCalls());
// The same for a path, in the folder the path names.
bool replaceFileAtomically(const std::string& path, std::string_view bytes,
                           const FileSystemCalls& calls = posixFileSystemCalls());

// config.dat holds two short texts; nothing real comes near this.
inline constexpr size_t kConfigFileLimit = size_t{64} * 1024;

struct FileRead {
    enum class Outcome { Read, Missing, Link, NotRegular, TooLarge, Unreadable };
    Outcome outcome = Outcome::Unreadable;
    std::string bytes;  // when Read
};

// Reads name in folder (an open folder, or AT_FDCWD) only when it is a regular file of at most
// limit bytes: a FIFO, a device or a folder is never opened for reading nor waited on. With
// followLinks false, a symbolic link in name's place is refused.
FileRead readRegularFile(int folder, const std::string& name, bool followLinks,
                         size_t limit = kConfigFileLimit);

}  // namespace delvaronte
