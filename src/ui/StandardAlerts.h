// The two alerts that carry only a text: errors and notices.
#pragma once

#include <string>

#include "ui/ModalAlert.h"

namespace delvaronte {

// A title, a text, a style icon and one "OK". Returns when dismissed.
void runTextAlert(const std::string& title, const std::string& text, AlertStyle style);

// "Erreur", the message, warning style, one "OK". Returns when dismissed.
void runErrorAlert(const std::string& message);

// "DELVARONTE", the text, informational style, one "OK". Returns when dismissed.
void runNoticeAlert(const std::string& text);

}  // namespace delvaronte
