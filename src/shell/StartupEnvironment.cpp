#include "shell/StartupEnvironment.h"

#include <epoxy/gl.h>
#include <gtk/gtk.h>
#include <malloc.h>
#include <unistd.h>

#include <filesystem>

#include "base/GObjectPtr.h"
#include "shell/rules/DirectorySignIn.h"
#include "ui/SystemOpener.h"

namespace delvaronte {

namespace {

std::string variable(const char* name) {
    const char* value = g_getenv(name);
    return value != nullptr ? value : "";
}

// A render node (Mesa, and NVIDIA's driver with its DRM module) or NVIDIA's older control
// device, that this user may open: without one, OpenGL can only run on the processor.
bool hasGpuDevice() {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/dev/dri", error)) {
        if (entry.path().filename().string().starts_with("renderD") &&
            access(entry.path().c_str(), R_OK | W_OK) == 0) {
            return true;
        }
    }
    return access("/dev/nvidiactl", R_OK | W_OK) == 0;
}

// All but the OpenGL probe.
DrawingFacts factsBeforeDisplay() {
    return {variable("GSK_RENDERER"), variable("LIBGL_ALWAYS_SOFTWARE"), hasGpuDevice(),
            std::nullopt};
}

bool& processorChosen() {
    static bool chosen = false;
    return chosen;
}

bool& drawingDecided() {
    static bool decided = false;
    return decided;
}

void drawOnProcessor(bool leaveOpenGlAlone) {
    processorChosen() = true;
    setVariableKeptFromLaunches("GSK_RENDERER", "cairo");
    if (!leaveOpenGlAlone) return;
    // The user's own switches are left as they are.
    const Switch glOff = openGlOffSwitch(gtk_get_major_version(), gtk_get_minor_version());
    if (g_getenv(glOff.name) == nullptr) setVariableKeptFromLaunches(glOff.name, glOff.value);
    // The engine would ask GTK for OpenGL all the same, and warn on the terminal that it
    // cannot have it; told that its pages are not composited, it does not ask.
    if (g_getenv("WEBKIT_DISABLE_COMPOSITING_MODE") == nullptr) {
        setVariableKeptFromLaunches("WEBKIT_DISABLE_COMPOSITING_MODE", "1");
    }
}

}  // namespace

// GTK keeps the display's GL set-up for its renderer: on a GPU, the probe's work is not lost.
std::string readOpenGlRenderer() {
    GdkDisplay* display = gdk_display_get_default();
    if (display == nullptr) return {};
    GError* error = nullptr;
    const auto context = GRef<GdkGLContext>::adopt(gdk_display_create_gl_context(display, &error));
    if (!context || !gdk_gl_context_realize(context.get(), &error)) {
        g_clear_error(&error);
        return {};
    }
    gdk_gl_context_make_current(context.get());
    const auto* name = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    std::string renderer = name != nullptr ? name : "";
    gdk_gl_context_clear_current();
    return renderer;
}

void keepFrameMemory() {
    // Blocks up to glibc's largest threshold (a window of 4K on a side) come from the heap,
    // and a heap whose top holds less than 64 MiB free keeps it.
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 64 << 20);
}

void findAccessibilityBus() {
    const char* known = g_getenv("AT_SPI_BUS_ADDRESS");
    if ((known != nullptr && *known != '\0') || g_strcmp0(g_getenv("GTK_A11Y"), "none") == 0) {
        return;
    }
    const auto session =
        GRef<GDBusConnection>::adopt(g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr));
    if (!session) return;
    GError* error = nullptr;
    const GOwned<GVariant, g_variant_unref> reply(g_dbus_connection_call_sync(
        session.get(), "org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress", nullptr,
        G_VARIANT_TYPE("(s)"), G_DBUS_CALL_FLAGS_NONE, kAccessibilityBusWaitMs, nullptr, &error));
    // What is set here is the program's own: launched programs look for the bus themselves.
    if (reply) {
        const char* address = nullptr;
        g_variant_get(reply.get(), "(&s)", &address);
        if (*address != '\0') setVariableKeptFromLaunches("AT_SPI_BUS_ADDRESS", address);
    } else if (g_error_matches(error, G_IO_ERROR, G_IO_ERROR_TIMED_OUT)) {
        // GTK would wait 25 s to find the same, and the engine 30 s more: GTK is told there is
        // no bus, the engine's pages get none, and the engine's own look-up an address where
        // nothing listens, which it takes without asking the launcher.
        setVariableKeptFromLaunches("GTK_A11Y", "none");
        setVariableKeptFromLaunches("WEBKIT_A11Y_BUS_ADDRESS", "");
        setVariableKeptFromLaunches("AT_SPI_BUS_ADDRESS", "unix:abstract=delvaronte-no-bus");
    }
    // No launcher at all: GTK and the engine find that as fast.
    g_clear_error(&error);
}

DrawingFacts findDrawingFacts() {
    DrawingFacts facts = factsBeforeDisplay();
    if (chooseDrawingPath(facts) == DrawingPath::AskOpenGl) facts.glRenderer = readOpenGlRenderer();
    return facts;
}

void chooseDrawingBeforeDisplay() {
    const DrawingPath path = chooseDrawingPath(factsBeforeDisplay());
    if (path == DrawingPath::AskOpenGl) return;
    drawingDecided() = true;
    if (path == DrawingPath::Cairo) drawOnProcessor(true);
}

void prepareStartupEnvironment() {
    if (drawingDecided()) return;
    drawingDecided() = true;
    if (chooseDrawingPath(findDrawingFacts()) == DrawingPath::Cairo) drawOnProcessor(false);
}

void handNegotiateAddresses(const std::vector<std::string>& listed, const std::string& home) {
    setVariableKeptFromLaunches(kNegotiateVariable, negotiateAddresses(listed, home).c_str());
}

bool drawingOnProcessor() {
    return processorChosen();
}

}  // namespace delvaronte
