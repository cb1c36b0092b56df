#include "shell/FindBar.h"

#include "base/GObjectPtr.h"
#include "shell/rules/FindCount.h"
#include "ui/ScreenReaderNames.h"

namespace delvaronte {

namespace {

constexpr guint32 kFindOptions =
    WEBKIT_FIND_OPTIONS_CASE_INSENSITIVE | WEBKIT_FIND_OPTIONS_WRAP_AROUND;

// The bar's own close button, an icon: named for what it does.
void nameCloseButton(GtkWidget* widget) {
    for (GtkWidget* child = gtk_widget_get_first_child(widget); child != nullptr;
         child = gtk_widget_get_next_sibling(child)) {
        if (GTK_IS_BUTTON(child)) nameForScreenReader(child, "Fermer la recherche");
        nameCloseButton(child);
    }
}

}  // namespace

FindBar::FindBar(WebKitWebView* view)
    : view_(view),
      finder_(webkit_web_view_get_find_controller(view)),
      bar_(gtk_search_bar_new()),
      entry_(gtk_search_entry_new()),
      count_(gtk_label_new("")) {
    g_object_ref_sink(bar_);
    gtk_widget_set_size_request(entry_, 280, -1);
    gtk_widget_add_css_class(count_, "dim-label");
    gtk_widget_set_visible(count_, FALSE);  // until there is a count to read
    nameForScreenReader(bar_, "Recherche dans la page");
    nameForScreenReader(entry_, "Rechercher dans la page");
    GtkWidget* row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 8);
    gtk_box_append(GTK_BOX(row), entry_);
    gtk_box_append(GTK_BOX(row), count_);
    gtk_search_bar_set_child(GTK_SEARCH_BAR(bar_), row);
    gtk_search_bar_connect_entry(GTK_SEARCH_BAR(bar_), GTK_EDITABLE(entry_));
    gtk_search_bar_set_show_close_button(GTK_SEARCH_BAR(bar_), TRUE);
    nameCloseButton(bar_);
    // At once, not sliding in: the field takes the keys typed right after the shortcut.
    for (GtkWidget* part = gtk_widget_get_first_child(bar_); part;
         part = gtk_widget_get_next_sibling(part)) {
        if (GTK_IS_REVEALER(part)) gtk_revealer_set_transition_duration(GTK_REVEALER(part), 0);
    }

    connectSignal(entry_, "search-changed", &FindBar::changedCb, this);
    connectSignal(entry_, "activate", &FindBar::nextCb, this);
    connectSignal(entry_, "next-match", &FindBar::nextCb, this);
    connectSignal(entry_, "previous-match", &FindBar::previousCb, this);
    // Maj+Entree goes back; the field would take it for Entree.
    GtkEventController* keys = gtk_event_controller_key_new();
    gtk_event_controller_set_propagation_phase(keys, GTK_PHASE_CAPTURE);
    connectSignal(keys, "key-pressed", &FindBar::keyPressedCb, this);
    gtk_widget_add_controller(entry_, keys);
    connectSignal(bar_, "notify::search-mode-enabled", &FindBar::modeCb, this);
    connectSignal(finder_, "counted-matches", &FindBar::countedCb, this);
    connectSignal(finder_, "failed-to-find-text", &FindBar::notFoundCb, this);
}

FindBar::~FindBar() {
    g_signal_handlers_disconnect_by_data(finder_, this);
    g_signal_handlers_disconnect_by_data(bar_, this);
    g_signal_handlers_disconnect_by_data(entry_, this);
    g_object_unref(bar_);
}

void FindBar::open() {
    gtk_search_bar_set_search_mode(GTK_SEARCH_BAR(bar_), TRUE);
    gtk_widget_grab_focus(entry_);
    gtk_editable_select_region(GTK_EDITABLE(entry_), 0, -1);
}

// A new text is looked for from the top of the page: its first match is the first.
void FindBar::changedCb(GtkSearchEntry*, FindBar* self) {
    const char* text = gtk_editable_get_text(GTK_EDITABLE(self->entry_));
    self->current_ = self->total_ = 0;
    if (*text == '\0') {
        webkit_find_controller_search_finish(self->finder_);
        self->showCount();
        return;
    }
    webkit_web_view_evaluate_javascript(self->view_, "getSelection().removeAllRanges()", -1,
                                        "delvaronte-find", nullptr, nullptr, nullptr, nullptr);
    webkit_find_controller_count_matches(self->finder_, text, kFindOptions, G_MAXUINT);
    webkit_find_controller_search(self->finder_, text, kFindOptions, G_MAXUINT);
}

void FindBar::nextCb(GtkWidget*, FindBar* self) {
    self->step(true);
}

void FindBar::previousCb(GtkWidget*, FindBar* self) {
    self->step(false);
}

gboolean FindBar::keyPressedCb(GtkEventControllerKey*, guint keyval, guint, GdkModifierType state,
                               FindBar* self) {
    if ((keyval != GDK_KEY_Return && keyval != GDK_KEY_KP_Enter) || (state & GDK_SHIFT_MASK) == 0) {
        return FALSE;
    }
    self->step(false);
    return TRUE;
}

void FindBar::step(bool forward) {
    if (total_ == 0) return;
    current_ = stepMatch(current_, total_, forward);
    if (forward) {
        webkit_find_controller_search_next(finder_);
    } else {
        webkit_find_controller_search_previous(finder_);
    }
    showCount();
}

// Closed: the matches lose their marks and the page has the keyboard again.
void FindBar::modeCb(GtkSearchBar*, GParamSpec*, FindBar* self) {
    if (self->isOpen()) return;
    webkit_find_controller_search_finish(self->finder_);
    gtk_widget_grab_focus(GTK_WIDGET(self->view_));
}

void FindBar::countedCb(WebKitFindController*, guint count, FindBar* self) {
    self->total_ = count;
    self->current_ = count > 0 ? 1 : 0;
    self->showCount();
}

void FindBar::notFoundCb(WebKitFindController*, FindBar* self) {
    self->current_ = self->total_ = 0;
    self->showCount();
}

void FindBar::showCount() {
    const char* text = gtk_editable_get_text(GTK_EDITABLE(entry_));
    gtk_label_set_text(GTK_LABEL(count_),
                       *text == '\0' ? "" : matchCount(current_, total_).c_str());
    gtk_widget_set_visible(count_, *text != '\0');
}

}  // namespace delvaronte
