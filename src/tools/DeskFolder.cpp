#include "tools/DeskFolder.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <deque>
#include <optional>

namespace delvaronte {

namespace {

// Links deeper than this are a loop, as the kernel counts them.
constexpr int kMaxLinks = 40;

std::deque<std::string> componentsOf(const std::filesystem::path& path) {
    std::deque<std::string> parts;
    for (const auto& part : path.relative_path()) {
        if (!part.empty() && part != ".") parts.push_back(part.string());
    }
    return parts;
}

UniqueFd openFolderAt(int parent, const char* name) {
    return UniqueFd(::openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
}

// A link in this folder is root's word only when nobody else can add or swap one here.
bool onlyRootChanges(int folder) {
    struct stat status {};
    return ::fstat(folder, &status) == 0 && status.st_uid == 0 &&
           (status.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

// Whether root may follow this link: any link for a user on their own files; for root, only
// its own link in a folder nobody else can change.
bool mayFollow(int folder, const struct stat& link, bool onlyRootsLinks) {
    return !onlyRootsLinks || (link.st_uid == 0 && onlyRootChanges(folder));
}

std::optional<std::filesystem::path> linkTarget(int folder, const std::string& name) {
    char target[4096];
    const ssize_t size = ::readlinkat(folder, name.c_str(), target, sizeof target - 1);
    if (size <= 0) return std::nullopt;
    return std::filesystem::path(std::string(target, static_cast<size_t>(size)));
}

}  // namespace

DeskFolder openDeskFolder(const std::filesystem::path& folder, bool onlyRootsLinks) {
    DeskFolder walk;
    walk.existing = openFolderAt(AT_FDCWD, "/");
    std::deque<std::string> rest = componentsOf(folder);
    std::filesystem::path reached = "/";
    int links = 0;
    while (walk.existing && !rest.empty()) {
        const std::string name = rest.front();
        struct stat status {};
        if (::fstatat(walk.existing.get(), name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno == ENOENT) walk.missing.assign(rest.begin(), rest.end());
            walk.blocked = errno != ENOENT;
            return walk;
        }
        rest.pop_front();
        if (S_ISLNK(status.st_mode)) {
            if (!mayFollow(walk.existing.get(), status, onlyRootsLinks)) {
                walk.refusedLink = (reached / name).string();
                return walk;
            }
            const std::optional<std::filesystem::path> to = linkTarget(walk.existing.get(), name);
            if (!to || ++links > kMaxLinks) {
                walk.blocked = true;
                return walk;
            }
            std::deque<std::string> parts = componentsOf(*to);
            rest.insert(rest.begin(), parts.begin(), parts.end());
            if (to->is_absolute()) {
                walk.existing = openFolderAt(AT_FDCWD, "/");
                reached = "/";
            }
            continue;
        }
        UniqueFd next = openFolderAt(walk.existing.get(), name.c_str());
        if (!next) {
            // Swapped for a link since it was looked at, or not a folder at all.
            if (errno == ELOOP) walk.refusedLink = (reached / name).string();
            walk.blocked = errno != ELOOP;
            return walk;
        }
        walk.existing = std::move(next);
        reached = name == ".." ? reached.parent_path() : reached / name;
    }
    walk.blocked = !walk.existing;
    return walk;
}

FileRead readDeskFile(const std::filesystem::path& file, bool onlyRootsLinks, size_t limit,
                      std::string& refusedLink) {
    std::filesystem::path path = file;
    for (int links = 0; links <= kMaxLinks; ++links) {
        const DeskFolder folder = openDeskFolder(path.parent_path(), onlyRootsLinks);
        refusedLink = folder.refusedLink;
        if (!refusedLink.empty()) return {FileRead::Outcome::Link, {}};
        if (!folder.complete() || path.filename().empty()) return {FileRead::Outcome::Missing, {}};
        const int at = folder.existing.get();
        const std::string name = path.filename().string();
        struct stat status {};
        if (::fstatat(at, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISLNK(status.st_mode)) {
            return readRegularFile(at, name, false, limit);
        }
        if (!mayFollow(at, status, onlyRootsLinks)) {
            refusedLink = path.string();
            return {FileRead::Outcome::Link, {}};
        }
        const std::optional<std::filesystem::path> to = linkTarget(at, name);
        if (!to) return {FileRead::Outcome::Unreadable, {}};
        path = to->is_absolute() ? *to : path.parent_path() / *to;
    }
    return {FileRead::Outcome::Unreadable, {}};
}

bool makeMissingFolders(DeskFolder& folder, std::optional<FileOwner> owner) {
    while (folder.existing && !folder.missing.empty()) {
        const std::string name = folder.missing.front();
        const bool made = ::mkdirat(folder.existing.get(), name.c_str(), 0700) == 0;
        if (!made && errno != EEXIST) return false;
        UniqueFd next = openFolderAt(folder.existing.get(), name.c_str());
        if (!next) {
            if (errno == ELOOP) folder.refusedLink = name;
            return false;
        }
        if (made && owner && ::fchown(next.get(), owner->uid, owner->gid) != 0) return false;
        folder.existing = std::move(next);
        folder.missing.erase(folder.missing.begin());
    }
    return folder.complete();
}

}  // namespace delvaronte
