#include "sandbox/windows/ShownWindows.h"

#include "sandbox/Launched.h"

namespace delvaronte {

std::function<void(const std::string&)> reportWindowProblem = [](const std::string&) {};

namespace {

bool isButton(GtkWidget* w) {
    return GTK_IS_BUTTON(w) && gtk_button_get_label(GTK_BUTTON(w));
}

guint mapSignal() {
    static const guint signal = (g_type_class_ref(GTK_TYPE_WIDGET),  // its signals come with it
                                 g_signal_lookup("map", GTK_TYPE_WIDGET));
    return signal;
}

}  // namespace

std::vector<GtkWidget*> widgetsOf(GtkWindow* window, const std::function<bool(GtkWidget*)>& keep) {
    std::vector<GtkWidget*> found;
    const std::function<void(GtkWidget*)> walk = [&](GtkWidget* widget) {
        if (keep(widget)) return found.push_back(widget);
        for (GtkWidget* c = gtk_widget_get_first_child(widget); c;
             c = gtk_widget_get_next_sibling(c))
            walk(c);
    };
    walk(GTK_WIDGET(window));
    return found;
}

GtkWindow* windowNamed(const char* name) {
    GtkWindow* found = nullptr;
    for (GList* w = gtk_window_list_toplevels(); w != nullptr; w = g_list_delete_link(w, w)) {
        if (g_strcmp0(gtk_widget_get_name(GTK_WIDGET(w->data)), name) == 0 &&
            gtk_widget_get_visible(GTK_WIDGET(w->data)))
            found = GTK_WINDOW(w->data);
    }
    return found;
}

std::string ShownAlert::fieldText(size_t index) const {
    const auto all = fields();
    return index < all.size() ? gtk_editable_get_text(GTK_EDITABLE(all[index])) : "<none>";
}

void ShownAlert::type(size_t index, const std::string& text) const {
    const auto all = fields();
    if (index >= all.size()) return reportWindowProblem("no field " + std::to_string(index));
    gtk_editable_set_text(GTK_EDITABLE(all[index]), text.c_str());
}

bool ShownAlert::waitUntilActive() const {
    return runUntil([&] { return gtk_window_is_active(window); }, 20);
}

std::string ShownAlert::informative() const {
    for (GtkWidget* w : widgetsOf(window, [](GtkWidget* w) {
             return g_str_has_prefix(gtk_widget_get_name(w), "alert-informative");
         })) {
        if (!gtk_widget_get_visible(w)) continue;
        if (GTK_IS_LABEL(w)) return gtk_label_get_text(GTK_LABEL(w));
        GtkTextIter start, end;
        gtk_text_buffer_get_bounds(gtk_text_view_get_buffer(GTK_TEXT_VIEW(w)), &start, &end);
        g_autofree char* text = gtk_text_iter_get_text(&start, &end);
        return text;
    }
    return "";
}

std::vector<std::string> ShownAlert::buttonLabels() const {
    std::vector<std::string> labels;
    for (GtkWidget* b : widgetsOf(window, isButton))
        labels.emplace_back(gtk_button_get_label(GTK_BUTTON(b)));
    return labels;
}

std::vector<GtkWidget*> ShownAlert::fields() const {
    return widgetsOf(window,
                     [](GtkWidget* w) { return GTK_IS_ENTRY(w) || GTK_IS_PASSWORD_ENTRY(w); });
}

void ShownAlert::press(const std::string& label) const {
    for (GtkWidget* box : widgetsOf(window, [](GtkWidget* w) { return GTK_IS_CHECK_BUTTON(w); })) {
        if (label == gtk_check_button_get_label(GTK_CHECK_BUTTON(box)))
            return gtk_check_button_set_active(GTK_CHECK_BUTTON(box), TRUE);
    }
    for (GtkWidget* button : widgetsOf(window, isButton)) {
        if (label == gtk_button_get_label(GTK_BUTTON(button)))
            return g_signal_emit_by_name(button, "clicked");
    }
    reportWindowProblem("nothing labelled \"" + label + "\" on \"" + title() + "\"");
}

// Every widget mapped from now on is looked at: an alert among them is answered.
AlertDriver::AlertDriver()
    : hook_(g_signal_add_emission_hook(mapSignal(), 0, &mapped, this, nullptr)) {}

AlertDriver::~AlertDriver() {
    *alive_ = false;
    g_signal_remove_emission_hook(mapSignal(), hook_);
    if (!steps_.empty())
        reportWindowProblem(std::to_string(steps_.size()) + " alert step(s) never ran");
}

// An alert is answered once it has been painted, as a person does once it appeared, from an
// idle callback inside the alert's own loop, after its first frame.
gboolean AlertDriver::mapped(GSignalInvocationHint*, guint, const GValue* values, gpointer data) {
    auto* window = GTK_WIDGET(g_value_get_object(&values[0]));
    if (g_strcmp0(gtk_widget_get_name(window), "delvaronte-alert") != 0) return TRUE;
    struct Shown {
        std::weak_ptr<bool> alive;
        AlertDriver* driver;
        GtkWindow* window;
    };
    static const auto answer = +[](gpointer data) -> gboolean {
        auto* s = static_cast<Shown*>(data);
        const auto alive = s->alive.lock();
        if (!alive || !*alive) return G_SOURCE_REMOVE;
        ShownAlert alert{s->window};
        AlertDriver* driver = s->driver;
        driver->seen_.push_back({alert.title(), alert.informative()});
        if (driver->steps_.empty()) {
            reportWindowProblem("unexpected alert \"" + alert.title() +
                                "\": " + alert.informative());
            gtk_window_close(s->window);
            return G_SOURCE_REMOVE;
        }
        Step step = std::move(driver->steps_.front());
        driver->steps_.pop_front();
        step(alert);
        return G_SOURCE_REMOVE;
    };
    auto* self = static_cast<AlertDriver*>(data);
    gtk_widget_add_tick_callback(
        window,
        +[](GtkWidget*, GdkFrameClock*, gpointer shown) -> gboolean {
            g_idle_add_full(
                G_PRIORITY_DEFAULT_IDLE, answer, shown,
                +[](gpointer s) { delete static_cast<Shown*>(s); });
            return G_SOURCE_REMOVE;
        },
        new Shown{self->alive_, self, GTK_WINDOW(window)}, nullptr);
    return TRUE;
}

}  // namespace delvaronte
