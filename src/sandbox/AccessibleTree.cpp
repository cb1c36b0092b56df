#include "sandbox/AccessibleTree.h"

#include <atspi/atspi.h>

namespace delvaronte {

namespace {

constexpr size_t kMostNodes = 4000;
constexpr int kDeepest = 60;

std::string taken(gchar* text) {
    std::string copy = text != nullptr ? text : "";
    g_free(text);
    return copy;
}

struct Walk {
    pid_t program;
    bool intoPages;
    std::vector<AccessibleNode>& into;
};

void walk(AtspiAccessible* node, int depth, Walk& walking) {
    std::vector<AccessibleNode>& into = walking.into;
    if (into.size() >= kMostNodes || depth > kDeepest) return;
    AccessibleNode& seen = into.emplace_back();
    seen.depth = depth;
    seen.role = taken(atspi_accessible_get_role_name(node, nullptr));
    seen.name = taken(atspi_accessible_get_name(node, nullptr));
    if (AtspiText* text = atspi_accessible_get_text_iface(node)) {
        seen.text = taken(atspi_text_get_text(text, 0, 200, nullptr));
        g_object_unref(text);
    }
    if (AtspiStateSet* states = atspi_accessible_get_state_set(node)) {
        seen.focused = atspi_state_set_contains(states, ATSPI_STATE_FOCUSED);
        g_object_unref(states);
    }
    for (int i = 0, n = atspi_accessible_get_child_count(node, nullptr); i < n; ++i) {
        if (AtspiAccessible* child = atspi_accessible_get_child_at_index(node, i, nullptr)) {
            // Whose a node is, the bus itself tells: its process is not asked.
            if (walking.intoPages ||
                pid_t(atspi_accessible_get_process_id(child, nullptr)) == walking.program) {
                walk(child, depth + 1, walking);
            }
            g_object_unref(child);
        }
    }
}

}  // namespace

std::vector<AccessibleNode> accessibleTree(pid_t program, bool intoPages) {
    static const bool ready = [] {
        atspi_init();
        // A program that does not answer fails the walk, not the caller's deadline.
        atspi_set_timeout(5000, 10000);
        return true;
    }();
    (void)ready;
    std::vector<AccessibleNode> nodes;
    AtspiAccessible* desktop = atspi_get_desktop(0);
    for (int i = 0, n = atspi_accessible_get_child_count(desktop, nullptr); i < n; ++i) {
        if (AtspiAccessible* app = atspi_accessible_get_child_at_index(desktop, i, nullptr)) {
            Walk walking{program, intoPages, nodes};
            if (pid_t(atspi_accessible_get_process_id(app, nullptr)) == program) {
                walk(app, 0, walking);
            }
            g_object_unref(app);
        }
    }
    g_object_unref(desktop);
    return nodes;
}

std::string describe(const std::vector<AccessibleNode>& nodes) {
    std::string text;
    for (const AccessibleNode& node : nodes) {
        text += std::string(size_t(node.depth) * 2, ' ') + node.role + " '" + node.name + "'" +
                (node.focused ? " (focus)" : "") + "\n";
    }
    return text;
}

}  // namespace delvaronte
