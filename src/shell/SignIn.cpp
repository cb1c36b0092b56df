// A web server's sign-in prompt (Basic, Digest, NTLM, Negotiate) as our own dialog, in French,
// over the window of the page that asked, above the splash; and the client certificate the
// administrator set for the home host.
#include "base/GObjectPtr.h"
#include "base/UriParts.h"
#include "shell/AppDelegate.h"
#include "shell/WebViews.h"
#include "ui/ModalAlert.h"

namespace delvaronte {

namespace {

struct SignInForm {
    GtkWidget* grid;
    GtkWidget* user;
    GtkWidget* password;
    GtkWidget* remember;
};

SignInForm buildSignInForm(WebKitAuthenticationRequest* request) {
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
        gtk_widget_set_hexpand(fields[row], TRUE);
        gtk_editable_set_width_chars(GTK_EDITABLE(fields[row]), 28);
        gtk_grid_attach(GTK_GRID(form.grid), fields[row], 1, row, 1, 1);
    }
    gtk_grid_attach(GTK_GRID(form.grid), form.remember, 1, 2, 1, 1);
    gtk_widget_set_visible(form.remember,
                           webkit_authentication_request_can_save_credentials(request));
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
            (host != nullptr ? host : "") + " demande un identifiant et un mot de passe.";
    const char* realm = webkit_authentication_request_get_realm(request);
    if (realm != nullptr && *realm != '\0') text += "\nDomaine : " + std::string(realm);
    return text;
}

}  // namespace

gboolean AppDelegate::authenticateCb(WebKitWebView* view, WebKitAuthenticationRequest* request,
                                     AppDelegate* self) {
    // The request, and the view, outlive the dialog's own loop.
    const auto held = GRef<WebKitAuthenticationRequest>::retain(request);
    const auto heldView = GRef<WebKitWebView>::retain(view);
    switch (webkit_authentication_request_get_scheme(request)) {
        case WEBKIT_AUTHENTICATION_SCHEME_CLIENT_CERTIFICATE_REQUESTED:
            self->answerWithClientCertificate(request);
            return TRUE;
        case WEBKIT_AUTHENTICATION_SCHEME_CLIENT_CERTIFICATE_PIN_REQUESTED:
        case WEBKIT_AUTHENTICATION_SCHEME_SERVER_TRUST_EVALUATION_REQUESTED:
            webkit_authentication_request_cancel(request);
            return TRUE;
        default:
            break;
    }

    ModalAlert alert;
    alert.setParent(windowOf(view));
    alert.setMessageText("Identification requise");
    alert.setInformativeText(signInText(request));
    alert.setStyle(AlertStyle::Informational);
    const SignInForm form = buildSignInForm(request);
    alert.setAccessory(form.grid);
    alert.addButton("Se connecter");
    alert.addButton("Annuler");
    alert.setInitialFocus(gtk_editable_get_text(GTK_EDITABLE(form.user))[0] != '\0' ? form.password
                                                                                    : form.user);
    // The home page's time limit waits for the user, as for the leave-page question.
    const bool homeTimed = view == self->webView_ && self->homeTimer_ != 0;
    if (homeTimed) self->stopHomeTimer();
    const bool signIn = alert.runModal() == kAlertFirstButton;
    if (homeTimed) self->startHomeTimer();
    if (!signIn) {
        // Going on without a credential shows the server's own answer (its 401 page);
        // cancelling would leave the page before it in place, as if nothing was asked.
        webkit_authentication_request_authenticate(request, nullptr);
        return TRUE;
    }
    const bool remember = gtk_check_button_get_active(GTK_CHECK_BUTTON(form.remember));
    WebKitCredential* credential =
        webkit_credential_new(gtk_editable_get_text(GTK_EDITABLE(form.user)),
                              gtk_editable_get_text(GTK_EDITABLE(form.password)),
                              remember ? WEBKIT_CREDENTIAL_PERSISTENCE_PERMANENT
                                       : WEBKIT_CREDENTIAL_PERSISTENCE_FOR_SESSION);
    webkit_authentication_request_authenticate(request, credential);
    webkit_credential_free(credential);
    return TRUE;
}

// Only the home host gets the certificate the administrator set; any other server goes on
// without one, as it would without us.
void AppDelegate::answerWithClientCertificate(WebKitAuthenticationRequest* request) {
    const char* host = webkit_authentication_request_get_host(request);
    GTlsCertificate* certificate = clientCertificate_.get();
    if (certificate == nullptr || host == nullptr ||
        uriHost("https://" + std::string(host) + "/") != uriHost(appUrl_)) {
        webkit_authentication_request_authenticate(request, nullptr);
        return;
    }
    WebKitCredential* credential = webkit_credential_new_for_certificate(
        certificate, WEBKIT_CREDENTIAL_PERSISTENCE_FOR_SESSION);
    webkit_authentication_request_authenticate(request, credential);
    webkit_credential_free(credential);
}

}  // namespace delvaronte
