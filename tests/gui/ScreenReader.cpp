#include "ScreenReader.h"

#include <atspi/atspi.h>
#include <gtk/gtk.h>

#include "Harness.h"

namespace delvaronte::testing {

namespace {

constexpr int kMostNodes = 4000;
constexpr int kDeepest = 60;

std::string taken(gchar* text) {
    std::string copy = text != nullptr ? text : "";
    g_free(text);
    return copy;
}

void walk(AtspiAccessible* node, int depth, std::vector<AccessibleNode>& into) {
    if (int(into.size()) >= kMostNodes || depth > kDeepest) return;
    AccessibleNode seen;
    seen.depth = depth;
    seen.role = taken(atspi_accessible_get_role_name(node, nullptr));
    seen.name = taken(atspi_accessible_get_name(node, nullptr));
    if (AtspiText* text = atspi_accessible_get_text_iface(node)) {
        seen.text = taken(atspi_text_get_text(text, 0, 200, nullptr));
        g_object_unref(text);
    }
    if (AtspiStateSet* states = atspi_accessible_get_state_set(node)) {
        seen.focused = atspi_state_set_contains(states, ATSPI_STATE_FOCUSED);
        seen.showing = atspi_state_set_contains(states, ATSPI_STATE_SHOWING);
        g_object_unref(states);
    }
    into.push_back(std::move(seen));
    const int children = atspi_accessible_get_child_count(node, nullptr);
    for (int i = 0; i < children; ++i) {
        AtspiAccessible* child = atspi_accessible_get_child_at_index(node, i, nullptr);
        if (child == nullptr) continue;
        walk(child, depth + 1, into);
        g_object_unref(child);
    }
}

}  // namespace

std::vector<AccessibleNode> accessibleTree(pid_t program) {
    static const bool ready = [] {
        atspi_init();
        // A program that does not answer fails the walk, not the test's deadline.
        atspi_set_timeout(5000, 10000);
        return true;
    }();
    (void)ready;
    std::vector<AccessibleNode> nodes;
    AtspiAccessible* desktop = atspi_get_desktop(0);
    const int apps = atspi_accessible_get_child_count(desktop, nullptr);
    for (int i = 0; i < apps; ++i) {
        AtspiAccessible* app = atspi_accessible_get_child_at_index(desktop, i, nullptr);
        if (app == nullptr) continue;
        if (pid_t(atspi_accessible_get_process_id(app, nullptr)) == program) walk(app, 0, nodes);
        g_object_unref(app);
    }
    g_object_unref(desktop);
    return nodes;
}

std::optional<AccessibleNode> waitForNode(pid_t program,
                                          const std::function<bool(const AccessibleNode&)>& fits,
                                          int seconds) {
    std::optional<AccessibleNode> found;
    waitPolling(
        [&] {
            for (const AccessibleNode& node : accessibleTree(program)) {
                if (fits(node)) {
                    found = node;
                    return true;
                }
            }
            return false;
        },
        seconds);
    return found;
}

std::string describe(const std::vector<AccessibleNode>& nodes) {
    std::string text;
    for (const AccessibleNode& node : nodes) {
        text += std::string(size_t(node.depth) * 2, ' ') + node.role + " '" + node.name + "'" +
                (node.focused ? " (focus)" : "") + (node.showing ? "" : " (hidden)") + "\n";
    }
    return text;
}

bool pageReachesTheBus() {
    return gtk_get_major_version() > 4 || gtk_get_minor_version() >= 14;
}

}  // namespace delvaronte::testing
