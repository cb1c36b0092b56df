// How the windows are drawn: with OpenGL, as GTK chooses by default, or with its cairo
// renderer where OpenGL would only be a software rasterizer. On such machines (no GPU:
// virtual desktops, remote sessions, thin clients) GTK 4.8's GL renderer costs more than half
// a second of start-up and some 100 MiB, for nothing the cairo renderer does not draw too.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace delvaronte {

// What start-up finds out, cheapest first.
struct DrawingFacts {
    std::string userRenderer;     // GSK_RENDERER as the user's environment has it
    std::string softwareSetting;  // LIBGL_ALWAYS_SOFTWARE, Mesa's own switch
    bool gpuDevice = false;       // a GPU device node this user may open
    // GL_RENDERER of a context made on the display, once asked; empty when none could be made.
    std::optional<std::string> glRenderer;
};

enum class DrawingPath {
    AsGtkChooses,  // nothing is set: a GPU, no OpenGL at all, or the user's own choice
    Cairo,         // GTK's cairo renderer
    AskOpenGl,     // a GPU device is there: make a context and read its renderer, then decide
};

DrawingPath chooseDrawingPath(const DrawingFacts& facts);

// An environment variable and its value.
struct Switch {
    const char* name;
    const char* value;
};

// What keeps GTK off OpenGL altogether, in the words of the GTK that runs: GDK_DEBUG=gl-disable
// up to 4.14; from 4.16 GDK_DISABLE=gl (GTK 4.18 no longer knows the first, and says so at
// every start).
Switch openGlOffSwitch(unsigned gtkMajor, unsigned gtkMinor);

// Whether GL_RENDERER names a rasterizer that runs on the processor (Mesa's llvmpipe,
// softpipe and swrast, Vulkan's lavapipe under zink, SwiftShader, Windows' WARP).
bool isSoftwareRasterizer(std::string_view glRenderer);

}  // namespace delvaronte
