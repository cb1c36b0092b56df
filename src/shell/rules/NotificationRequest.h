// The engine refuses Notification.requestPermission() made without a click, even from an
// origin whose notifications the program granted from the start: an application that asks as
// it starts would read "denied" where it may notify. Where the permission is already granted,
// the request answers "granted" as the standard has it, without asking; anywhere else it goes
// to the engine as before. Run in every frame, in the page's own world, before its scripts.
#pragma once

namespace delvaronte {

inline constexpr char kNotificationRequestScript[] = R"((() => {
  if (!window.Notification || !Notification.requestPermission) return;
  const ask = Notification.requestPermission.bind(Notification);
  Notification.requestPermission = function (callback) {
    if (Notification.permission !== 'granted') return ask(callback);
    if (typeof callback === 'function') queueMicrotask(() => callback('granted'));
    return Promise.resolve('granted');
  };
})();)";

}  // namespace delvaronte
