#include "ui/ScreenReaderNames.h"

#include <string>

#include "base/GObjectPtr.h"

namespace delvaronte {

void nameForScreenReader(GtkWidget* widget, const char* name) {
    gtk_accessible_update_property(GTK_ACCESSIBLE(widget), GTK_ACCESSIBLE_PROPERTY_LABEL, name, -1);
}

void describeForScreenReader(GtkWidget* widget, const char* description) {
    gtk_accessible_update_property(GTK_ACCESSIBLE(widget), GTK_ACCESSIBLE_PROPERTY_DESCRIPTION,
                                   description, -1);
}

void nameByLabel(GtkWidget* field, GtkWidget* label) {
    std::string text = gtk_label_get_text(GTK_LABEL(label));
    while (!text.empty() && (text.back() == ' ' || text.back() == ':')) text.pop_back();
    nameForScreenReader(field, text.c_str());
}

namespace {

// A scroll bar and the range inside it, which GTK 4.8 would read by their class names.
void nameScrollBar(GtkWidget* bar, const char* name) {
    nameForScreenReader(bar, name);
    for (GtkWidget* part = gtk_widget_get_first_child(bar); part != nullptr;
         part = gtk_widget_get_next_sibling(part)) {
        nameForScreenReader(part, name);
    }
}

// The items of the bar's menus by their text: GTK 4.18 reads them without a name otherwise.
void nameMenuItems(GtkWidget* widget) {
    for (GtkWidget* child = gtk_widget_get_first_child(widget); child != nullptr;
         child = gtk_widget_get_next_sibling(child)) {
        if (g_str_equal(G_OBJECT_TYPE_NAME(child), "GtkModelButton")) {
            gchar* text = nullptr;
            g_object_get(child, "text", &text, nullptr);
            // Named by its own text alone: the label inside it, which GTK 4.18 hides from the
            // tree, would name it nothing.
            if (text != nullptr && *text != '\0') {
                gtk_accessible_reset_relation(GTK_ACCESSIBLE(child),
                                              GTK_ACCESSIBLE_RELATION_LABELLED_BY);
                nameForScreenReader(child, text);
            }
            g_free(text);
        }
        nameMenuItems(child);
    }
}

void nameMenuBarNow(GtkWidget* window) {
    for (GtkWidget* child = gtk_widget_get_first_child(window); child != nullptr;
         child = gtk_widget_get_next_sibling(child)) {
        if (!GTK_IS_POPOVER_MENU_BAR(child)) continue;
        nameForScreenReader(child, "Barre de menus");
        nameMenuItems(child);
    }
}

}  // namespace

void nameScrollBars(GtkScrolledWindow* scroller) {
    nameScrollBar(gtk_scrolled_window_get_vscrollbar(scroller), "Defilement vertical");
    nameScrollBar(gtk_scrolled_window_get_hscrollbar(scroller), "Defilement horizontal");
}

void nameMenuBar(GtkWindow* window) {
    // The window makes its bar once the application has a menu, which may come later.
    nameMenuBarNow(GTK_WIDGET(window));
    connectSignal(window, "map", &nameMenuBarNow, nullptr);
}

}  // namespace delvaronte
