// Our modal alert: a message, an informative text, a style icon, an optional form and
// buttons. Every dialog of the program is one of these.
#pragma once

#include <gtk/gtk.h>

#include <string>
#include <vector>

#include "base/GObjectPtr.h"

namespace delvaronte {

enum class AlertStyle { Warning, Informational };

// Answers of runModal, by the order in which buttons were added.
inline constexpr int kAlertFirstButton = 1000;
inline constexpr int kAlertSecondButton = 1001;

class ModalAlert {
public:
    ModalAlert();
    ~ModalAlert();
    ModalAlert(const ModalAlert&) = delete;
    ModalAlert& operator=(const ModalAlert&) = delete;

    // The bold message, also the window's title so that window lists can name it.
    void setMessageText(const std::string& text);
    void setInformativeText(const std::string& text);
    void setStyle(AlertStyle style);
    // A form shown under the texts; the alert keeps it, with what was typed, between runs.
    void setAccessory(GtkWidget* widget);
    // The first button added is the default: right-most, and the one Enter answers.
    void addButton(const std::string& title);
    // The widget that has the keyboard focus when the alert appears; without one, the
    // default button.
    void setInitialFocus(GtkWidget* widget);
    // The window the alert belongs to; without one, the application's active window.
    void setParent(GtkWindow* parent);

    // Shows the alert, transient for its parent window, and blocks in a
    // nested main loop until it is answered: 1000 for the first button, 1001 for the
    // second and so on. Escape and the close button answer the last button. With no button
    // added, a single "OK" is shown. Can be run again.
    int runModal();

    GtkWindow* window() const { return window_; }

private:
    void build();
    void showInformativeText();
    void finish(int response);
    int lastResponse() const;

    static void buttonClickedCb(GtkButton* button, ModalAlert* alert);
    static gboolean closeRequestCb(GtkWindow* window, ModalAlert* alert);
    static gboolean escapeCb(GtkWidget* widget, GVariant* arguments, gpointer alert);
    static gboolean enterCb(GtkWidget* widget, GVariant* arguments, gpointer alert);

    std::string message_;
    std::string informative_;
    AlertStyle style_ = AlertStyle::Warning;
    GRef<GtkWidget> accessory_;  // ours as well as the window's, once built in
    GtkWidget* initialFocus_ = nullptr;
    GtkWindow* parent_ = nullptr;  // not owned: an alert lives while its caller waits
    std::vector<std::string> buttonTitles_;
    std::vector<GtkWidget*> buttons_;

    GtkWindow* window_ = nullptr;
    GtkLabel* messageLabel_ = nullptr;
    GtkLabel* informativeLabel_ = nullptr;
    GtkTextView* longText_ = nullptr;  // in place of the label for a long text
    GtkWidget* textScroller_ = nullptr;
    GtkImage* icon_ = nullptr;
    GOwned<GMainLoop, g_main_loop_unref> loop_;  // while runModal waits
    int response_ = 0;
};

}  // namespace delvaronte
