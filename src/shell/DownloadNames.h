// Names and places for downloaded files.
#pragma once

#include <string>
#include <string_view>

namespace delvaronte {

// The name a download is offered under: the last part of what the server or page suggested,
// without folders, control characters or a leading dot; "telechargement" when nothing is left.
std::string safeFileName(std::string_view suggested);

// Where a download is written until it is complete: a hidden file beside the chosen one, so
// that the chosen name only ever holds a whole file.
std::string partialPath(const std::string& chosen);

}  // namespace delvaronte
