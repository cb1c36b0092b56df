#include "ui/ModalAlert.h"

#include <algorithm>

#include "base/GObjectPtr.h"
#include "ui/ScreenArea.h"
#include "ui/ScreenReaderNames.h"
#include "ui/Style.h"

namespace delvaronte {

namespace {

constexpr int kIconSize = 48;
constexpr int kTextWidthChars = 50;
// What the alert needs besides its text (title bar, message, buttons, margins), so that a long
// text leaves the buttons on the screen.
constexpr int kRoomAroundText = 260;
constexpr int kMinimumTextHeight = 120;
constexpr int kScreenHeightWhenUnknown = 768;
// Beyond this a label takes seconds to lay its text out (GTK measures it whole, several
// times); a text view lays out only what is on screen.
constexpr size_t kLongTextBytes = size_t{16} * 1024;
constexpr int kLongTextWidth = 420;  // about the width of a label of kTextWidthChars
// A long text reads as the label it stands for: no field around it.
constexpr char kLongTextCss[] =
    "textview.alert-text, textview.alert-text text { background: transparent; }";

const char* iconName(AlertStyle style) {
    return style == AlertStyle::Warning ? "dialog-warning-symbolic" : "dialog-information-symbolic";
}

const char* iconMeaning(AlertStyle style) {
    return style == AlertStyle::Warning ? "Avertissement" : "Information";
}

GtkWindow* activeApplicationWindow() {
    GApplication* application = g_application_get_default();
    if (application == nullptr || !GTK_IS_APPLICATION(application)) return nullptr;
    return gtk_application_get_active_window(GTK_APPLICATION(application));
}

GtkLabel* makeLabel(const char* name) {
    auto* label = GTK_LABEL(gtk_label_new(nullptr));
    gtk_widget_set_name(GTK_WIDGET(label), name);
    gtk_label_set_wrap(label, TRUE);
    gtk_label_set_max_width_chars(label, kTextWidthChars);
    gtk_label_set_xalign(label, 0.0F);
    gtk_label_set_selectable(label, FALSE);
    return label;
}

// The most height the informative text may take before it scrolls.
int maximumTextHeight() {
    const std::optional<GdkRectangle> area = primaryWorkArea();
    const int screen = area ? area->height : kScreenHeightWhenUnknown;
    return std::max(kMinimumTextHeight, screen - kRoomAroundText);
}

void addKey(GtkShortcutController* controller, guint key, GtkShortcutFunc callback, gpointer data) {
    gtk_shortcut_controller_add_shortcut(
        controller, gtk_shortcut_new(gtk_keyval_trigger_new(key, GdkModifierType(0)),
                                     gtk_callback_action_new(callback, data, nullptr)));
}

}  // namespace

ModalAlert::ModalAlert() = default;

ModalAlert::~ModalAlert() {
    if (window_ != nullptr) {
        g_signal_handlers_disconnect_by_data(window_, this);
        for (GtkWidget* button : buttons_) g_signal_handlers_disconnect_by_data(button, this);
        gtk_window_destroy(window_);
    }
}

void ModalAlert::setMessageText(const std::string& text) {
    message_ = text;
    if (window_ != nullptr) {
        gtk_window_set_title(window_, text.c_str());
        gtk_label_set_text(messageLabel_, text.c_str());
    }
}

void ModalAlert::setInformativeText(const std::string& text) {
    informative_ = text;
    if (informativeLabel_ != nullptr) showInformativeText();
}

void ModalAlert::showInformativeText() {
    const bool longText = informative_.size() > kLongTextBytes;
    gtk_label_set_text(informativeLabel_, longText ? "" : informative_.c_str());
    gtk_text_buffer_set_text(gtk_text_view_get_buffer(longText_),
                             longText ? informative_.c_str() : "", -1);
    gtk_widget_set_visible(GTK_WIDGET(informativeLabel_), !longText);
    gtk_widget_set_visible(GTK_WIDGET(longText_), longText);
    gtk_widget_set_visible(textScroller_, !informative_.empty());
}

void ModalAlert::setStyle(AlertStyle style) {
    style_ = style;
    if (icon_ == nullptr) return;
    gtk_image_set_from_icon_name(icon_, iconName(style));
    nameForScreenReader(GTK_WIDGET(icon_), iconMeaning(style));
}

void ModalAlert::setAccessory(GtkWidget* widget) {
    if (window_ != nullptr || accessory_) return;  // fixed once given
    accessory_ = GRef<GtkWidget>::retain(widget);
}

void ModalAlert::addButton(const std::string& title) {
    if (window_ == nullptr) buttonTitles_.push_back(title);
}

void ModalAlert::setInitialFocus(GtkWidget* widget) {
    initialFocus_ = widget;
}

void ModalAlert::setParent(GtkWindow* parent) {
    parent_ = parent;
}

int ModalAlert::lastResponse() const {
    return kAlertFirstButton + static_cast<int>(buttons_.size()) - 1;
}

void ModalAlert::build() {
    if (buttonTitles_.empty()) buttonTitles_.push_back("OK");

    // Read as an alert: its title, then its text, as soon as it shows.
    window_ = GTK_WINDOW(g_object_new(GTK_TYPE_WINDOW, "accessible-role",
                                      GTK_ACCESSIBLE_ROLE_ALERT_DIALOG, nullptr));
    gtk_widget_set_name(GTK_WIDGET(window_), "delvaronte-alert");
    gtk_window_set_title(window_, message_.c_str());
    gtk_window_set_modal(window_, TRUE);
    gtk_window_set_resizable(window_, FALSE);
    gtk_window_set_hide_on_close(window_, FALSE);

    GtkWidget* content = gtk_box_new(GTK_ORIENTATION_VERTICAL, 18);
    gtk_widget_set_margin_top(content, 20);
    gtk_widget_set_margin_bottom(content, 16);
    gtk_widget_set_margin_start(content, 20);
    gtk_widget_set_margin_end(content, 20);

    GtkWidget* row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 16);
    icon_ = GTK_IMAGE(gtk_image_new_from_icon_name(iconName(style_)));
    gtk_widget_set_name(GTK_WIDGET(icon_), "alert-icon");
    gtk_image_set_pixel_size(icon_, kIconSize);
    nameForScreenReader(GTK_WIDGET(icon_), iconMeaning(style_));
    gtk_widget_set_valign(GTK_WIDGET(icon_), GTK_ALIGN_START);
    gtk_box_append(GTK_BOX(row), GTK_WIDGET(icon_));

