// The X display the benchmarks that watch the screen or type keys run on.
#pragma once

#include <X11/Xlib.h>

#include <cstdio>

namespace delvaronte::bench {

// The display of $DISPLAY; nothing, with a word on how to get one, when there is none.
inline Display* openDisplay() {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "needs an X display: run through scripts/bench.sh\n");
    }
    return display;
}

}  // namespace delvaronte::bench
