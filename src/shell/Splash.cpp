#include "shell/Splash.h"

#include "ui/Style.h"

// Generated from resources/delvaronte.gresource.xml. Registered by hand: a constructor in a
// static library's object file would be dropped by the linker.
extern "C" void delvaronte_register_resource(void);

namespace delvaronte {

namespace {

void registerResources() {
    static const bool registered = (delvaronte_register_resource(), true);
    (void)registered;
}

constexpr char kSplashCss[] = ".delvaronte-splash { background-color: white; }";
constexpr char kLogoResource[] = "/ma/delvaronte/Delvaronte/SplashLogo.svg";

}  // namespace

Splash buildSplash() {
    registerResources();
    addStyleSheet(kSplashCss);
    GtkWidget* view = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
    gtk_widget_set_name(view, "splash");
    gtk_widget_add_css_class(view, "delvaronte-splash");
    gtk_widget_set_hexpand(view, TRUE);
    gtk_widget_set_vexpand(view, TRUE);

    // A column [logo, gap, spinner] centred in what is left below a top margin: with the
    // margin at spinner - 15, the logo's centre falls 20 above the overlay's centre,
    // whatever the logo's height.
    GtkWidget* column = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
    gtk_widget_set_valign(column, GTK_ALIGN_CENTER);
    gtk_widget_set_halign(column, GTK_ALIGN_CENTER);
    gtk_widget_set_vexpand(column, TRUE);
    gtk_widget_set_margin_top(column,
                              kSplashSpinnerSize + kSplashSpinnerGap - 2 * kSplashLogoRaise);

    GtkWidget* logo =
        g_resources_get_info(kLogoResource, G_RESOURCE_LOOKUP_FLAGS_NONE, nullptr, nullptr, nullptr)
            ? gtk_picture_new_for_resource(kLogoResource)
            : gtk_picture_new();  // no logo: the spinner alone
    gtk_widget_set_name(logo, "splash-logo");
    gtk_picture_set_can_shrink(GTK_PICTURE(logo), TRUE);
    gtk_picture_set_content_fit(GTK_PICTURE(logo), GTK_CONTENT_FIT_CONTAIN);
    gtk_widget_set_size_request(logo, kSplashLogoMaxWidth, kSplashLogoMaxHeight);
    gtk_widget_set_halign(logo, GTK_ALIGN_CENTER);

    GtkWidget* spinner = gtk_spinner_new();
    gtk_widget_set_size_request(spinner, kSplashSpinnerSize, kSplashSpinnerSize);
    gtk_widget_set_halign(spinner, GTK_ALIGN_CENTER);
    gtk_widget_set_margin_top(spinner, kSplashSpinnerGap);
    gtk_spinner_start(GTK_SPINNER(spinner));

    gtk_box_append(GTK_BOX(column), logo);
    gtk_box_append(GTK_BOX(column), spinner);
    gtk_box_append(GTK_BOX(view), column);
    return {view, spinner};
}

}  // namespace delvaronte
