// From a page's first paint on the screen to its load event, for the program (the drawing path
// it chooses), the same with other settings (--variant), the bare engine and Chromium's --app
// window: a page left after a moment for a frameset of two frames with images, whose load
// handler is where pages like an accounting entry form move the keyboard focus. A focus moved
// long after the form is drawn takes the keys the user is typing elsewhere. The screen is
// watched for the magenta block of the first frame.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "Contenders.h"
#include "Measure.h"
#include "PageServer.h"
#include "XDisplay.h"
#include "sandbox/Launched.h"

using namespace delvaronte;
using namespace delvaronte::bench;

namespace {

// Whether the magenta block shows in the top-left part of the largest window on the screen.
bool magentaShown(Display* display) {
    Window root = 0, parent = 0, largest = 0;
    Window* children = nullptr;
    unsigned count = 0;
    if (XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count) == 0) {
        return false;
    }
    XWindowAttributes best{};
    for (unsigned i = 0; i < count; ++i) {
        XWindowAttributes a;
        if (XGetWindowAttributes(display, children[i], &a) != 0 && a.map_state == IsViewable &&
            a.width * a.height > best.width * best.height) {
            best = a;
            largest = children[i];
        }
    }
    if (children != nullptr) XFree(children);
    if (largest == 0) return false;
    // From the screen itself (the window may be partly off it); its top-left part.
    const int x = std::max(best.x, 0), y = std::max(best.y, 0);
    const int width = std::min({best.width, 640, DisplayWidth(display, 0) - x});
    const int height = std::min({best.height, 480, DisplayHeight(display, 0) - y});
    if (width <= 0 || height <= 0) return false;
    XImage* image =
        XGetImage(display, DefaultRootWindow(display), x, y, width, height, AllPlanes, ZPixmap);
    if (image == nullptr) return false;
    bool found = false;
    for (int row = 0; row < image->height && !found; row += 4) {
        for (int column = 0; column < image->width && !found; column += 4) {
            found = (XGetPixel(image, column, row) & 0xffffff) == 0xff0080;
        }
    }
    XDestroyImage(image);
    return found;
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = countOption(option(argc, argv, "--rounds", "5").c_str(), 5);
    Display* display = openDisplay();
    if (display == nullptr) return 1;
    // A window that goes while it is looked at is no reason to stop.
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    const std::vector<Contender> all = contenders(argc, argv);
    PageServer server;
    // --page /formulaire: the first frame's page alone, without the frameset.
    const std::string page = option(argc, argv, "--page", "/cadres");
    // --image-delay MS: the images come that late, as from a slow server.
    server.delayImages(guint(std::atoi(option(argc, argv, "--image-delay", "0").c_str())));
    std::map<std::string, std::vector<double>> gaps;
    for (int round = 1; round <= rounds; ++round) {
        for (const Contender& c : all) {
            const std::string who = c.name + "-" + std::to_string(round);
            ThrowAwayHome home;
            const double start = pageClockMs();
            Launched run(c.command(server.url("/cadres-debut?who=" + who + "&to=" + page), home),
                         c.environmentIn(home));
            std::optional<double> painted;
            const guint watch = g_timeout_add(
                3,
                [](gpointer data) -> gboolean {
                    auto* state = static_cast<std::pair<Display*, std::optional<double>*>*>(data);
                    if (!*state->second && magentaShown(state->first))
                        *state->second = pageClockMs();
                    return G_SOURCE_CONTINUE;
                },
                new std::pair<Display*, std::optional<double>*>(display, &painted));
            const bool seen =
                run.started() &&
                runUntil([&] { return painted && server.reported(who, "load").has_value(); }, 60);
            g_source_remove(watch);
            if (!seen) {
                std::printf("round %d, %s: %s within 60 s\n", round, c.name.c_str(),
                            painted ? "no load event" : "no frame on the screen");
            } else {
                const double gap = *server.reported(who, "load") - *painted;
                gaps[c.name].push_back(gap);
                std::printf(
                    "round %d, %-22s first paint to load event %.0f ms (from start: "
                    "paint %.0f ms, load %.0f ms)\n",
                    round, c.name.c_str(), gap, *painted - start,
                    *server.reported(who, "load") - start);
            }
            std::fflush(stdout);
            run.stop();
            runFor(1);
        }
    }
    XCloseDisplay(display);
    std::printf(
        "\nfirst paint on the screen to load event, median [lowest - highest] over %d "
        "rounds\n",
        rounds);
    for (const Contender& c : all) {
        std::printf("%-22s %s\n", c.name.c_str(),
                    describe(summarize(gaps[c.name]), "ms", 0).c_str());
    }
    return 0;
}
