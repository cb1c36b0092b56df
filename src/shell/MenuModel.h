// The menu bar: its menus, items, separators, actions and keys, as data.
#pragma once

#include <span>
#include <string_view>
#include <vector>

namespace delvaronte {

struct MenuItem {
    std::string_view label;
    std::string_view action;               // an action of the application ("app.")
    std::vector<std::string_view> accels;  // the first is the one the menu shows
};

struct Menu {
    std::string_view title;
    // Separators fall between sections.
    std::vector<std::vector<MenuItem>> sections;
};

// "DELVARONTE", "Navigation", "Edition", "Fenetre", in this order.
std::span<const Menu> menuBar();

}  // namespace delvaronte
