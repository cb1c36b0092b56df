// Which dictionaries check what is typed in the pages: French, the program's own language,
// then the desktop's, each when its dictionary is installed.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace delvaronte {

// desktopLocale as the environment names it ("en_US.UTF-8", "de_DE@euro", "C"); installed
// tells whether a dictionary of that name ("fr_FR", "fr") is there. Empty: no checking.
std::vector<std::string> spellingLanguages(
    std::string_view desktopLocale, const std::function<bool(const std::string&)>& installed);

}  // namespace delvaronte
