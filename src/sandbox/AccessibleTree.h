// A program's windows as a screen reader reaches them: through the accessibility bus, with the
// AT-SPI client library, from another process than the program's.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace delvaronte {

struct AccessibleNode {
    int depth = 0;
    std::string role;  // the client library's name for it: "push button", "heading", ...
    std::string name;
    std::string text;  // what it holds, for a node with text of its own (a cell, a field)
    bool focused = false;
};

// Every node of the program's tree in reading order, windows first; nothing when the program
// is not on the bus (yet). Bounded: a page of thousands of nodes is cut. The pages' nodes,
// which the engine's web processes answer for, only when asked: a page showing a dialog
// waits for the program, and answers nothing until the dialog closes.
std::vector<AccessibleNode> accessibleTree(pid_t program, bool intoPages = false);

// The tree as lines of "role 'name'", indented by depth.
std::string describe(const std::vector<AccessibleNode>& nodes);

}  // namespace delvaronte
