// The program entry: one application object, one delegate, the main loop.
#include <gtk/gtk.h>

#include "base/GObjectPtr.h"
#include "base/Identity.h"
#include "shell/AppDelegate.h"

int main() {
    // The id makes the program single-instance: launching it again activates this one,
    // which brings its main window back. No argument and no option is read.
    const auto application = delvaronte::GRef<GtkApplication>::adopt(
        gtk_application_new(delvaronte::kApplicationId, G_APPLICATION_DEFAULT_FLAGS));
    // Told when the desktop's session ends, so that a page with unsaved work can hold it.
    g_object_set(application.get(), "register-session", TRUE, nullptr);
    const delvaronte::ShellSeams desktop;  // the real browser, printer and update address
    delvaronte::AppDelegate delegate(application.get(), desktop);
    return g_application_run(G_APPLICATION(application.get()), 0, nullptr);
}
