// The pages' notifications as the desktop's own: the page's title and text, the program's
// icon; a click brings back the window of the page that sent it.
#pragma once

#include <webkit/webkit.h>

#include <map>
#include <string>

#include "base/GObjectPtr.h"

namespace delvaronte {

class Notifications {
public:
    // Adds the action a click on a notification comes back as.
    explicit Notifications(GApplication* application);
    ~Notifications();
    Notifications(const Notifications&) = delete;
    Notifications& operator=(const Notifications&) = delete;

    void show(WebKitWebView* view, WebKitNotification* notification);

private:
    void clicked(const std::string& id);
    static void closedCb(WebKitNotification* notification, Notifications* self);

    struct Shown {
        GRef<WebKitNotification> notification;
        GRef<WebKitWebView> view;
    };
    GApplication* application_;
    std::map<std::string, Shown> shown_;  // by the desktop's id
};

}  // namespace delvaronte
