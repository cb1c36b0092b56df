// What the user typed in a page's forms, read and filled in again by scripts of the program's
// own: for a form whose send failed, and for a page whose web process ended.
#pragma once

#include <cstddef>
#include <string>

#include "shell/rules/SavedSignIn.h"

namespace delvaronte {

// More than an entry form holds: not kept.
inline constexpr std::size_t kMaxTypedBytes = 1 << 20;

// Run in a script world of the program's own, which the page's scripts cannot change.
inline constexpr char kFormWorld[] = "delvaronte-forms";

// What could be typed, by form and place in it; never a password, a file or a hidden field
// (the page sends fresh ones of these), nor a field whose autocomplete names a password, a
// one-time code or a card's details. readFields() gives each such field of the page.
inline constexpr char kReadFieldsFunction[] = R"(
const skipped = ['hidden', 'password', 'file', 'submit', 'button', 'reset', 'image'];
const secret = /(^|\s)(current-password|new-password|one-time-code|cc-[a-z-]+)(\s|$)/i;
const typeOf = (el) => String(el.type || '').toLowerCase();
const mayKeep = (el) => 'value' in el && el.tagName !== 'BUTTON' && el.tagName !== 'OUTPUT' &&
    !skipped.includes(typeOf(el)) && !secret.test(el.getAttribute('autocomplete') || '');
const valueOf = (el) => typeOf(el) === 'checkbox' || typeOf(el) === 'radio' ? el.checked
    : el.tagName === 'SELECT' ? Array.from(el.options).map(o => o.selected) : el.value;
const fieldAt = (f, e, el) => [f, e, el.name, typeOf(el), valueOf(el)];
const readFields = () => {
  const kept = [];
  Array.from(document.forms).forEach((form, f) => Array.from(form.elements).forEach((el, e) => {
    if (mayKeep(el)) kept.push(fieldAt(f, e, el));
  }));
  return kept;
};
)";

// As a function's body over typing and signIn (whether to read each): what a form's page
// holds as the form goes, as an object of two JSON texts, fields and signIn (empty when not
// read).
inline const std::string& sendingFormScript() {
    static const std::string script =
        std::string(kReadFieldsFunction) + kSignInFieldsFunction + kReadSignInFunction + R"(
return {fields: typing ? JSON.stringify(readFields()) : '', signIn: signIn ? readSignIn() : ''};)";
    return script;
}

// Given to each page's top frame: what is typed goes to the program as it is typed, a short
// moment after the last key, with the id of the view it was typed in (set by the program in
// this world as each page commits). Only the fields the user changed are read, then: a key
// costs the page the same on a form of two thousand fields as on one of two.
inline constexpr char kTypedFieldsHandler[] = "delvarontetyped";
inline const std::string& watchTypingScript() {
    static const std::string script = "(() => {" + std::string(kReadFieldsFunction) + R"(
  const changed = new Set();
  let timer = 0;
  const send = () => {
    timer = 0;
    const forms = Array.from(document.forms), kept = [];
    for (const el of changed) {
      const f = el.isConnected ? forms.indexOf(el.form) : -1;
      if (f < 0) changed.delete(el);
      else kept.push(fieldAt(f, Array.prototype.indexOf.call(el.form.elements, el), el));
    }
    kept.sort((a, b) => a[0] - b[0] || a[1] - b[1]);
    window.webkit.messageHandlers.delvarontetyped.postMessage(
        {view: String(window.delvaronteView), page: location.href, fields: JSON.stringify(kept)});
  };
  const typed = (event) => {
    const el = event.target;
    if (!el.form || !mayKeep(el)) return;
    changed.add(el);
    if (!timer) timer = setTimeout(send, 150);
  };
  addEventListener('input', typed, true);
  addEventListener('change', typed, true);
})();)";
    return script;
}

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
