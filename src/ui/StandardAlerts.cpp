#include "ui/StandardAlerts.h"

#include "ui/ModalAlert.h"

namespace delvaronte {

void runTextAlert(const std::string& title, const std::string& text, AlertStyle style) {
    ModalAlert alert;
    alert.setMessageText(title);
    alert.setInformativeText(text);
    alert.setStyle(style);
    alert.runModal();
}

void runErrorAlert(const std::string& message) {
    runTextAlert("Erreur", message, AlertStyle::Warning);
}

void runNoticeAlert(const std::string& text) {
    runTextAlert("DELVARONTE", text, AlertStyle::Informational);
}

}  // namespace delvaronte
