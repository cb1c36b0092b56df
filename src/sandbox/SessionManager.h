// The desktop's session manager, for a run in isolation: owns org.gnome.SessionManager on the
// session bus, registers the programs that ask, keeps what inhibits the logout, and can ask
// the registered programs whether the session may end. It answers from a thread of its own,
// since programs call it and wait for the answer.
#pragma once

#include <gio/gio.h>

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <thread>

#include "base/GObjectPtr.h"

namespace delvaronte {

class SessionManager {
public:
    SessionManager();
    ~SessionManager();
    SessionManager(const SessionManager&) = delete;
    SessionManager& operator=(const SessionManager&) = delete;

    // Whether a program has registered; the user logs out (the programs are asked first).
    bool registered() const { return registered_; }
    void logOut();
    // The reasons given by what inhibits the logout now, by cookie.
    std::map<guint, std::string> logoutInhibitors() const;

private:
    void serve();
    static void methodCallCb(GDBusConnection* bus, const char* sender, const char* path,
                             const char* interface, const char* method, GVariant* parameters,
                             GDBusMethodInvocation* invocation, gpointer self);

    GMainContext* context_;
    GMainLoop* loop_;
    GRef<GDBusConnection> bus_;  // its own connection, served by the thread
    std::atomic<bool> registered_ = false;
    mutable std::mutex mutex_;
    guint lastCookie_ = 0;
    std::map<guint, std::string> inhibitors_;
    std::thread thread_;
};

}  // namespace delvaronte
