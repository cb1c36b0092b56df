// The zoom of each host and the print settings, as the user left them at the last change
// (kept in the user's file); the office's zoom for a host with none kept.
#pragma once

#include <webkit/webkit.h>

#include <string>

#include "shell/KeptSettings.h"
#include "shell/OfficeSettings.h"
#include "shell/ShellSeams.h"

namespace delvaronte {

class ZoomAndPrint {
public:
    ZoomAndPrint(KeptSettings& kept, const OfficeSettings& office, const ShellSeams& seams)
        : kept_(kept), office_(office), seams_(seams) {}

    // The zoom kept for the host of the page at uri; the office's, or 1, when none was.
    double zoomFor(const std::string& uri) const;
    void keepZoom(const std::string& uri, double level);
    // Prints through the print dialog, which comes with the settings of the last print.
    void print(WebKitPrintOperation* operation, GtkWindow* parent);

private:
    KeptSettings& kept_;
    const OfficeSettings& office_;
    const ShellSeams& seams_;
};

}  // namespace delvaronte
