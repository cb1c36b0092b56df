#include "shell/SupportNotes.h"

#include <gtk/gtk.h>

#include "shell/StartupEnvironment.h"

namespace delvaronte {

namespace {

std::string now() {
    GDateTime* time = g_date_time_new_now_local();
    std::string text = GText(g_date_time_format(time, "%Y-%m-%d %H:%M:%S")).get();
    g_date_time_unref(time);
    return text;
}

}  // namespace

void SupportNotes::loadFailed(const std::string& uri, const GError* error) {
    keepLast(failedLoads_, now() + " " + addressForSupport(uri) + " : " +
                               g_quark_to_string(error->domain) + " " +
                               std::to_string(error->code));
}

void SupportNotes::processEnded(WebKitWebProcessTerminationReason reason) {
    lastProcessEnd_ = now() + (reason == WEBKIT_WEB_PROCESS_CRASHED ? " : arret anormal"
                               : reason == WEBKIT_WEB_PROCESS_EXCEEDED_MEMORY_LIMIT
                                   ? " : memoire depassee"
                                   : " : arretee par le programme");
}

SupportFacts SupportNotes::facts(const OfficeSettings& office, const SessionProxies& proxies,
                                 const AdminCertificates& certificates) const {
    SupportFacts facts;
    facts.toolkits = "GTK " + std::to_string(gtk_get_major_version()) + "." +
                     std::to_string(gtk_get_minor_version()) + "." +
                     std::to_string(gtk_get_micro_version()) + ", WebKitGTK " +
                     std::to_string(webkit_get_major_version()) + "." +
                     std::to_string(webkit_get_minor_version()) + "." +
                     std::to_string(webkit_get_micro_version());
    GdkDisplay* display = gdk_display_get_default();
    GListModel* monitors = display != nullptr ? gdk_display_get_monitors(display) : nullptr;
    auto* monitor = monitors != nullptr ? GDK_MONITOR(g_list_model_get_item(monitors, 0)) : nullptr;
    facts.display = std::string(display != nullptr ? G_OBJECT_TYPE_NAME(display) : "aucun") +
                    ", echelle " +
                    std::to_string(monitor != nullptr ? gdk_monitor_get_scale_factor(monitor) : 1);
    if (monitor != nullptr) g_object_unref(monitor);
    const char* renderer = g_getenv("GSK_RENDERER");
    facts.drawing =
        drawingOnProcessor()
            ? "cairo, sans OpenGL (OpenGL ne serait qu'un rendu logiciel ici)"
            : std::string("au choix de GTK") +
                  (renderer != nullptr ? std::string(" (GSK_RENDERER=") + renderer + ")" : "");
    facts.proxies = proxies.forSupport();
    for (const SettingState& state : office.states(SettingReader::Support)) {
        facts.settings.push_back(state.key + " = " + state.value + " (" +
                                 std::string(sourceLabel(state.source)) + ")");
    }
    facts.certificates = certificates.forSupport();
    facts.lastProcessEnd = lastProcessEnd_;
    facts.failedLoads = failedLoads_;
    return facts;
}

}  // namespace delvaronte
