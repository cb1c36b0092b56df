// The program entry: one application object, one delegate, the main loop.
#include <gtk/gtk.h>

#include "shell/AppDelegate.h"

int main() {
    // The id makes the program single-instance: launching it again activates this one,
    // which brings its main window back. No argument and no option is read.
    GtkApplication* application =
        gtk_application_new("ma.delvaronte.Delvaronte", G_APPLICATION_DEFAULT_FLAGS);
    int status = 0;
    {
        delvaronte::AppDelegate delegate(application);
        status = g_application_run(G_APPLICATION(application), 0, nullptr);
    }
    g_object_unref(application);
    return status;
}
