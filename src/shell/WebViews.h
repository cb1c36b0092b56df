// How every web view of the program is made: one persistent network session, one set of
// settings, the fixed user agent.
#pragma once

#include <webkit/webkit.h>

#include <string>
#include <vector>

#include "base/DesktopProxy.h"
#include "shell/rules/MemoryCeiling.h"

namespace delvaronte {

inline constexpr char kUserAgent[] = "Delvaronte-Mac/1.0 Safari/605.1.15";

// Created on first use: website data under the user data folder, cache under the user cache
// folder (both in the program's folder), cookies kept in an SQLite file there.
WebKitNetworkSession* sharedNetworkSession();

// Developer extras, JavaScript, scripts may open windows, the user agent, swipe gestures
// where there is a touchpad or a touch screen.
WebKitSettings* sharedSettings();

// This machine's memory, in MiB.
uint64_t physicalMemoryMiB();

// The main web view: a new view in the shared session, its web process (shared by the pop-ups
// it opens) under that ceiling.
WebKitWebView* newMainWebView(const MemoryCeiling& ceiling);

// A pop-up's view, related to the page that opened it (same session, same web process).
WebKitWebView* newRelatedWebView(WebKitWebView* opener);

// Spell checking in the context's pages: off, or in the languages chosen (dictionary names),
// or, none chosen, in French and the desktop's language; only what is installed counts, and
// with nothing installed checking stays off.
void checkSpelling(WebKitWebContext* context, bool on, const std::vector<std::string>& chosen);

// The proxies every web view goes through from now on.
void applyProxies(WebKitNetworkSession* session, const ProxyChoice& choice);

// The window a view is in; nothing when it is in none.
GtkWindow* windowOf(WebKitWebView* view);

}  // namespace delvaronte
