#include "AlertDriver.h"

#include <gtest/gtest.h>

#include <gdk/x11/gdkx.h>

#include <algorithm>

namespace delvaronte::testing {

namespace {

template <typename Visit>
void walk(GtkWidget* widget, const Visit& visit) {
    if (!visit(widget)) return;  // visit returns false to skip the widget's children
    for (GtkWidget* child = gtk_widget_get_first_child(widget); child != nullptr;
         child = gtk_widget_get_next_sibling(child)) {
        walk(child, visit);
    }
}

GtkWidget* findNamed(GtkWindow* window, const char* name) {
    GtkWidget* found = nullptr;
    walk(GTK_WIDGET(window), [&](GtkWidget* widget) {
        if (found == nullptr && g_strcmp0(gtk_widget_get_name(widget), name) == 0) found = widget;
        return found == nullptr;
    });
    return found;
}

std::vector<GtkWidget*> buttonsOf(GtkWindow* window) {
    std::vector<GtkWidget*> buttons;
    walk(GTK_WIDGET(window), [&](GtkWidget* widget) {
        if (GTK_IS_BUTTON(widget) && gtk_button_get_label(GTK_BUTTON(widget)) != nullptr) {
            buttons.push_back(widget);
            return false;
        }
        return true;
    });
    return buttons;
}

bool isAlert(GtkWindow* window) {
    return g_strcmp0(gtk_widget_get_name(GTK_WIDGET(window)), "delvaronte-alert") == 0;
}

}  // namespace

std::string ShownAlert::title() const {
    const char* title = gtk_window_get_title(window_);
    return title != nullptr ? title : "";
}

std::string ShownAlert::message() const {
    GtkWidget* label = findNamed(window_, "alert-message");
    return label != nullptr ? gtk_label_get_text(GTK_LABEL(label)) : "";
}

std::string ShownAlert::informative() const {
    GtkWidget* label = findNamed(window_, "alert-informative");
    if (label != nullptr && gtk_widget_get_visible(label))
        return gtk_label_get_text(GTK_LABEL(label));
    GtkWidget* view = findNamed(window_, "alert-informative-long");
    if (view == nullptr || !gtk_widget_get_visible(view)) return "";
    GtkTextBuffer* buffer = gtk_text_view_get_buffer(GTK_TEXT_VIEW(view));
    GtkTextIter start;
    GtkTextIter end;
    gtk_text_buffer_get_bounds(buffer, &start, &end);
    char* text = gtk_text_buffer_get_text(buffer, &start, &end, FALSE);
    std::string result = text;
    g_free(text);
    return result;
}

std::string ShownAlert::iconName() const {
    GtkWidget* icon = findNamed(window_, "alert-icon");
    const char* name = icon != nullptr ? gtk_image_get_icon_name(GTK_IMAGE(icon)) : nullptr;
    return name != nullptr ? name : "";
}

std::vector<std::string> ShownAlert::buttonLabels() const {
    std::vector<std::string> labels;
    for (GtkWidget* button : buttonsOf(window_)) {
        labels.emplace_back(gtk_button_get_label(GTK_BUTTON(button)));
    }
    return labels;
}

std::vector<GtkWidget*> ShownAlert::fields() const {
    std::vector<GtkWidget*> fields;
    walk(GTK_WIDGET(window_), [&](GtkWidget* widget) {
        if (GTK_IS_ENTRY(widget) || GTK_IS_PASSWORD_ENTRY(widget)) {
            fields.push_back(widget);
            return false;
        }
        return true;
    });
    return fields;
}

std::string ShownAlert::fieldText(size_t index) const {
    const auto all = fields();
    return index < all.size() ? gtk_editable_get_text(GTK_EDITABLE(all[index])) : "<no field>";
}

void ShownAlert::type(size_t index, const std::string& text) const {
    const auto all = fields();
    ASSERT_LT(index, all.size());
    gtk_editable_set_text(GTK_EDITABLE(all[index]), text.c_str());
}

std::vector<std::string> ShownAlert::checkBoxes() const {
    std::vector<std::string> labels;
    walk(GTK_WIDGET(window_), [&](GtkWidget* widget) {
        if (!GTK_IS_CHECK_BUTTON(widget)) return true;
        labels.emplace_back(gtk_check_button_get_label(GTK_CHECK_BUTTON(widget)));
        return false;
    });
    return labels;
}

void ShownAlert::tick(const std::string& label) const {
    bool found = false;
    walk(GTK_WIDGET(window_), [&](GtkWidget* widget) {
        if (!GTK_IS_CHECK_BUTTON(widget)) return true;
        if (label == gtk_check_button_get_label(GTK_CHECK_BUTTON(widget))) {
            gtk_check_button_set_active(GTK_CHECK_BUTTON(widget), TRUE);
            found = true;
        }
        return false;
    });
    if (!found) ADD_FAILURE() << "no check box \"" << label << "\" on \"" << title() << "\"";
}

void ShownAlert::press(const std::string& label) const {
    for (GtkWidget* button : buttonsOf(window_)) {
        if (label == gtk_button_get_label(GTK_BUTTON(button))) {
            g_signal_emit_by_name(button, "clicked");
            return;
        }
    }
    ADD_FAILURE() << "no button \"" << label << "\" on \"" << title() << "\"";
}

void ShownAlert::close() const {
    gtk_window_close(window_);
}

AlertDriver::AlertDriver() : toplevels_(gtk_window_get_toplevels()) {
    g_signal_connect(toplevels_, "items-changed", G_CALLBACK(itemsChangedCb), this);
    for (guint i = 0; i < g_list_model_get_n_items(toplevels_); ++i) {
        auto* window = GTK_WINDOW(g_list_model_get_item(toplevels_, i));
        watch(window);
        g_object_unref(window);
    }
}

AlertDriver::~AlertDriver() {
    g_signal_handlers_disconnect_by_data(toplevels_, this);
    for (GtkWindow* window : watched_) g_signal_handlers_disconnect_by_data(window, this);
    EXPECT_TRUE(steps_.empty()) << steps_.size() << " alert step(s) never ran";
}

AlertDriver& AlertDriver::then(Step step) {
    steps_.push_back(std::move(step));
    return *this;
}

AlertDriver& AlertDriver::press(const std::string& label) {
    return then([label](ShownAlert& alert) { alert.press(label); });
}

AlertDriver& AlertDriver::fill(std::vector<std::string> texts, const std::string& label) {
    return then([texts = std::move(texts), label](ShownAlert& alert) {
        for (size_t i = 0; i < texts.size(); ++i) alert.type(i, texts[i]);
        alert.press(label);
    });
}

void AlertDriver::watch(GtkWindow* window) {
    if (std::find(watched_.begin(), watched_.end(), window) != watched_.end()) return;
    watched_.push_back(window);
    g_signal_connect(window, "map", G_CALLBACK(mapCb), this);
    g_signal_connect_swapped(window, "destroy", G_CALLBACK(+[](AlertDriver* driver, GtkWindow* w) {
                                 std::erase(driver->watched_, w);
                             }),
                             this);
}

void AlertDriver::itemsChangedCb(GListModel* list, guint position, guint, guint added,
                                 AlertDriver* driver) {
    for (guint i = position; i < position + added; ++i) {
        auto* window = GTK_WINDOW(g_list_model_get_item(list, i));
        driver->watch(window);
        g_object_unref(window);
    }
}

namespace {

struct Pending {
    AlertDriver* driver;
    GtkWindow* window;
    GdkFrameClock* clock;
    gulong handler;
};

}  // namespace

void AlertDriver::mapCb(GtkWidget* window, AlertDriver* driver) {
    if (!isAlert(GTK_WINDOW(window))) return;
    // Act once the alert has been laid out and painted, as a person would after it appeared,
    // and from an idle callback, inside the alert's own loop.
    auto* pending = new Pending{driver, GTK_WINDOW(window), gtk_widget_get_frame_clock(window), 0};
    pending->handler = g_signal_connect(
        pending->clock, "after-paint", G_CALLBACK(+[](GdkFrameClock*, Pending* shown) {
            g_signal_handler_disconnect(shown->clock, shown->handler);
            g_idle_add_full(
                G_PRIORITY_DEFAULT_IDLE,
                +[](gpointer data) -> gboolean {
                    auto* ready = static_cast<Pending*>(data);
                    ready->driver->onShown(ready->window);
                    return G_SOURCE_REMOVE;
                },
                shown, +[](gpointer data) { delete static_cast<Pending*>(data); });
        }),
        pending);
}

void AlertDriver::onShown(GtkWindow* window) {
    if (std::find(watched_.begin(), watched_.end(), window) == watched_.end()) return;
    ShownAlert alert(window);
    seen_.push_back({alert.title(), alert.informative(), alert.iconName()});
    if (steps_.empty()) {
        ADD_FAILURE() << "unexpected alert \"" << alert.title() << "\": " << alert.informative();
        alert.close();
        return;
    }
    Step step = std::move(steps_.front());
    steps_.pop_front();
    step(alert);
}

bool waitUntil(const std::function<bool()>& done, int seconds) {
    bool expired = false;
    // Wakes the loop at the deadline even when nothing else happens.
    const guint timer = g_timeout_add_seconds(
        static_cast<guint>(seconds),
        +[](gpointer flag) -> gboolean {
            *static_cast<bool*>(flag) = true;
            return G_SOURCE_REMOVE;
        },
        &expired);
    while (!done() && !expired) g_main_context_iteration(nullptr, TRUE);
    if (!expired) g_source_remove(timer);
    return done();
}

void saveShot(GtkWindow* window, const std::string& name) {
    const char* folder = g_getenv("DELVARONTE_SHOTS");
    if (folder == nullptr || *folder == '\0') return;
    const std::string path = std::string(folder) + "/" + name + ".png";
    // Web content is drawn by the web engine, out of GTK's reach: take the window's pixels
    // from the X server (scripts/screenshots.sh installs ImageMagick's import).
    GdkSurface* surface = gtk_native_get_surface(GTK_NATIVE(window));
    g_autofree gchar* import = g_find_program_in_path("import");
    ASSERT_TRUE(import != nullptr && surface != nullptr && GDK_IS_X11_SURFACE(surface))
        << "screenshots need ImageMagick's import and an X11 window";
    waitUntil([] { return false; }, 1);  // let the last frame reach the screen
    const std::string id = std::to_string(gdk_x11_surface_get_xid(surface));
    const char* argv[] = {import, "-window", id.c_str(), path.c_str(), nullptr};
    g_spawn_sync(nullptr, const_cast<char**>(argv), nullptr, G_SPAWN_DEFAULT, nullptr, nullptr,
                 nullptr, nullptr, nullptr, nullptr);
}

}  // namespace delvaronte::testing
