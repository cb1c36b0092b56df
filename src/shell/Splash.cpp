#include "shell/Splash.h"

#include "ui/ScreenReaderNames.h"
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

Splash::Splash() {
    registerResources();
    addStyleSheet(kSplashCss);
    // Held here too, so that the fade can be stopped whoever lets the overlay go first.
    // A group, named and busy, that screen readers read as the application loading.
    view_ = GRef<GtkWidget>::retain(
        GTK_WIDGET(g_object_new(GTK_TYPE_BOX, "orientation", GTK_ORIENTATION_VERTICAL,
                                "accessible-role", GTK_ACCESSIBLE_ROLE_GROUP, nullptr)));
    GtkWidget* view = view_.get();
    gtk_widget_set_name(view, "splash");
    nameForScreenReader(view, "DELVARONTE");
    describeForScreenReader(view, "Chargement en cours");
    gtk_accessible_update_state(GTK_ACCESSIBLE(view), GTK_ACCESSIBLE_STATE_BUSY, TRUE, -1);
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
    nameForScreenReader(logo, "Logo DELVARONTE");
    gtk_picture_set_can_shrink(GTK_PICTURE(logo), TRUE);
    gtk_picture_set_content_fit(GTK_PICTURE(logo), GTK_CONTENT_FIT_CONTAIN);
    gtk_widget_set_size_request(logo, kSplashLogoMaxWidth, kSplashLogoMaxHeight);
    gtk_widget_set_halign(logo, GTK_ALIGN_CENTER);

    GtkWidget* spinner = spinner_ = GTK_WIDGET(g_object_new(
        GTK_TYPE_SPINNER, "accessible-role", GTK_ACCESSIBLE_ROLE_PROGRESS_BAR, nullptr));
    gtk_widget_set_size_request(spinner, kSplashSpinnerSize, kSplashSpinnerSize);
    gtk_widget_set_halign(spinner, GTK_ALIGN_CENTER);
    gtk_widget_set_margin_top(spinner, kSplashSpinnerGap);
    gtk_spinner_start(GTK_SPINNER(spinner));
    nameForScreenReader(spinner, "Chargement en cours");

    gtk_box_append(GTK_BOX(column), logo);
    gtk_box_append(GTK_BOX(column), spinner);
    gtk_box_append(GTK_BOX(view), column);
}

Splash::~Splash() {
    if (fadeTick_ != 0) gtk_widget_remove_tick_callback(view_.get(), fadeTick_);
}

void Splash::fadeOut(std::function<void()> then) {
    if (fadeTick_ != 0 || !gtk_widget_get_visible(view_.get())) return;
    then_ = std::move(then);
    gtk_widget_set_can_target(view_.get(), FALSE);
    fadeStart_ = 0;
    fadeTick_ = gtk_widget_add_tick_callback(view_.get(), &Splash::fadeTickCb, this, nullptr);
}

gboolean Splash::fadeTickCb(GtkWidget* view, GdkFrameClock* clock, gpointer data) {
    auto* self = static_cast<Splash*>(data);
    const gint64 now = gdk_frame_clock_get_frame_time(clock);
    if (self->fadeStart_ == 0) self->fadeStart_ = now;
    const double progress = double(now - self->fadeStart_) / double(kSplashFadeMicroseconds);
    if (progress < 1.0) {
        gtk_widget_set_opacity(view, 1.0 - progress);
        return G_SOURCE_CONTINUE;
    }
    gtk_widget_set_opacity(view, 0.0);
    gtk_widget_set_visible(view, FALSE);
    // Hidden for good: nothing of the splash runs any more.
    gtk_spinner_stop(GTK_SPINNER(self->spinner_));
    self->fadeTick_ = 0;
    if (auto then = std::move(self->then_)) then();
    return G_SOURCE_REMOVE;
}

}  // namespace delvaronte
