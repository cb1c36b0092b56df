#include "dialogs/ConfigWindow.h"

#include "config/AppConfig.h"
#include "config/EntryRules.h"
#include "dialogs/ConfigForms.h"
#include "ui/ModalAlert.h"
#include "ui/ScreenReaderNames.h"
#include "ui/StandardAlerts.h"

namespace delvaronte {

namespace {

std::string textOf(GtkWidget* field) {
    return gtk_editable_get_text(GTK_EDITABLE(field));
}

// What an address-and-passwords form holds: the address trimmed, the passwords as typed.
struct Entries {
    std::string url;
    std::string password;
    std::string confirmation;
};

Entries readEntries(const Form& form) {
    return {trimEntry(textOf(form.fields[0])), textOf(form.fields[1]), textOf(form.fields[2])};
}

}  // namespace

bool ConfigWindow::showSetup() {
    ModalAlert alert;
    alert.setMessageText("Configuration initiale");
    alert.setInformativeText("Configurez l'URL et le mot de passe administrateur.");
    alert.setStyle(AlertStyle::Informational);
    const Form form = buildForm(kSetupForm);
    alert.setAccessory(form.container);
    alert.addButton("Enregistrer");
    alert.addButton("Quitter");
    // The user types the address right away (GTK 4.8 would give the focus to no field).
    alert.setInitialFocus(form.fields[0]);

    // The same alert comes back after an error, with everything typed still in it.
    for (;;) {
        if (alert.runModal() == kAlertSecondButton) return false;

        const Entries entries = readEntries(form);
        if (const auto failure =
                firstSetupFailure(entries.url, entries.password, entries.confirmation)) {
            runErrorAlert(std::string(*failure));
            continue;
        }

        AppConfig().withEntries(entries.url, entries.password).save();
        return true;
    }
}

void ConfigWindow::showConfig(UrlLoader& owner) {
    const AppConfig record = AppConfig::load();

    {
        ModalAlert gate;
        gate.setMessageText("Acces Configuration");
        gate.setInformativeText("Entrez le mot de passe administrateur.");
        gate.setStyle(AlertStyle::Informational);
        GtkWidget* passwordField = makeFormField(true, kGateFieldWidth, nullptr);
        nameForScreenReader(passwordField, "Mot de passe administrateur");
        gate.setAccessory(passwordField);
        gate.addButton("Valider");
        gate.addButton("Annuler");
        gate.setInitialFocus(passwordField);
        if (gate.runModal() == kAlertSecondButton) return;
        if (!record.verifyPassword(textOf(passwordField))) {
            runErrorAlert("Mot de passe incorrect.");
            return;
        }
    }

    const std::string oldUrl = record.homeUrl();

    ModalAlert editor;
    editor.setMessageText("Configuration");
    editor.setInformativeText("Modifiez l'URL ou le mot de passe.");
    editor.setStyle(AlertStyle::Informational);
    const Form form = buildForm(kEditorForm);
    gtk_editable_set_text(GTK_EDITABLE(form.fields[0]), oldUrl.c_str());
    editor.setAccessory(form.container);
    editor.addButton("Enregistrer");
    editor.addButton("Annuler");
    editor.setInitialFocus(form.fields[0]);
    if (editor.runModal() == kAlertSecondButton) return;

    const Entries entries = readEntries(form);
    if (const auto failure =
            firstEditFailure(entries.url, entries.password, entries.confirmation)) {
        runErrorAlert(std::string(*failure));
        return;
    }

    // An empty new password keeps the stored one.
    record.withEntries(entries.url, entries.password).save();

    runNoticeAlert("Configuration enregistree avec succes.");
    if (!textsEqual(entries.url, oldUrl)) owner.homeChanged(entries.url);
}

}  // namespace delvaronte
