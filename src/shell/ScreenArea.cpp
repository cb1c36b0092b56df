#include "shell/ScreenArea.h"

#include <gtk/gtk.h>

#ifdef GDK_WINDOWING_X11
#include <gdk/x11/gdkx.h>
#endif

namespace delvaronte {

std::optional<Rect> primaryWorkArea() {
    GdkDisplay* display = gdk_display_get_default();
    if (display == nullptr) return std::nullopt;
    GdkMonitor* monitor = nullptr;
    GdkRectangle area{};
#ifdef GDK_WINDOWING_X11
    if (GDK_IS_X11_DISPLAY(display)) {
        monitor = gdk_x11_display_get_primary_monitor(display);
        if (monitor != nullptr) {
            gdk_x11_monitor_get_workarea(monitor, &area);
            return Rect{double(area.x), double(area.y), double(area.width), double(area.height)};
        }
    }
#endif
    GListModel* monitors = gdk_display_get_monitors(display);
    if (g_list_model_get_n_items(monitors) == 0) return std::nullopt;
    monitor = GDK_MONITOR(g_list_model_get_item(monitors, 0));
    gdk_monitor_get_geometry(monitor, &area);
    g_object_unref(monitor);
    return Rect{double(area.x), double(area.y), double(area.width), double(area.height)};
}

}  // namespace delvaronte
