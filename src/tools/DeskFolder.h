// The folder config.dat goes in, opened so that root never acts through a path the desk user
// controls: every step is taken from the folder before it, and a symbolic link is followed only
// when it is root's own in a folder only root can change (a system's /home -> /usr/home). A link
// the user could have made or swapped in is refused, and the folders made are made through the
// descriptor of their parent, so no later swap can redirect what root writes.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "base/UniqueFd.h"
#include "config/AtomicFile.h"

namespace delvaronte {

struct DeskFolder {
    UniqueFd existing;                 // the deepest folder of the path that exists
    std::vector<std::string> missing;  // the folders below it still to make, in order
    std::string refusedLink;           // the link that stopped the walk, when one did
    bool blocked = false;              // something that is not a folder stands in the way

    bool complete() const { return existing && missing.empty(); }
};

// Walks an absolute folder path. With onlyRootsLinks false (a user acting on their own
// files), every link is followed.
DeskFolder openDeskFolder(const std::filesystem::path& folder, bool onlyRootsLinks);

// Reads the file at an absolute path the way the folders are walked: with onlyRootsLinks, a
// link in its place is followed only when it is root's own in a folder only root can change
// (refusedLink names one that is not); only a regular file of at most limit bytes is read.
FileRead readDeskFile(const std::filesystem::path& file, bool onlyRootsLinks, size_t limit,
                      std::string& refusedLink);

// Makes the missing folders (0700), given to owner when there is one; afterwards existing is
// the folder itself. False when one could not be made, or a link took its place (refusedLink).
bool makeMissingFolders(DeskFolder& folder, std::optional<FileOwner> owner);

}  // namespace delvaronte