    GtkWidget* texts = gtk_box_new(GTK_ORIENTATION_VERTICAL, 8);
    messageLabel_ = makeLabel("alert-message");
    gtk_label_set_text(messageLabel_, message_.c_str());
    const GOwned<PangoAttrList, pango_attr_list_unref> bold(pango_attr_list_new());
    pango_attr_list_insert(bold.get(), pango_attr_weight_new(PANGO_WEIGHT_BOLD));
    gtk_label_set_attributes(messageLabel_, bold.get());
    informativeLabel_ = makeLabel("alert-informative");
    // A page's or a changelog's text may be of any length, and of long words.
    gtk_label_set_wrap_mode(informativeLabel_, PANGO_WRAP_WORD_CHAR);
    longText_ = GTK_TEXT_VIEW(gtk_text_view_new());
    gtk_widget_set_name(GTK_WIDGET(longText_), "alert-informative-long");
    nameForScreenReader(GTK_WIDGET(longText_), "Texte du message");
    gtk_text_view_set_editable(longText_, FALSE);
    gtk_text_view_set_cursor_visible(longText_, FALSE);
    gtk_text_view_set_wrap_mode(longText_, GTK_WRAP_WORD_CHAR);
    addStyleSheet(kLongTextCss);
    gtk_widget_add_css_class(GTK_WIDGET(longText_), "alert-text");
    gtk_widget_set_size_request(GTK_WIDGET(longText_), kLongTextWidth, -1);
    GtkWidget* both = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
    gtk_box_append(GTK_BOX(both), GTK_WIDGET(informativeLabel_));
    gtk_box_append(GTK_BOX(both), GTK_WIDGET(longText_));
    GtkWidget* scroller = textScroller_ = gtk_scrolled_window_new();
    // Not a stop of its own for the keyboard: the focus goes on to the form and the buttons.
    gtk_widget_set_focusable(scroller, FALSE);
    gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scroller), GTK_POLICY_NEVER,
                                   GTK_POLICY_AUTOMATIC);
    // As wide and as high as the text would be without the scroller, up to the screen's room.
    gtk_scrolled_window_set_propagate_natural_width(GTK_SCROLLED_WINDOW(scroller), TRUE);
    gtk_scrolled_window_set_propagate_natural_height(GTK_SCROLLED_WINDOW(scroller), TRUE);
    gtk_scrolled_window_set_max_content_height(GTK_SCROLLED_WINDOW(scroller), maximumTextHeight());
    gtk_scrolled_window_set_child(GTK_SCROLLED_WINDOW(scroller), both);
    nameScrollBars(GTK_SCROLLED_WINDOW(scroller));
    showInformativeText();
    gtk_box_append(GTK_BOX(texts), GTK_WIDGET(messageLabel_));
    gtk_box_append(GTK_BOX(texts), scroller);
    if (accessory_) {
        gtk_widget_set_margin_top(accessory_.get(), 6);
        gtk_widget_set_halign(accessory_.get(), GTK_ALIGN_START);
        gtk_box_append(GTK_BOX(texts), accessory_.get());
    }
    gtk_box_append(GTK_BOX(row), texts);
    gtk_box_append(GTK_BOX(content), row);

    // Buttons read right to left in the order added: the first is the right-most.
    GtkWidget* buttonRow = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 8);
    gtk_widget_set_halign(buttonRow, GTK_ALIGN_END);
    for (const std::string& title : buttonTitles_) {
        GtkWidget* button = gtk_button_new_with_label(title.c_str());
        gtk_widget_set_size_request(button, 90, -1);
        connectSignal(button, "clicked", &ModalAlert::buttonClickedCb, this);
        gtk_box_prepend(GTK_BOX(buttonRow), button);
        buttons_.push_back(button);
    }
    gtk_widget_add_css_class(buttons_.front(), "suggested-action");
    gtk_window_set_default_widget(window_, buttons_.front());
    gtk_box_append(GTK_BOX(content), buttonRow);
    gtk_window_set_child(window_, content);

    // Enter answers the default button wherever the focus is, as Escape answers the last:
    // caught before the focused field or button sees the key.
    GtkEventController* keys = gtk_shortcut_controller_new();
    gtk_event_controller_set_propagation_phase(keys, GTK_PHASE_CAPTURE);
    auto* shortcuts = GTK_SHORTCUT_CONTROLLER(keys);
    addKey(shortcuts, GDK_KEY_Return, &ModalAlert::enterCb, this);
    addKey(shortcuts, GDK_KEY_KP_Enter, &ModalAlert::enterCb, this);
    addKey(shortcuts, GDK_KEY_Escape, &ModalAlert::escapeCb, this);
    gtk_widget_add_controller(GTK_WIDGET(window_), keys);

    connectSignal(window_, "close-request", &ModalAlert::closeRequestCb, this);
}

