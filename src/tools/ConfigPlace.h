// Where config.dat is, opened as the tool may act on it: a user on their own terms; root
// through descriptors that follow no link a desk user could have planted, with what it writes
// given to the desk's user.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "config/AppConfig.h"
#include "tools/ConfigTool.h"
#include "tools/DeskFolder.h"

namespace delvaronte {

// Who a file that root writes for a user belongs to: the one named, or the owner of the
// nearest folder that already exists.
struct Owner {
    FileOwner ids;
    std::string name;
};

std::optional<Owner> ownerNamed(const std::string& name);

// config.dat's folder, opened as this process may act in it, and who gets what it writes.
struct Place {
    std::string path;  // as given, for messages
    std::string name;  // the file's name in its folder
    DeskFolder folder;
    bool asRoot = false;
    std::optional<Owner> owner;  // root writing for a user

    // The path of a file beside config.dat, for messages.
    std::string pathOf(const std::string& file) const {
        return file == name ? path : (std::filesystem::path(path).parent_path() / file).string();
    }
};

// Says that root refused to follow that link; the exit status.
int linkRefused(ConfigToolIo& io, const std::string& link);

// Opens path's folder. owner: the user named by --owner; empty, the owner of the nearest folder
// that exists. Nothing, said on io.err with status set, when the folder cannot be used.
std::optional<Place> openPlace(const std::string& path, const std::string& owner, ConfigToolIo& io,
                               int& status);

// The bytes of the file of that name beside config.dat, empty when there is none; nothing, said
// on io.err with status set, when it is not a file the tool will read.
std::optional<std::string> readInPlace(const Place& place, const std::string& name,
                                       ConfigToolIo& io, int& status);

// Writes the file of that name beside config.dat, making the missing folders; the exit status.
int saveInPlace(Place& place, const std::string& name, std::string_view bytes, ConfigToolIo& io);

}  // namespace delvaronte
