// What the program hands to the rest of the desktop, and the limits it keeps: one struct
// given to AppDelegate, the real ones by default, so that tests can record the hand-offs and
// shorten the waits without a global.
#pragma once

#include <webkit/webkit.h>

#include <functional>
#include <string>

#include "shell/WebViews.h"
#include "shell/rules/PageLimits.h"
#include "shell/rules/RetrySchedule.h"
#include "ui/SystemOpener.h"
#include "update/UpdateChecker.h"

namespace delvaronte {

struct ShellSeams {
    // Opens an address that may leave the program, or the file: address of a downloaded file,
    // with the user's default application.
    std::function<void(const std::string& uri)> open = launchDefaultHandler;
    // Shows the print dialog of an operation over a window; whether the page was printed.
    std::function<WebKitPrintOperationResponse(WebKitPrintOperation*, GtkWindow*)> print =
        webkit_print_operation_run_dialog;
    // The update check's manifest address and timeout; its "Telecharger" opens through open.
    UpdateCheckSettings updates;
    // A home page that has not started to arrive by then counts as failed.
    guint homeLoadTimeoutSeconds = kHomeLoadTimeoutSeconds;
    // Ends the program, once every page has agreed to close.
    std::function<void(GApplication*)> endProgram = g_application_quit;
    // How long the error page waits before its retry number attempt (0 the first).
    std::function<int64_t(int attempt)> retryDelayMs = delvaronte::retryDelayMs;
    // How far a page's web process may grow; read once, when the first view is made.
    MemoryCeiling memoryCeiling = memoryCeilingFor(physicalMemoryMiB());
};

}  // namespace delvaronte
