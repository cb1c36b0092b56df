#include "shell/rules/SentForm.h"

namespace delvaronte {

void SentForm::kept(std::string page, std::string fields) {
    const bool sending = sending_;
    *this = SentForm();
    sending_ = sending;
    if (fields.size() > kMaxTypedBytes) return;
    page_ = std::move(page);
    fields_ = std::move(fields);
}

std::optional<std::string> SentForm::bringBack() {
    if (!failed_ || page_.empty()) return std::nullopt;
    refill_ = true;
    return page_;
}

void SentForm::committed() {
    if (refill_) {
        failed_ = false;
    } else {
        page_.clear();
        fields_.clear();
        failed_ = false;
    }
}

std::optional<std::string> SentForm::loaded(std::string_view at) {
    if (!refill_ || failed_) return std::nullopt;
    std::optional<std::string> fill;
    if (at == page_) fill = fields_;
    page_.clear();
    fields_.clear();
    refill_ = false;
    return fill;
}

}  // namespace delvaronte
