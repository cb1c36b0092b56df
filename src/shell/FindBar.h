// "Rechercher..." over a page: a search field above it, the count of matches as "n sur m",
// Entree and Maj+Entree for the next and the previous match (wrapping round), Echap to close
// it and give the keyboard back to the page. Case is ignored. One per window's page.
#pragma once

#include <gtk/gtk.h>
#include <webkit/webkit.h>

#include <string>

namespace delvaronte {

class FindBar {
public:
    explicit FindBar(WebKitWebView* view);
    ~FindBar();
    FindBar(const FindBar&) = delete;
    FindBar& operator=(const FindBar&) = delete;

    GtkWidget* widget() const { return bar_; }
    // Opens the bar, or brings the keyboard back to it, its text selected.
    void open();
    bool isOpen() const { return gtk_search_bar_get_search_mode(GTK_SEARCH_BAR(bar_)); }
    std::string count() const { return gtk_label_get_text(GTK_LABEL(count_)); }

private:
    static void changedCb(GtkSearchEntry*, FindBar* self);
    static void nextCb(GtkWidget*, FindBar* self);
    static void previousCb(GtkWidget*, FindBar* self);
    static gboolean keyPressedCb(GtkEventControllerKey*, guint keyval, guint, GdkModifierType state,
                                 FindBar* self);
    static void modeCb(GtkSearchBar*, GParamSpec*, FindBar* self);
    static void countedCb(WebKitFindController*, guint count, FindBar* self);
    static void notFoundCb(WebKitFindController*, FindBar* self);
    void step(bool forward);
    void showCount();

    WebKitWebView* view_;
    WebKitFindController* finder_;
    GtkWidget* bar_;
    GtkWidget* entry_;
    GtkWidget* count_;
    unsigned current_ = 0, total_ = 0;
};

}  // namespace delvaronte
