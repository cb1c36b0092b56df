// The menu bar and the commands it gives.
#include <gio/gio.h>

#include "base/GObjectPtr.h"
#include "base/Version.h"
#include "shell/AppDelegate.h"
#include "shell/WebViews.h"
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

// Edit commands reach the focused web content, or the focused text field.
void editCommand(AppDelegate& delegate, const char* webCommand, const char* fieldAction) {
    GtkApplication* application = gtk_window_get_application(delegate.window());
    GtkWindow* active =
        application != nullptr ? gtk_application_get_active_window(application) : nullptr;
    GtkWidget* focus = active != nullptr ? gtk_root_get_focus(GTK_ROOT(active)) : nullptr;
    for (GtkWidget* widget = focus; widget != nullptr; widget = gtk_widget_get_parent(widget)) {
        if (WEBKIT_IS_WEB_VIEW(widget)) {
            webkit_web_view_execute_editing_command(WEBKIT_WEB_VIEW(widget), webCommand);
            return;
        }
    }
    if (focus != nullptr) gtk_widget_activate_action(focus, fieldAction, nullptr);
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
    {"undo", [](AppDelegate& d) { editCommand(d, WEBKIT_EDITING_COMMAND_UNDO, "text.undo"); }},
    {"redo", [](AppDelegate& d) { editCommand(d, WEBKIT_EDITING_COMMAND_REDO, "text.redo"); }},
    {"cut", [](AppDelegate& d) { editCommand(d, WEBKIT_EDITING_COMMAND_CUT, "clipboard.cut"); }},
    {"copy", [](AppDelegate& d) { editCommand(d, WEBKIT_EDITING_COMMAND_COPY, "clipboard.copy"); }},
    {"paste",
     [](AppDelegate& d) { editCommand(d, WEBKIT_EDITING_COMMAND_PASTE, "clipboard.paste"); }},
    {"selectAll",
     [](AppDelegate& d) {
         editCommand(d, WEBKIT_EDITING_COMMAND_SELECT_ALL, "selection.select-all");
     }},
    {"find", [](AppDelegate& d) { d.find(); }},
    {"toggleFullScreen", [](AppDelegate& d) { d.toggleFullScreen(); }},
    {"miniaturize", [](AppDelegate& d) { d.miniaturize(); }},
    {"zoomIn", [](AppDelegate& d) { d.zoomIn(); }},
    {"zoomOut", [](AppDelegate& d) { d.zoomOut(); }},
    {"resetZoom", [](AppDelegate& d) { d.resetZoom(); }},
    {"caretBrowsing", [](AppDelegate& d) { d.toggleCaretBrowsing(); }},
};

// Keys of actions that are in no menu.
struct OffMenuKeys {
    const char* action;
    const char* keys;
};
const OffMenuKeys kOffMenuKeys[] = {{"app.caretBrowsing", "F7"}};

struct ActionTarget {
    AppDelegate* delegate;
    Command command;
};

void activateActionCb(GSimpleAction*, GVariant*, gpointer data) {
    auto* target = static_cast<ActionTarget*>(data);
    target->command(*target->delegate);
}

}  // namespace

void setupMenu(GtkApplication* application, AppDelegate& delegate) {
    for (const ActionBinding& binding : kActions) {
        const auto action = GRef<GSimpleAction>::adopt(g_simple_action_new(binding.name, nullptr));
        g_signal_connect_data(
            action.get(), "activate", G_CALLBACK(activateActionCb),
            new ActionTarget{&delegate, binding.command},
            +[](gpointer data, GClosure*) { delete static_cast<ActionTarget*>(data); },
            GConnectFlags(0));
        g_action_map_add_action(G_ACTION_MAP(application), G_ACTION(action.get()));
    }
    for (const OffMenuKeys& keys : kOffMenuKeys) {
        const char* accels[] = {keys.keys, nullptr};
        gtk_application_set_accels_for_action(application, keys.action, accels);
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
                    gtk_application_set_accels_for_action(application, item.action, accels.data());
                }
                g_menu_append_item(group.get(), entry.get());
            }
            g_menu_append_section(submenu.get(), nullptr, G_MENU_MODEL(group.get()));
        }
        g_menu_append_submenu(bar.get(), menu.title, G_MENU_MODEL(submenu.get()));
    }
    gtk_application_set_menubar(application, G_MENU_MODEL(bar.get()));
}

