// A form sent from a page, from the moment it goes until the page after it: what was typed is
// kept as it goes; when the send fails, the form's page comes back (never a GET of the form's
// address, which the server would take for something else) and is filled in again.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace delvaronte {

class SentForm {
public:
    // A navigation of the page was decided: whether it sends a form.
    void navigating(bool sendsForm) { sending_ = sendsForm; }
    bool sending() const { return sending_; }
    // What was typed in the page at page as its form went (fields as the reading script gives
    // them); nothing is kept of more than an entry form holds.
    void kept(std::string page, std::string fields);
    // The load failed (not by itself retried): the form failed with it, if one went.
    void loadFailed() { failed_ = sending_ && !page_.empty(); }
    bool failed() const { return failed_; }
    // "Reessayer", "Actualiser" or "Retour" on the failed form's error page: the form's page,
    // to load in place of what was asked. Nothing when no form failed.
    std::optional<std::string> bringBack();
    // A page of its own has committed: the form stays only when it is on its way back.
    void committed();
    // A page has finished loading at `at`: the fields to fill in again when it is the form's
    // page that came back. Either way the form is done with.
    std::optional<std::string> loaded(std::string_view at);

private:
    std::string page_, fields_;
    bool sending_ = false;
    bool failed_ = false;
    bool refill_ = false;
};

// More than an entry form holds: not kept.
inline constexpr std::size_t kMaxTypedBytes = 1 << 20;

// Run in a script world of the program's own, which the page's scripts cannot change.
inline constexpr char kFormWorld[] = "delvaronte-forms";
// What could be typed, by form and place in it; never a password, a file or a hidden field
// (the page sends fresh ones of these), nor a field whose autocomplete names a password, a
// one-time code or a card's details.
inline constexpr char kReadFieldsScript[] = R"(
const skipped = ['hidden', 'password', 'file', 'submit', 'button', 'reset', 'image'];
const secret = /(^|\s)(current-password|new-password|one-time-code|cc-[a-z-]+)(\s|$)/i;
const kept = [];
Array.from(document.forms).forEach((form, f) => Array.from(form.elements).forEach((el, e) => {
    const type = String(el.type || '').toLowerCase();
    if (!('value' in el) || el.tagName === 'BUTTON' || el.tagName === 'OUTPUT' ||
        skipped.includes(type) || secret.test(el.getAttribute('autocomplete') || '')) return;
    const value = type === 'checkbox' || type === 'radio' ? el.checked
        : el.tagName === 'SELECT' ? Array.from(el.options).map(o => o.selected) : el.value;
    kept.push([f, e, el.name, type, value]);
}));
return JSON.stringify(kept);)";
// Fills the same fields again, where the page still has them, as the user's typing would.
inline constexpr char kFillFieldsScript[] = R"(
for (const [f, e, name, type, value] of JSON.parse(fields)) {
    const el = document.forms[f]?.elements[e];
    if (!el || el.name !== name || String(el.type || '').toLowerCase() !== type) continue;
    if (typeof value === 'boolean') el.checked = value;
    else if (Array.isArray(value)) Array.from(el.options).forEach((o, i) => o.selected = !!value[i]);
    else el.value = value;
    el.dispatchEvent(new Event('input', {bubbles: true}));
    el.dispatchEvent(new Event('change', {bubbles: true}));
}
return true;)";

}  // namespace delvaronte
