// The page's dialogs as our own, in French, over the window of the page that asked: alert,
// confirm, prompt, the question before the page is left, and the offer to block a page that
// shows them in a loop. Printing a page comes here too.
#include "base/GObjectPtr.h"
#include "shell/AppDelegate.h"
#include "shell/ViewRecord.h"
#include "shell/WebViews.h"
#include "ui/ModalAlert.h"

namespace delvaronte {

namespace {

bool askToLeavePage(GtkWindow* parent) {
    ModalAlert alert;
    alert.setParent(parent);
    alert.setMessageText("DELVARONTE");
    alert.setInformativeText(
        "Voulez-vous quitter cette page ? Les modifications non enregistrees pourraient etre "
        "perdues.");
    alert.addButton("Quitter la page");
    alert.addButton("Rester");
    return alert.runModal() == kAlertFirstButton;
}

}  // namespace

gboolean AppDelegate::printCb(WebKitWebView* view, WebKitPrintOperation* operation,
                              AppDelegate* self) {
    self->seams_.print(operation, windowOf(view));
    return TRUE;
}

gboolean AppDelegate::scriptDialogCb(WebKitWebView* view, WebKitScriptDialog* dialog,
                                     AppDelegate* self) {
    // The view, and what is kept about its page, outlive the dialog's own loop.
    const auto held = GRef<WebKitWebView>::retain(view);
    PageDialogGuard& guard = recordOf(view).dialogs;
    const WebKitScriptDialogType type = webkit_script_dialog_get_dialog_type(dialog);
    if (type == WEBKIT_SCRIPT_DIALOG_BEFORE_UNLOAD_CONFIRM) {
        // The home page's time limit waits for the answer: it must not bring the error page
        // over the page while the user thinks, nor after they chose to stay on it.
        const bool homeTimed = view == self->webView_ && self->homeTimer_ != 0;
        if (homeTimed) self->stopHomeTimer();
        // A page whose dialogs were blocked lets the user go without asking.
        const bool leave = guard.blocked() || askToLeavePage(windowOf(view));
        webkit_script_dialog_confirm_set_confirmed(dialog, leave);
        // Staying on a page also keeps the program running, when it was ending.
        if (!leave) self->quitCancelled();
        // Leaving while the program ends: that page is done. (The engine does not always
        // close a page it already asked about twice.)
        if (leave && self->closing(view)) self->pageClosed(view);
        if (leave && homeTimed) self->startHomeTimer();
        return TRUE;
    }
    if (type != WEBKIT_SCRIPT_DIALOG_ALERT && type != WEBKIT_SCRIPT_DIALOG_CONFIRM &&
        type != WEBKIT_SCRIPT_DIALOG_PROMPT) {
        return FALSE;
    }
    // Blocked: an alert returns at once, a confirm answers false, a prompt null.
    if (guard.blocked()) return TRUE;

    ModalAlert alert;
    alert.setParent(windowOf(view));
    alert.setMessageText("DELVARONTE");
    alert.setInformativeText(webkit_script_dialog_get_message(dialog));
    alert.addButton("OK");
    if (type != WEBKIT_SCRIPT_DIALOG_ALERT) alert.addButton("Annuler");
    GtkWidget* answer = nullptr;
    GtkWidget* blockOthers = nullptr;
    const bool offersBlock = guard.starting(g_get_monotonic_time());
    if (type == WEBKIT_SCRIPT_DIALOG_PROMPT || offersBlock) {
        GtkWidget* form = gtk_box_new(GTK_ORIENTATION_VERTICAL, 10);
        if (type == WEBKIT_SCRIPT_DIALOG_PROMPT) {
            answer = gtk_entry_new();
            gtk_editable_set_text(GTK_EDITABLE(answer),
                                  webkit_script_dialog_prompt_get_default_text(dialog));
            gtk_editable_set_width_chars(GTK_EDITABLE(answer), 40);
            gtk_box_append(GTK_BOX(form), answer);
            alert.setInitialFocus(answer);
        }
        if (offersBlock) {
            blockOthers =
                gtk_check_button_new_with_label("Bloquer les autres dialogues de cette page");
            gtk_box_append(GTK_BOX(form), blockOthers);
        }
        alert.setAccessory(form);
    }
    // The page waits here until the alert is answered.
    const bool accepted = alert.runModal() == kAlertFirstButton;
    guard.ended(g_get_monotonic_time());
    if (blockOthers != nullptr && gtk_check_button_get_active(GTK_CHECK_BUTTON(blockOthers))) {
        guard.block();
    }
    if (type == WEBKIT_SCRIPT_DIALOG_CONFIRM) {
        webkit_script_dialog_confirm_set_confirmed(dialog, accepted);
    }
    if (type == WEBKIT_SCRIPT_DIALOG_PROMPT && accepted) {
        webkit_script_dialog_prompt_set_text(dialog, gtk_editable_get_text(GTK_EDITABLE(answer)));
    }
    return TRUE;
}

}  // namespace delvaronte