// The editing keys go to the focused web view first, in turn with the keys typed before
// them; WebKit hands back those it did not handle (Ctrl+Z and Ctrl+Shift+Z in a text field,
// for one), and those run their Edition item here, still in turn.
void addContentKeys(GtkWindow* window) {
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
    if (!pages_.empty()) pages_.front()->goBackOrForward(true);
}
void AppDelegate::goForward() {
    if (!pages_.empty()) pages_.front()->goBackOrForward(false);
}
void AppDelegate::reload() {
    if (!pages_.empty()) pages_.front()->reload();
}
void AppDelegate::goHome() {
    if (pages_.empty() || pages_.front()->stopIfStuck()) return;
    loadUrl(appUrl());
}

void AppDelegate::checkUpdates() {
    if (site_) UpdateChecker::checkForUpdates(false, site_->updateSettings());
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
    if (WebKitWebView* view = webView()) setZoom(zoomedIn(webkit_web_view_get_zoom_level(view)));
}

void AppDelegate::zoomOut() {
    if (WebKitWebView* view = webView()) setZoom(zoomedOut(webkit_web_view_get_zoom_level(view)));
}

void AppDelegate::resetZoom() {
    setZoom(kZoomActualSize);
}

// The main page's zoom, kept for its host.
void AppDelegate::setZoom(double level) {
    WebKitWebView* view = webView();
    if (view == nullptr) return;
    webkit_web_view_set_zoom_level(view, level);
    if (const char* uri = webkit_web_view_get_uri(view)) site_->zoomAndPrint().keepZoom(uri, level);
}

// In the window in front, each with its own.
void AppDelegate::find() {
    GtkWindow* active = gtk_application_get_active_window(application_);
    for (const auto& page : pages_) {
        if (page->window() == active) page->findBar().open();
    }
}

void AppDelegate::toggleCaretBrowsing() {
    WebKitSettings* settings = sharedSettings();
    const bool on = !webkit_settings_get_enable_caret_browsing(settings);
    if (on) {
        ModalAlert ask;
        ask.setMessageText("Navigation au curseur");
        ask.setInformativeText(
            "La touche F7 place dans la page un curseur que les fleches deplacent, pour lire et "
            "selectionner le texte au clavier. Activer la navigation au curseur ?");
        ask.setStyle(AlertStyle::Informational);
        ask.addButton("Activer");
        ask.addButton("Annuler");
        if (ask.runModal() != kAlertFirstButton) return;
    }
    webkit_settings_set_enable_caret_browsing(settings, on);
    if (site_) site_->kept().keepCaretBrowsing(on);
}

void AppDelegate::showAbout() {
    ModalAlert alert;
    alert.setMessageText("DELVARONTE");
    alert.setInformativeText(aboutText());
    alert.setStyle(AlertStyle::Informational);
    alert.addButton("OK");
    alert.addButton("Copier les informations pour l'assistance");
    if (alert.runModal() == kAlertFirstButton + 1 && window_ != nullptr) {
        gdk_clipboard_set_text(gtk_widget_get_clipboard(GTK_WIDGET(window_)),
                               supportText().c_str());
    }
}

std::string AppDelegate::supportText() const {
    if (!site_) return "";
    SupportFacts facts = site_->supportFacts();
    facts.program = "DELVARONTE " + std::string(kVersion);
    return delvaronte::supportText(facts);
}

void AppDelegate::miniaturize() {
    if (GtkWindow* active = gtk_application_get_active_window(application_)) {
        gtk_window_minimize(active);
    }
}

void AppDelegate::printPage() {
    if (webView() == nullptr) return;
    const auto operation = GRef<WebKitPrintOperation>::adopt(webkit_print_operation_new(webView()));
    site_->zoomAndPrint().print(operation.get(), window_);
}

}  // namespace delvaronte