int ModalAlert::runModal() {
    if (window_ == nullptr) build();
    if (loop_) return lastResponse();  // already running: never nest the same alert

    GtkWindow* parent = parent_ != nullptr ? parent_ : activeApplicationWindow();
    gtk_window_set_transient_for(window_, parent != window_ ? parent : nullptr);
    gtk_window_set_focus(window_, initialFocus_ != nullptr ? initialFocus_ : buttons_.front());

    response_ = lastResponse();
    loop_.reset(g_main_loop_new(nullptr, FALSE));
    gtk_window_present(window_);
    g_main_loop_run(loop_.get());
    loop_.reset();
    gtk_widget_set_visible(GTK_WIDGET(window_), FALSE);
    return response_;
}

void ModalAlert::finish(int response) {
    response_ = response;
    if (loop_) g_main_loop_quit(loop_.get());
}

void ModalAlert::buttonClickedCb(GtkButton* button, ModalAlert* alert) {
    for (size_t i = 0; i < alert->buttons_.size(); ++i) {
        if (alert->buttons_[i] == GTK_WIDGET(button)) {
            alert->finish(kAlertFirstButton + static_cast<int>(i));
        }
    }
}

gboolean ModalAlert::closeRequestCb(GtkWindow*, ModalAlert* alert) {
    alert->finish(alert->lastResponse());
    return TRUE;  // keep the window: runModal hides it and may show it again
}

gboolean ModalAlert::escapeCb(GtkWidget*, GVariant*, gpointer data) {
    auto* alert = static_cast<ModalAlert*>(data);
    alert->finish(alert->lastResponse());
    return TRUE;
}

gboolean ModalAlert::enterCb(GtkWidget*, GVariant*, gpointer data) {
    static_cast<ModalAlert*>(data)->finish(kAlertFirstButton);
    return TRUE;
}

}  // namespace delvaronte
