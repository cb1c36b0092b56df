// The page's alert, confirm, prompt and leave question as our own alerts, the offer to block a
// page that shows them in a loop, and our question about a page stuck in a script.
#include "shell/PageDialogs.h"

#include "ui/ModalAlert.h"
#include "ui/ScreenReaderNames.h"

namespace delvaronte {

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

bool runScriptDialog(WebKitScriptDialog* dialog, PageDialogGuard& guard, GtkWindow* parent) {
    const WebKitScriptDialogType type = webkit_script_dialog_get_dialog_type(dialog);
    if (type != WEBKIT_SCRIPT_DIALOG_ALERT && type != WEBKIT_SCRIPT_DIALOG_CONFIRM &&
        type != WEBKIT_SCRIPT_DIALOG_PROMPT) {
        return false;
    }
    // Blocked: an alert returns at once, a confirm answers false, a prompt null.
    if (guard.blocked()) return true;

    ModalAlert alert;
    alert.setParent(parent);
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
            nameForScreenReader(answer, "Reponse");
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
    return true;
}

bool askToStopPage(GtkWindow* parent, ModalAlert*& shown) {
    ModalAlert alert;
    alert.setParent(parent);
    alert.setMessageText("La page ne repond pas");
    alert.setInformativeText(
        "Cette page est occupee et ne repond plus.\nVous pouvez attendre qu'elle reprenne, ou "
        "l'arreter : ce qui n'a pas ete enregistre sur la page serait perdu.");
    alert.addButton("Arreter la page");
    alert.addButton("Attendre");  // last: Escape, the close button and a recovery answer it
    shown = &alert;
    const bool stop = alert.runModal() == kAlertFirstButton;
    shown = nullptr;
    return stop;
}

}  // namespace delvaronte
