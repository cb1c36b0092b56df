// A page that moves the keyboard focus from its load handler (an entry form focusing its
// first amount field) does so when its images are in, which may be well after the form is
// on the screen. A user who has clicked or typed into a field by then keeps it: a focus()
// made while the load event is dispatched does not take the keyboard from a field the user
// chose, and neither does a select() or setSelectionRange() of another field, which would take
// the keyboard or the selection the same way. Any other call (before, after, or when the user
// has not chosen a field) goes through as the page asked. Run in every frame, in the page's own
// world, before its scripts.
#pragma once

namespace delvaronte {

inline constexpr char kTypingFocusScript[] = R"((() => {
  const editable = (e) => !!e && (e.isContentEditable || /^(INPUT|TEXTAREA|SELECT)$/.test(e.tagName));
  let chosen = null;
  let loading = false;
  const choose = (event) => {
    if (event.isTrusted && editable(event.target)) chosen = event.target;
  };
  addEventListener('pointerdown', choose, true);
  addEventListener('keydown', choose, true);
  addEventListener('load', (event) => {
    if (event.target !== document) return;
    loading = true;
    setTimeout(() => { loading = false; });
  }, true);
  const guard = (kind, name) => {
    const original = kind.prototype[name];
    kind.prototype[name] = function (...options) {
      if (loading && chosen && chosen !== this && document.activeElement === chosen) return;
      return original.apply(this, options);
    };
  };
  for (const kind of [HTMLElement, SVGElement]) guard(kind, 'focus');
  for (const kind of [HTMLInputElement, HTMLTextAreaElement]) {
    guard(kind, 'select');
    guard(kind, 'setSelectionRange');
  }
})();)";

}  // namespace delvaronte
