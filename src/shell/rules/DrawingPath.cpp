#include "shell/rules/DrawingPath.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace delvaronte {

namespace {

std::string lowercase(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

// Mesa reads its boolean variables this way; anything else leaves the default, off.
bool mesaTrue(std::string_view value) {
    const std::string lower = lowercase(value);
    return lower == "1" || lower == "true" || lower == "yes" || lower == "y";
}

}  // namespace

bool isSoftwareRasterizer(std::string_view glRenderer) {
    static constexpr std::array<std::string_view, 7> kNames{
        "llvmpipe",    "softpipe",           "swrast", "software rasterizer", "lavapipe",
        "swiftshader", "basic render driver"};
    const std::string lower = lowercase(glRenderer);
    return std::any_of(kNames.begin(), kNames.end(), [&](std::string_view name) {
        return lower.find(name) != std::string::npos;
    });
}

Switch openGlOffSwitch(unsigned gtkMajor, unsigned gtkMinor) {
    if (gtkMajor > 4 || gtkMinor >= 16) return {"GDK_DISABLE", "gl"};
    return {"GDK_DEBUG", "gl-disable"};
}

DrawingPath chooseDrawingPath(const DrawingFacts& facts) {
    if (!facts.userRenderer.empty()) return DrawingPath::AsGtkChooses;
    if (mesaTrue(facts.softwareSetting) || !facts.gpuDevice) return DrawingPath::Cairo;
    if (!facts.glRenderer) return DrawingPath::AskOpenGl;
    // No context at all: GTK finds the same and draws with cairo by itself.
    if (facts.glRenderer->empty()) return DrawingPath::AsGtkChooses;
    return isSoftwareRasterizer(*facts.glRenderer) ? DrawingPath::Cairo : DrawingPath::AsGtkChooses;
}

}  // namespace delvaronte
