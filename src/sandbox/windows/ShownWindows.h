// Our windows as a person at the desk meets them, for the tests: their widgets found by kind,
// our alerts read and answered through their widgets as each appears.
#pragma once

#include <gtk/gtk.h>

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace delvaronte {

// Told of what went wrong while answering (a button that is not there, an alert nobody
// expected, steps that never ran); the tests make each one a failure.
extern std::function<void(const std::string&)> reportWindowProblem;

// The widgets of window that keep() takes, not looking inside those.
std::vector<GtkWidget*> widgetsOf(GtkWindow* window, const std::function<bool(GtkWidget*)>& keep);
// A visible top-level window by its widget name.
GtkWindow* windowNamed(const char* name);

// One of our alerts on screen, read and answered through its widgets.
struct ShownAlert {
    GtkWindow* window;
    std::string title() const { return gtk_window_get_title(window); }
    std::string informative() const;                // the text under the title, scrolled or not
    std::vector<std::string> buttonLabels() const;  // left to right
    std::vector<GtkWidget*> fields() const;
    std::string fieldText(size_t index) const;
    void type(size_t index, const std::string& text) const;
    // Presses the button, or ticks the check box, of that label.
    void press(const std::string& label) const;
    bool waitUntilActive() const;
};

// Answers our alerts in order as they appear, one step each, and keeps what each showed.
class AlertDriver {
public:
    using Step = std::function<void(ShownAlert&)>;
    struct Seen {
        std::string title, informative;
    };
    AlertDriver();
    ~AlertDriver();
    AlertDriver& then(Step step) {
        steps_.push_back(std::move(step));
        return *this;
    }
    AlertDriver& press(const std::string& label) {
        return then([label](ShownAlert& alert) { alert.press(label); });
    }
    AlertDriver& fill(std::vector<std::string> texts, const std::string& label) {
        return then([texts = std::move(texts), label](ShownAlert& alert) {
            for (size_t i = 0; i < texts.size(); ++i) alert.type(i, texts[i]);
            alert.press(label);
        });
    }
    const std::vector<Seen>& seen() const { return seen_; }
    size_t pending() const { return steps_.size(); }

private:
    static gboolean mapped(GSignalInvocationHint*, guint, const GValue* values, gpointer self);
    gulong hook_;
    std::deque<Step> steps_;
    std::vector<Seen> seen_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace delvaronte
