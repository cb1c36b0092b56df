// Pop-up windows over a long day: the page opens and closes 200 of them one after another,
// in the program itself (this process); PSS of the whole process tree before and after, and
// the program's list of open pop-ups at the end.
#include <gtk/gtk.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "PageServer.h"
#include "Processes.h"
#include "sandbox/ThrowAwayHome.h"
#include "shell/AppDelegate.h"

using namespace delvaronte;
using namespace delvaronte::bench;

namespace {

// 200 pop-ups in all, the first ones counted apart: the engine sets things up once.
constexpr int kBatches[] = {1, 9, 40, 50, 50, 50};
constexpr int kWarmUp = 10;  // pop-ups after which the steady state is measured from

double pssMiB() {
    return treePssKiB(getpid()) / 1024.0;
}

// Counts the pop-up windows and web views made and those finalized since.
struct Lifetimes {
    int windows = 0, windowsFreed = 0, views = 0, viewsFreed = 0;

    void watch(GtkApplication* application) {
        g_signal_connect(application, "window-added",
                         G_CALLBACK(+[](GtkApplication*, GtkWindow* window, Lifetimes* self) {
                             ++self->windows;
                             g_object_weak_ref(G_OBJECT(window), &Lifetimes::windowGone, self);
                             g_signal_connect(window, "notify::child",
                                              G_CALLBACK(&Lifetimes::childSet), self);
                         }),
                         this);
    }
    static void windowGone(gpointer self, GObject*) {
        ++static_cast<Lifetimes*>(self)->windowsFreed;
    }
    static void viewGone(gpointer self, GObject*) { ++static_cast<Lifetimes*>(self)->viewsFreed; }
    static void childSet(GtkWindow* window, GParamSpec*, Lifetimes* self) {
        if (GtkWidget* child = gtk_window_get_child(window); WEBKIT_IS_WEB_VIEW(child)) {
            ++self->views;
            g_object_weak_ref(G_OBJECT(child), &Lifetimes::viewGone, self);
        }
    }
};

}  // namespace

int main() {
    // This run's own configuration, website data and cache.
    ThrowAwayHome home;
    for (const auto& [name, value] : home.environment()) setenv(name.c_str(), value.c_str(), 1);
    PageServer server;
    if (!gtk_init_check()) {
        std::fprintf(stderr, "needs an X display: run through scripts/bench.sh\n");
        return 1;
    }
    home.provision(server.url("/popups"), "bench");

    GtkApplication* application =
        gtk_application_new("ma.delvaronte.Bench", G_APPLICATION_NON_UNIQUE);
    g_application_register(G_APPLICATION(application), nullptr, nullptr);
    const ShellSeams seams;
    auto delegate = std::make_unique<AppDelegate>(application, seams);
    g_application_activate(G_APPLICATION(application));
    // The main window is made by now: from here on, only pop-ups come.
    Lifetimes popups;
    popups.watch(application);
    if (!runUntil([&] { return server.reportedAt("page").has_value(); }, 60)) {
        std::fprintf(stderr, "the page did not load within 60 s\n");
        return 1;
    }
    runFor(3);
    const double before = pssMiB();
    std::printf("before any pop-up: PSS %.1f MiB\n", before);
    printPssByProcess(getpid());

    double after = before;
    double warm = before;
    int opened = 0;
    for (const int count : kBatches) {
        const std::string name = "after-" + std::to_string(opened + count);
        const std::string script = "openAndClose(" + std::to_string(count) + ", '" + name + "'); 0";
        webkit_web_view_evaluate_javascript(delegate->webView(), script.c_str(), -1, nullptr,
                                            nullptr, nullptr, nullptr, nullptr);
        if (!runUntil([&] { return server.reportedAt(name).has_value(); }, 600) ||
            !runUntil([&] { return delegate->childWindows().empty(); }, 30)) {
            std::fprintf(stderr, "the pop-ups did not all open and close\n");
            return 1;
        }
        opened += count;
        runFor(3);
        after = pssMiB();
        if (opened == kWarmUp) warm = after;
        std::printf("after %3d pop-ups: PSS %.1f MiB (%+.1f %%)\n", opened, after,
                    100 * (after - before) / before);
        printPssByProcess(getpid());
        std::fflush(stdout);
    }
    // The engine frees closed pages' memory over time.
    runFor(30);
    const double rested = pssMiB();
    std::printf("30 s later: PSS %.1f MiB (%+.1f %%)\n", rested, 100 * (rested - before) / before);
    printPssByProcess(getpid());
    std::printf("pop-up windows freed: %d of %d; their web views freed: %d of %d\n",
                popups.windowsFreed, popups.windows, popups.viewsFreed, popups.views);

    const double growth = 100 * (after - before) / before;
    const double steady = 100 * (after - warm) / warm;
    const std::size_t left = delegate->childWindows().size();
    std::printf("\ngrowth over %d pop-ups: %+.1f %% (target: at most 10 %%, aim 5 %%) %s\n", opened,
                growth, growth <= 10 ? (growth <= 5 ? "ok, aim met" : "ok") : "MISSED");
    std::printf("growth from pop-up %d to %d: %+.1f %%\n", kWarmUp, opened, steady);
    std::printf("pop-ups still listed: %zu %s\n", left, left == 0 ? "ok" : "MISSED");

    delegate.reset();
    g_object_unref(application);
    return growth <= 10 && left == 0 ? 0 : 2;
}
