// A web server's sign-in prompt as our own dialog, in French, over the page's window and
// above the splash.
#include "base/GObjectPtr.h"
#include "base/PrintableText.h"
#include "shell/PageDialogs.h"
#include "ui/ModalAlert.h"
#include "ui/ScreenReaderNames.h"

namespace delvaronte {

namespace {

constexpr size_t kShownRealmCharacters = 100;

// The desktop's keyring: "Memoriser" goes there through the engine, so it is offered only
// when a keyring service owns its name on the session bus, or can be started for it. Asked
// each time the dialog opens: a keyring may come or go while the program runs.
bool keyringAnswers() {
    const GRef<GDBusConnection> bus =
        GRef<GDBusConnection>::adopt(g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr));
    if (!bus) return false;
    const auto ask = [&](const char* method, GVariant* arguments) {
        return GOwned<GVariant, g_variant_unref>(g_dbus_connection_call_sync(
            bus.get(), "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
            method, arguments, nullptr, G_DBUS_CALL_FLAGS_NONE, 1000, nullptr, nullptr));
    };
    constexpr char kKeyring[] = "org.freedesktop.secrets";
    if (const auto owned = ask("NameHasOwner", g_variant_new("(s)", kKeyring))) {
        gboolean has = FALSE;
        g_variant_get(owned.get(), "(b)", &has);
        if (has) return true;
    }
    const auto startable = ask("ListActivatableNames", nullptr);
    if (!startable) return false;
    GOwned<GVariant, g_variant_unref> names(g_variant_get_child_value(startable.get(), 0));
    gsize count = 0;
    const gchar** each = g_variant_get_strv(names.get(), &count);
    bool found = false;
    for (gsize i = 0; i < count && !found; ++i) found = g_strcmp0(each[i], kKeyring) == 0;
    g_free(each);
    return found;
}

struct SignInForm {
    GtkWidget* grid;
    GtkWidget* user;
    GtkWidget* password;
    GtkWidget* remember;
};

SignInForm buildSignInForm(WebKitAuthenticationRequest* request, bool mayRemember) {
    SignInForm form{gtk_grid_new(), gtk_entry_new(), gtk_password_entry_new(),
                    gtk_check_button_new_with_label("Memoriser")};
    gtk_grid_set_row_spacing(GTK_GRID(form.grid), 8);
    gtk_grid_set_column_spacing(GTK_GRID(form.grid), 12);
    const char* labels[] = {"Identifiant", "Mot de passe"};
    GtkWidget* fields[] = {form.user, form.password};
    for (int row = 0; row < 2; ++row) {
        GtkWidget* label = gtk_label_new(labels[row]);
        gtk_label_set_xalign(GTK_LABEL(label), 0);
        gtk_grid_attach(GTK_GRID(form.grid), label, 0, row, 1, 1);
        nameByLabel(fields[row], label);
        gtk_widget_set_hexpand(fields[row], TRUE);
        gtk_editable_set_width_chars(GTK_EDITABLE(fields[row]), 28);
        gtk_grid_attach(GTK_GRID(form.grid), fields[row], 1, row, 1, 1);
    }
    gtk_grid_attach(GTK_GRID(form.grid), form.remember, 1, 2, 1, 1);
    gtk_widget_set_visible(
        form.remember, mayRemember && webkit_authentication_request_can_save_credentials(request) &&
                           keyringAnswers());
    if (WebKitCredential* proposed =
            webkit_authentication_request_get_proposed_credential(request)) {
        if (const char* user = webkit_credential_get_username(proposed)) {
            gtk_editable_set_text(GTK_EDITABLE(form.user), user);
        }
        webkit_credential_free(proposed);
    }
    return form;
}

std::string signInText(WebKitAuthenticationRequest* request) {
    std::string text;
    if (webkit_authentication_request_is_retry(request)) {
        text = "L'identifiant ou le mot de passe a ete refuse. Reessayez.\n\n";
    }
    const char* host = webkit_authentication_request_get_host(request);
    text += std::string(webkit_authentication_request_is_for_proxy(request) ? "Le proxy "
                                                                            : "Le serveur ") +
            printable(host != nullptr ? host : "", kShownRealmCharacters) +
            " demande un identifiant et un mot de passe.";
    const char* realm = webkit_authentication_request_get_realm(request);
    // The server's own words: shown as they are, never as lines or directions of their own.
    if (realm != nullptr && *realm != '\0') {
        text += "\nDomaine : " + printable(realm, kShownRealmCharacters);
    }
    return text;
}

}  // namespace

WebKitCredential* askSignIn(WebKitAuthenticationRequest* request, GtkWindow* parent,
                            bool mayRemember) {
    ModalAlert alert;
    alert.setParent(parent);
    alert.setMessageText("Identification requise");
    alert.setInformativeText(signInText(request));
    alert.setStyle(AlertStyle::Informational);
    const SignInForm form = buildSignInForm(request, mayRemember);
    alert.setAccessory(form.grid);
    alert.addButton("Se connecter");
    alert.addButton("Annuler");
    alert.setInitialFocus(gtk_editable_get_text(GTK_EDITABLE(form.user))[0] != '\0' ? form.password
                                                                                    : form.user);
    if (alert.runModal() != kAlertFirstButton) return nullptr;
    const bool remember = gtk_widget_get_visible(form.remember) &&
                          gtk_check_button_get_active(GTK_CHECK_BUTTON(form.remember));
    return webkit_credential_new(gtk_editable_get_text(GTK_EDITABLE(form.user)),
                                 gtk_editable_get_text(GTK_EDITABLE(form.password)),
                                 remember ? WEBKIT_CREDENTIAL_PERSISTENCE_PERMANENT
                                          : WEBKIT_CREDENTIAL_PERSISTENCE_FOR_SESSION);
}

}  // namespace delvaronte
