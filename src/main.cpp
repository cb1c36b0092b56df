// The program entry: one application object, one delegate, the main loop.
#include <gtk/gtk.h>

#include "base/GObjectPtr.h"
#include "base/Identity.h"
#include "shell/AppDelegate.h"
#include "shell/StartupEnvironment.h"

int main(int argc, char** argv) {
    delvaronte::keepFrameMemory();
    delvaronte::handNegotiateAddresses({}, "");
    // Before GTK opens the display.
    delvaronte::chooseDrawingBeforeDisplay();
    delvaronte::findAccessibilityBus();
    // The id makes the program single-instance: launching it again activates this one,
    // which brings its main window back; launched with addresses, it hands them to this one.
    const auto application = delvaronte::GRef<GtkApplication>::adopt(
        gtk_application_new(delvaronte::kApplicationId, G_APPLICATION_HANDLES_OPEN));
    // Told when the desktop's session ends, so that a page with unsaved work can hold it.
    g_object_set(application.get(), "register-session", TRUE, nullptr);
    const delvaronte::ShellSeams desktop;  // the real browser, printer and update address
    delvaronte::AppDelegate delegate(application.get(), desktop);
    return g_application_run(G_APPLICATION(application.get()), argc, argv);
}
