#include "ui/StandardAlerts.h"

#include "ui/ModalAlert.h"

namespace delvaronte {

namespace {

void runTextAlert(const char* title, const std::string& text, AlertStyle style) {
    ModalAlert alert;
    alert.setMessageText(title);
    alert.setInformativeText(text);
    alert.setStyle(style);
    alert.runModal();
}

}  // namespace

void runErrorAlert(const std::string& message) {
    runTextAlert("Erreur", message, AlertStyle::Warning);
}

void runNoticeAlert(const std::string& text) {
    runTextAlert("DELVARONTE", text, AlertStyle::Informational);
}

}  // namespace delvaronte
