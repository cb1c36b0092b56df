#include "shell/rules/TypedFields.h"

#include "shell/rules/FormFields.h"

namespace delvaronte {

void TypedFields::typed(std::string page, std::string fields) {
    if (waiting_) return;  // the page that comes back is filled from what was kept
    if (fields.size() > kMaxTypedBytes || fields == "[]") {
        *this = TypedFields();
        return;
    }
    page_ = std::move(page);
    fields_ = std::move(fields);
}

void TypedFields::committed(std::string_view at) {
    if (!waiting_ || at != page_) *this = TypedFields();
}

std::optional<std::string> TypedFields::loaded(std::string_view at) {
    if (!waiting_ || at != page_) return std::nullopt;
    std::optional<std::string> fields = std::move(fields_);
    *this = TypedFields();
    return fields;
}

}  // namespace delvaronte
