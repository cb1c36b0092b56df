// The two alerts that carry only a text: errors and notices.
#pragma once

#include <string>

namespace delvaronte {

// "Erreur", the message, warning style, one "OK". Returns when dismissed.
void runErrorAlert(const std::string& message);

// "DELVARONTE", the text, informational style, one "OK". Returns when dismissed.
void runNoticeAlert(const std::string& text);

}  // namespace delvaronte
