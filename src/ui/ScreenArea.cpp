#include "ui/ScreenArea.h"

#ifdef GDK_WINDOWING_X11
#include <gdk/x11/gdkx.h>
#endif

#include "base/GObjectPtr.h"

namespace delvaronte {

std::optional<GdkRectangle> primaryWorkArea() {
    GdkDisplay* display = gdk_display_get_default();
    if (display == nullptr) return std::nullopt;
    GdkRectangle area{};
#ifdef GDK_WINDOWING_X11
    if (GDK_IS_X11_DISPLAY(display)) {
        if (GdkMonitor* primary = gdk_x11_display_get_primary_monitor(display)) {
            gdk_x11_monitor_get_workarea(primary, &area);
            return area;
        }
    }
#endif
    GListModel* monitors = gdk_display_get_monitors(display);
    if (g_list_model_get_n_items(monitors) == 0) return std::nullopt;
    const auto first = GRef<GdkMonitor>::adopt(GDK_MONITOR(g_list_model_get_item(monitors, 0)));
    gdk_monitor_get_geometry(first.get(), &area);
    return area;
}

}  // namespace delvaronte
