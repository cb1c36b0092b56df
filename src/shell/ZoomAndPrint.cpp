#include "shell/ZoomAndPrint.h"

#include "base/UriParts.h"
#include "shell/rules/Zoom.h"

namespace delvaronte {

double ZoomAndPrint::zoomFor(const std::string& uri) const {
    if (const std::optional<double> kept = kept_.zoom(uriHost(uri))) return *kept;
    const double standing = office_.number("default-zoom").value_or(kZoomActualSize);
    return keptZoom(standing).value_or(kZoomActualSize);
}

void ZoomAndPrint::keepZoom(const std::string& uri, double level) {
    kept_.keepZoom(uriHost(uri), level);
}

void ZoomAndPrint::print(WebKitPrintOperation* operation, GtkWindow* parent) {
    if (const auto settings = kept_.printSettings()) {
        webkit_print_operation_set_print_settings(operation, settings.get());
    }
    if (const auto setup = kept_.pageSetup()) {
        webkit_print_operation_set_page_setup(operation, setup.get());
    }
    if (seams_.print(operation, parent) == WEBKIT_PRINT_OPERATION_RESPONSE_PRINT) {
        kept_.keepPrinting(webkit_print_operation_get_print_settings(operation),
                           webkit_print_operation_get_page_setup(operation));
    }
}

}  // namespace delvaronte
