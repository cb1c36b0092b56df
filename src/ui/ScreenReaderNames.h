// What a screen reader says of our own widgets: each named in French as a sighted user reads
// it, never by the toolkit's class name (GTK 4.8 falls back to "GtkOverlay", "GtkImage").
#pragma once

#include <gtk/gtk.h>

namespace delvaronte {

// The name read for the widget.
void nameForScreenReader(GtkWidget* widget, const char* name);

// Read after the name: what the widget is doing ("Chargement en cours").
void describeForScreenReader(GtkWidget* widget, const char* description);

// The field named by the text of its label, without the label's closing colon.
void nameByLabel(GtkWidget* field, GtkWidget* label);

// The scroll bars of a scrolled window, shown or not.
void nameScrollBars(GtkScrolledWindow* scroller);

// The menu bar a GtkApplicationWindow makes for itself, named "Barre de menus", and the items
// of its menus.
void nameMenuBar(GtkWindow* window);

}  // namespace delvaronte
