#include "ui/Style.h"

#include <gtk/gtk.h>

#include <set>

#include "base/GObjectPtr.h"

namespace delvaronte {

void addStyleSheet(const char* css) {
    static std::set<const char*> added;
    GdkDisplay* display = gdk_display_get_default();
    if (display == nullptr || !added.insert(css).second) return;
    const auto provider = GRef<GtkCssProvider>::adopt(gtk_css_provider_new());
    gtk_css_provider_load_from_data(provider.get(), css, -1);
    gtk_style_context_add_provider_for_display(display, GTK_STYLE_PROVIDER(provider.get()),
                                               GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
}

}  // namespace delvaronte
