// The questions a page puts to the user, as our own alerts in French over the page's window.
#pragma once

#include <webkit/webkit.h>

#include "shell/rules/PageDialogGuard.h"

namespace delvaronte {

class ModalAlert;

// The page's question before it is left: true to leave ("Quitter la page"), false to stay.
bool askToLeavePage(GtkWindow* parent);

// The page's alert, confirm or prompt, answered into dialog; from the third of a run it offers
// to block the page's further dialogs, which the guard then answers at once. False for any
// other kind of dialog, which is not ours to show.
bool runScriptDialog(WebKitScriptDialog* dialog, PageDialogGuard& guard, GtkWindow* parent);

// "La page ne repond pas": true to stop the page, false to wait. While it is open, shown
// points at the alert, so that a page that recovers can take the question away.
bool askToStopPage(GtkWindow* parent, ModalAlert*& shown);

// A server's sign-in (Basic, Digest, NTLM, Negotiate): the credential typed, or nothing when
// the user cancelled. "Memoriser" (to the keyring) only when mayRemember. The caller frees it.
WebKitCredential* askSignIn(WebKitAuthenticationRequest* request, GtkWindow* parent,
                            bool mayRemember);

// The toolkit's chooser for an <input type=file>, over parent; it answers the request.
void chooseFiles(WebKitFileChooserRequest* request, GtkWindow* parent);

}  // namespace delvaronte
