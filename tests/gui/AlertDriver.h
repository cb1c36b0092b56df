// Plays a person in front of our modal alerts: each step runs when the next alert appears,
// reads what it shows, types into its fields and presses its buttons.
#pragma once

#include <gtk/gtk.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace delvaronte::testing {

// One alert on screen, seen through its widgets.
class ShownAlert {
public:
    explicit ShownAlert(GtkWindow* window) : window_(window) {}

    GtkWindow* window() const { return window_; }
    std::string title() const;
    std::string message() const;
    std::string informative() const;
    std::string iconName() const;
    // Labels of the buttons from left to right, as a person reads them.
    std::vector<std::string> buttonLabels() const;
    // Entries and password entries, in the order of the form.
    std::vector<GtkWidget*> fields() const;
    std::string fieldText(size_t index) const;
    void type(size_t index, const std::string& text) const;
    // Labels of the check boxes, in the order of the form.
    std::vector<std::string> checkBoxes() const;
    void tick(const std::string& label) const;
    void press(const std::string& label) const;
    // Answers as the window's close button does.
    void close() const;
    GtkWidget* focus() const { return gtk_window_get_focus(window_); }
    GtkWidget* defaultButton() const { return gtk_window_get_default_widget(window_); }

private:
    GtkWindow* window_;
};

// What an alert showed, kept after it is gone.
struct SeenAlert {
    std::string title;
    std::string informative;
    std::string icon;
};

class AlertDriver {
public:
    using Step = std::function<void(ShownAlert&)>;

    AlertDriver();
    ~AlertDriver();
    AlertDriver(const AlertDriver&) = delete;
    AlertDriver& operator=(const AlertDriver&) = delete;

    // Steps are taken in order, one per alert shown.
    AlertDriver& then(Step step);
    // Shorthands: press a button on the next alert; type into fields, then press.
    AlertDriver& press(const std::string& label);
    AlertDriver& fill(std::vector<std::string> texts, const std::string& label);

    const std::vector<SeenAlert>& seen() const { return seen_; }
    size_t pending() const { return steps_.size(); }

private:
    void watch(GtkWindow* window);
    void onShown(GtkWindow* window);

    static void itemsChangedCb(GListModel* list, guint position, guint removed, guint added,
                               AlertDriver* driver);
    static void mapCb(GtkWidget* window, AlertDriver* driver);

    GListModel* toplevels_;
    std::vector<GtkWindow*> watched_;
    std::deque<Step> steps_;
    std::vector<SeenAlert> seen_;
};

// Runs the main loop until done() holds or the deadline passes; false on the deadline.
bool waitUntil(const std::function<bool()>& done, int seconds = 20);

// Renders a window into DELVARONTE_SHOTS/name.png when that variable names a folder, so
// that a person can look at what the tests saw.
void saveShot(GtkWindow* window, const std::string& name);

}  // namespace delvaronte::testing
