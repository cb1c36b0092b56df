#include "shell/rules/Spelling.h"

#include <algorithm>

namespace delvaronte {

namespace {

// "en_US.UTF-8@euro" is the dictionary "en_US", or else "en".
std::vector<std::string> namesFor(std::string_view locale) {
    locale = locale.substr(0, locale.find_first_of(".@"));
    if (locale.empty() || locale == "C" || locale == "POSIX") return {};
    std::vector<std::string> names{std::string(locale)};
    const size_t territory = locale.find('_');
    if (territory != std::string_view::npos) names.emplace_back(locale.substr(0, territory));
    return names;
}

}  // namespace

std::vector<std::string> spellingLanguages(
    std::string_view desktopLocale, const std::function<bool(const std::string&)>& installed) {
    std::vector<std::string> languages;
    for (const auto& names : {namesFor("fr_FR"), namesFor(desktopLocale)}) {
        const auto found = std::find_if(names.begin(), names.end(), installed);
        if (found != names.end() &&
            std::find(languages.begin(), languages.end(), *found) == languages.end()) {
            languages.push_back(*found);
        }
    }
    return languages;
}

}  // namespace delvaronte
