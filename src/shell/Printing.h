// Printing a page: the toolkit's print dialog for one web view.
#pragma once

#include <webkit/webkit.h>

#include <functional>

namespace delvaronte {

// Shows the print dialog for the operation, over parent.
void runPrintDialog(WebKitPrintOperation* operation, GtkWindow* parent);

// Tests observe print requests instead of opening the dialog; empty restores it.
void setPrintRunnerForTesting(std::function<void(WebKitPrintOperation*, GtkWindow*)> runner);

}  // namespace delvaronte
