// Replacing a file so that a reader, or a crash, sees either the old content or the new
// one, never a mixture.
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>
#include <string_view>

namespace delvaronte {

// The system calls that can fail part-way through a replacement. Tests substitute their own
// to make a write, a flush or the rename fail; the program uses the POSIX ones.
struct FileSystemCalls {
    std::function<ssize_t(int fd, const void* data, size_t size)> write;
    std::function<int(int fd)> fsync;
    std::function<int(const char* from, const char* to)> rename;
};

const FileSystemCalls& posixFileSystemCalls();

// Writes bytes to a new file beside path (mode 0600), flushes it to disk and renames it
// over path. Returns false, with path untouched and no temporary file left, on any failure.
bool replaceFileAtomically(const std::string& path, std::string_view bytes,
                           const FileSystemCalls& calls = posixFileSystemCalls());

}  // namespace delvaronte
