// The menu bar: its menus, items, separators, actions and keys, as data.
#pragma once

#include <span>
#include <string_view>
#include <vector>

namespace delvaronte {

struct MenuItem {
    const char* label;
    const char* action;               // an action of the application ("app.")
    std::vector<const char*> accels;  // the first is the one the menu shows
    // The keys go to the focused web view or text field first, in turn with the letters
    // typed before them; only what the content leaves unhandled runs the item. Bound as
    // application keys, they would overtake those letters.
    bool keysBelongToContent = false;
};

struct Menu {
    const char* title;
    // Separators fall between sections.
    std::vector<std::vector<MenuItem>> sections;
};

// "DELVARONTE", "Navigation", "Edition", "Fenetre", in this order.
std::span<const Menu> menuBar();

}  // namespace delvaronte
