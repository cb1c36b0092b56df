// Where config.dat is, opened as the tool may act on it: a user on their own terms; root
// through descriptors that follow no link a desk user could have planted, with what it writes
// given to the desk's user.
#pragma once

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
};

// Opens path's folder. owner: the user named by --owner; empty, the owner of the nearest folder
// that exists. Nothing, said on io.err with status set, when the folder cannot be used.
std::optional<Place> openPlace(const std::string& path, const std::string& owner, ConfigToolIo& io,
                               int& status);

// The record in place, both fields empty when there is no file yet; nothing, said, when the
// file is not one the tool will read.
std::optional<AppConfig> readRecord(const Place& place, ConfigToolIo& io, int& status);

// Writes the record in place, making the missing folders; the exit status.
int saveRecord(const AppConfig& record, Place& place, ConfigToolIo& io);

}  // namespace delvaronte
