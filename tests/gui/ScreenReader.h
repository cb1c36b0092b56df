// The program's windows as a screen reader reaches them: through the accessibility bus, with
// the AT-SPI client library, from another process than the program's.
#pragma once

#include <sys/types.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace delvaronte::testing {

struct AccessibleNode {
    int depth = 0;
    std::string role;  // AT-SPI's role name: "push button", "heading", "text", ...
    std::string name;
    std::string text;  // what it holds, for a node with text of its own (a cell, a field)
    bool focused = false;
    bool showing = false;
};

// Every node of the program's tree in reading order, windows first; nothing when the
// program is not on the bus (yet). Bounded: a page of thousands of nodes is cut.
std::vector<AccessibleNode> accessibleTree(pid_t program);

// Waits until the program's tree holds a node that fits; it is returned.
std::optional<AccessibleNode> waitForNode(pid_t program,
                                          const std::function<bool(const AccessibleNode&)>& fits,
                                          int seconds = 30);

// The tree as lines of "role 'name'", indented by depth: what a failure message shows.
std::string describe(const std::vector<AccessibleNode>& nodes);

// Whether the toolkit this process runs hands the page's tree over to the bus (GTK 4.14
// and later, through its AT-SPI socket).
bool pageReachesTheBus();

}  // namespace delvaronte::testing
