// What the user typed in a page, read and filled in again by scripts of the program's own:
// for a form whose send failed, and for a page whose web process ended.
#pragma once

#include <cstddef>
#include <string>

#include "shell/rules/SavedSignIn.h"

namespace delvaronte {

// More than an entry form holds: not kept.
inline constexpr std::size_t kMaxTypedBytes = 1 << 20;

// Run in a script world of the program's own, which the page's scripts cannot change.
inline constexpr char kFormWorld[] = "delvaronte-forms";

// What could be typed, wherever it is in the page: inputs, text areas, lists and the regions
// the page lets the user edit, in a form or not; never a password, a file or a hidden field
// (the page sends fresh ones of these), nor a field whose autocomplete names a password, a
// one-time code or a card's details. A field is named by its id when the page gives it one
// of its own, else by its tag, name and type and its number among the fields so named; it is
// filled back only into a field of that same name, never into one that took its place.
// fieldsNow() gives each such field of the page with its name, in the order of the page.
inline constexpr char kReadFieldsFunction[] = R"(
const skipped = ['hidden', 'password', 'file', 'submit', 'button', 'reset', 'image'];
const secret = /(^|\s)(current-password|new-password|one-time-code|cc-[a-z-]+)(\s|$)/i;
const isField = (el) => ['INPUT', 'TEXTAREA', 'SELECT'].includes(el.tagName);
const typeOf = (el) => isField(el) ? String(el.type || '').toLowerCase() : 'contenteditable';
const mayKeep = (el) => (isField(el) ? !skipped.includes(typeOf(el))
    : el.isContentEditable && !el.parentElement?.isContentEditable) &&
    !secret.test(el.getAttribute('autocomplete') || '');
const valueOf = (el) => !isField(el) ? el.innerText
    : typeOf(el) === 'checkbox' || typeOf(el) === 'radio' ? el.checked
    : el.tagName === 'SELECT' ? Array.from(el.options).map(o => o.selected) : el.value;
const nameOf = (el) => [el.id && document.getElementById(el.id) === el ? el.id : '',
    el.tagName, el.getAttribute('name') || '', typeOf(el)];
const fieldsNow = () => {
  const count = new Map(), found = new Map();
  for (const el of document.querySelectorAll('input, textarea, select, [contenteditable]')) {
    if (!mayKeep(el)) continue;
    const name = nameOf(el), key = JSON.stringify(name), n = count.get(key) || 0;
    count.set(key, n + 1);
    found.set(el, [...name, n]);
  }
  return found;
};
const readFields = () => Array.from(fieldsNow(), ([el, name]) => [...name, valueOf(el)]);
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
// this world as each page commits). Only the fields the user changed are sent: the page's
// fields are walked once for a burst of keys, never once a key.
inline constexpr char kTypedFieldsHandler[] = "delvarontetyped";
inline const std::string& watchTypingScript() {
    static const std::string script = "(() => {" + std::string(kReadFieldsFunction) + R"(
  const changed = new Set();
  let timer = 0;
  const send = () => {
    timer = 0;
    const now = fieldsNow(), kept = [];
    for (const el of changed) if (!now.has(el)) changed.delete(el);
    for (const [el, name] of now) if (changed.has(el)) kept.push([...name, valueOf(el)]);
    window.webkit.messageHandlers.delvarontetyped.postMessage(
        {view: String(window.delvaronteView), page: location.href, fields: JSON.stringify(kept)});
  };
  const typed = (event) => {
    const el = event.target;
    if (!(el instanceof Element) || !mayKeep(el)) return;
    changed.add(el);
    if (!timer) timer = setTimeout(send, 150);
  };
  addEventListener('input', typed, true);
  addEventListener('change', typed, true);
})();)";
    return script;
}

// As a function's body over fields and origin: fills the same fields again, where the page
// has them, as the user's typing would; nothing when the page is no longer of that origin. A
// page that draws its fields by script after its load gets each as it comes, for ten seconds.
inline const std::string& fillFieldsScript() {
    static const std::string script = std::string(kPageOriginFunction) + kReadFieldsFunction + R"(
if (pageOrigin() !== origin) return false;
const waiting = new Map(JSON.parse(fields).map(f => [JSON.stringify(f.slice(0, 5)), f[5]]));
const fill = () => {
  for (const [el, name] of fieldsNow()) {
    const key = JSON.stringify(name);
    if (!waiting.has(key)) continue;
    const value = waiting.get(key);
    waiting.delete(key);
    if (typeOf(el) === 'contenteditable') el.innerText = value;
    else if (typeof value === 'boolean') el.checked = value;
    else if (Array.isArray(value)) Array.from(el.options).forEach((o, i) => o.selected = !!value[i]);
    else el.value = value;
    el.dispatchEvent(new Event('input', {bubbles: true}));
    el.dispatchEvent(new Event('change', {bubbles: true}));
  }
  return waiting.size === 0;
};
if (!fill()) {
  const drawn = new MutationObserver(() => fill() && drawn.disconnect());
  drawn.observe(document, {childList: true, subtree: true});
  setTimeout(() => drawn.disconnect(), 10000);
}
return true;)";
    return script;
}

}  // namespace delvaronte
