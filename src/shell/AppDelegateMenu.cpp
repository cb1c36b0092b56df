// The menu bar and the commands it gives.
#include <gio/gio.h>

#include "base/GObjectPtr.h"
#include "base/Version.h"
#include "shell/AppDelegate.h"
#include "shell/ViewRecord.h"
#include "shell/rules/MenuModel.h"
#include "shell/rules/Zoom.h"
#include "ui/ModalAlert.h"

namespace delvaronte {

namespace {

std::string aboutText() {
    return "Version " + std::string(kVersionMajorMinor) +
           "\n\nLogiciel de comptabilite generale, analytique et commerciale "
           "multi-societes.\n\nConcu pour les entreprises et associations marocaines.\n\n"
           "Edite par DELVARONTE Logiciels.";
}

using Command = void (*)(AppDelegate&);

struct ActionBinding {
    const char* name;
    Command command;
};

const ActionBinding kActions[] = {
    {"showAbout", [](AppDelegate& d) { d.showAbout(); }},
    {"checkUpdates", [](AppDelegate& d) { d.checkUpdates(); }},
    {"openConfig", [](AppDelegate& d) { d.openConfig(); }},
    {"quit", [](AppDelegate& d) { d.quit(); }},
    {"goBack", [](AppDelegate& d) { d.goBack(); }},
    {"goForward", [](AppDelegate& d) { d.goForward(); }},
    {"reload", [](AppDelegate& d) { d.reload(); }},
    {"goHome", [](AppDelegate& d) { d.goHome(); }},
    {"print", [](AppDelegate& d) { d.printPage(); }},
    {"undo", [](AppDelegate& d) { d.editCommand(WEBKIT_EDITING_COMMAND_UNDO, "text.undo"); }},
    {"redo", [](AppDelegate& d) { d.editCommand(WEBKIT_EDITING_COMMAND_REDO, "text.redo"); }},
    {"cut", [](AppDelegate& d) { d.editCommand(WEBKIT_EDITING_COMMAND_CUT, "clipboard.cut"); }},
    {"copy", [](AppDelegate& d) { d.editCommand(WEBKIT_EDITING_COMMAND_COPY, "clipboard.copy"); }},
    {"paste",
     [](AppDelegate& d) { d.editCommand(WEBKIT_EDITING_COMMAND_PASTE, "clipboard.paste"); }},
    {"selectAll",
     [](AppDelegate& d) {
         d.editCommand(WEBKIT_EDITING_COMMAND_SELECT_ALL, "selection.select-all");
     }},
    {"toggleFullScreen", [](AppDelegate& d) { d.toggleFullScreen(); }},
    {"miniaturize", [](AppDelegate& d) { d.miniaturize(); }},
    {"zoomIn", [](AppDelegate& d) { d.zoomIn(); }},
    {"zoomOut", [](AppDelegate& d) { d.zoomOut(); }},
    {"resetZoom", [](AppDelegate& d) { d.resetZoom(); }},
};

struct ActionTarget {
    AppDelegate* delegate;
    Command command;
};

void activateActionCb(GSimpleAction*, GVariant*, gpointer data) {
    auto* target = static_cast<ActionTarget*>(data);
    target->command(*target->delegate);
}

}  // namespace

void AppDelegate::setupMenu() {
    for (const ActionBinding& binding : kActions) {
        const auto action = GRef<GSimpleAction>::adopt(g_simple_action_new(binding.name, nullptr));
        g_signal_connect_data(
            action.get(), "activate", G_CALLBACK(activateActionCb),
            new ActionTarget{this, binding.command},
            +[](gpointer data, GClosure*) { delete static_cast<ActionTarget*>(data); },
            GConnectFlags(0));
        g_action_map_add_action(G_ACTION_MAP(application_), G_ACTION(action.get()));
    }

    const auto bar = GRef<GMenu>::adopt(g_menu_new());
    for (const Menu& menu : menuBar()) {
        const auto submenu = GRef<GMenu>::adopt(g_menu_new());
        for (const auto& section : menu.sections) {
            const auto group = GRef<GMenu>::adopt(g_menu_new());
            for (const MenuItem& item : section) {
                const auto entry = GRef<GMenuItem>::adopt(g_menu_item_new(item.label, item.action));
                if (item.keysBelongToContent) {
                    g_menu_item_set_attribute(entry.get(), "accel", "s", item.accels.front());
                } else {
                    std::vector<const char*> accels = item.accels;
                    accels.push_back(nullptr);
                    gtk_application_set_accels_for_action(application_, item.action, accels.data());
                }
                g_menu_append_item(group.get(), entry.get());
            }
            g_menu_append_section(submenu.get(), nullptr, G_MENU_MODEL(group.get()));
        }
        g_menu_append_submenu(bar.get(), menu.title, G_MENU_MODEL(submenu.get()));
    }
    gtk_application_set_menubar(application_, G_MENU_MODEL(bar.get()));
}

// The editing keys go to the focused web view first, in turn with the keys typed before
// them; WebKit hands back those it did not handle (Ctrl+Z and Ctrl+Shift+Z in a text field,
// for one), and those run their Edition item here, still in turn.
void AppDelegate::addContentKeys(GtkWindow* window) {
    GtkEventController* controller = gtk_shortcut_controller_new();
    gtk_event_controller_set_propagation_phase(controller, GTK_PHASE_BUBBLE);
    for (const Menu& menu : menuBar()) {
        for (const auto& section : menu.sections) {
            for (const MenuItem& item : section) {
                if (!item.keysBelongToContent) continue;
                for (const char* accel : item.accels) {
                    gtk_shortcut_controller_add_shortcut(
                        GTK_SHORTCUT_CONTROLLER(controller),
                        gtk_shortcut_new(gtk_shortcut_trigger_parse_string(accel),
                                         gtk_named_action_new(item.action)));
                }
            }
        }
    }
    gtk_widget_add_controller(GTK_WIDGET(window), controller);
}

void AppDelegate::goBack() {
    if (bringFormBack(webView_)) return;  // the form's page, whether or not in the history
    userNavigates(webView_);
    webkit_web_view_go_back(webView_);
}
void AppDelegate::goForward() {
    userNavigates(webView_);
    webkit_web_view_go_forward(webView_);
}
void AppDelegate::reload() {
    if (stopIfStuck()) return;
    userNavigates(webView_);
    webkit_web_view_reload(webView_);
}
void AppDelegate::goHome() {
    if (stopIfStuck()) return;
    loadUrl(appUrl_);
}

void AppDelegate::checkUpdates() {
    UpdateChecker::checkForUpdates(false, updateSettings());
}

void AppDelegate::openConfig() {
    ConfigWindow::showConfig(*this);
}

void AppDelegate::toggleFullScreen() {
    if (gtk_window_is_fullscreen(window_)) {
        gtk_window_unfullscreen(window_);
    } else {
        gtk_window_fullscreen(window_);
    }
}

void AppDelegate::zoomIn() {
    webkit_web_view_set_zoom_level(webView_, zoomedIn(webkit_web_view_get_zoom_level(webView_)));
}

void AppDelegate::zoomOut() {
    webkit_web_view_set_zoom_level(webView_, zoomedOut(webkit_web_view_get_zoom_level(webView_)));
}

void AppDelegate::resetZoom() {
    webkit_web_view_set_zoom_level(webView_, kZoomActualSize);
}

void AppDelegate::showAbout() {
    ModalAlert alert;
    alert.setMessageText("DELVARONTE");
    alert.setInformativeText(aboutText());
    alert.setStyle(AlertStyle::Informational);
    alert.addButton("OK");
    alert.runModal();
}

void AppDelegate::miniaturize() {
    if (GtkWindow* active = gtk_application_get_active_window(application_)) {
        gtk_window_minimize(active);
    }
}

void AppDelegate::printPage() {
    const auto operation = GRef<WebKitPrintOperation>::adopt(webkit_print_operation_new(webView_));
    seams_.print(operation.get(), window_);
}

// Each page is asked to close first: one with unsaved work asks its leave question, and
// "Rester" keeps the program running. The program ends once every page has closed.
void AppDelegate::quit() {
    if (!closing_.empty()) return;  // already asking
    closing_ = allViews();
    for (WebKitWebView* view : std::vector<WebKitWebView*>(closing_)) {
        // A page stuck in a script could not answer: it is stopped, and closes.
        if (!webkit_web_view_get_is_web_process_responsive(view)) {
            webkit_web_view_terminate_web_process(view);
            pageClosed(view);
        } else {
            webkit_web_view_try_close(view);
        }
    }
}

void AppDelegate::pageClosed(WebKitWebView* view) {
    std::erase(closing_, view);
    if (closing_.empty()) seams_.endProgram(G_APPLICATION(application_));
}

void AppDelegate::quitCancelled() {
    closing_.clear();
    if (logoutInhibit_ != 0)
        gtk_application_uninhibit(application_, std::exchange(logoutInhibit_, 0));
}

// The desktop is logging out: the pages are asked as for Ctrl+Q, and meanwhile the desktop
// shows that the program has work that may not be saved. The program ends, or the user stays.
void AppDelegate::queryEndCb(GtkApplication* application, AppDelegate* self) {
    if (self->logoutInhibit_ == 0) {
        self->logoutInhibit_ =
            gtk_application_inhibit(application, self->window_, GTK_APPLICATION_INHIBIT_LOGOUT,
                                    "Une saisie n'est peut-etre pas enregistree dans DELVARONTE");
    }
    self->quit();
}

void AppDelegate::editCommand(const char* webCommand, const char* fieldAction) {
    GtkWindow* active = gtk_application_get_active_window(application_);
    GtkWidget* focus = active != nullptr ? gtk_root_get_focus(GTK_ROOT(active)) : nullptr;
    for (GtkWidget* widget = focus; widget != nullptr; widget = gtk_widget_get_parent(widget)) {
        if (WEBKIT_IS_WEB_VIEW(widget)) {
            webkit_web_view_execute_editing_command(WEBKIT_WEB_VIEW(widget), webCommand);
            return;
        }
    }
    if (focus != nullptr) gtk_widget_activate_action(focus, fieldAction, nullptr);
}

}  // namespace delvaronte
