#include "shell/Printing.h"

namespace delvaronte {

namespace {

std::function<void(WebKitPrintOperation*, GtkWindow*)>& testRunner() {
    static std::function<void(WebKitPrintOperation*, GtkWindow*)> runner;
    return runner;
}

}  // namespace

void runPrintDialog(WebKitPrintOperation* operation, GtkWindow* parent) {
    if (testRunner()) {
        testRunner()(operation, parent);
        return;
    }
    webkit_print_operation_run_dialog(operation, parent);
}

void setPrintRunnerForTesting(std::function<void(WebKitPrintOperation*, GtkWindow*)> runner) {
    testRunner() = std::move(runner);
}

}  // namespace delvaronte
