// Names and places for downloaded files.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace delvaronte {

// The longest file name, in bytes, that Linux file systems take.
inline constexpr size_t kMaxFileNameBytes = 255;

// The name a download is offered under: the last part of what the server or page suggested,
// without folders, control characters or a leading dot, shortened to the longest name the
// file system takes (keeping its extension, never cutting a character in two);
// "telechargement" when nothing is left.
std::string safeFileName(std::string_view suggested);

// A name for a file saved without asking: name itself, or "name (2).ext", "name (3).ext"...,
// the first that taken says no file has.
std::string freeName(const std::string& name, const std::function<bool(const std::string&)>& taken);

// Creates the file a download is written to until it is complete: hidden, beside the chosen
// one, under a name that no other download shares. Its path, or empty when it cannot be made.
std::string createPartialFile(const std::string& chosen);

// The extension of name that the office refuses downloads of, as the office lists it
// (without its dot, whether or not it was written with one; compared without regard to case);
// nothing when name has none of them. "releve.pdf.exe" ends in "exe".
std::optional<std::string> refusedExtension(std::string_view name,
                                            const std::vector<std::string>& refused);

// What the user is told of a download refused for that extension: one sentence.
std::string refusedDownloadText(std::string_view name, std::string_view extension);

}  // namespace delvaronte
