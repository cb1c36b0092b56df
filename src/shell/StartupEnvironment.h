// What the program sets up before its first window: how GTK and the web engine draw, and
// what the engine's processes read from the environment as they start.
#pragma once

#include <string>
#include <vector>

#include "shell/rules/DrawingPath.h"

namespace delvaronte {

// Keeps the memory of the frames drawn on the processor for the next ones. Each frame is an
// image of the window's size, some megabytes, allocated and freed again: glibc would hand it
// back to the system as each frame ends and fault it in afresh for the next, page by page,
// which costs more than the drawing itself (on a busy page, typing fell behind by 0.3 s).
// Runs first thing in main, before any thread starts.
void keepFrameMemory();

// Runs once, before GTK opens the display: where the facts alone choose cairo (no GPU device,
// Mesa forced to software), GTK is told so, and to leave OpenGL alone: opening the display
// would otherwise load Mesa's rasterizer for GTK, a tenth of a second of start-up, for a
// renderer never used.
void chooseDrawingBeforeDisplay();

// Runs once, before GTK opens the display: asks the session bus where the accessibility bus
// is, waiting at most kAccessibilityBusWaitMs, and hands the answer to GTK and the engine
// (AT_SPI_BUS_ADDRESS), which would each ask again and wait up to 25 s for a launcher that
// does not answer. A launcher silent that long is taken for a bus that cannot be reached.
constexpr int kAccessibilityBusWaitMs = 1000;
void findAccessibilityBus();

// Runs once, with the display open and before any window is made, where the choice waits for
// the OpenGL probe: GTK reads its renderer when it draws the first window.
void prepareStartupEnvironment();

// Hands the engine the addresses where the desk's directory account signs the clerk in
// (negotiateAddresses of the office's list and the home): its network process reads them once,
// as it starts, so this runs before the first page. main calls it first with nothing, before
// any thread starts: later calls then replace the variable in place, where adding it would
// move the environment under threads reading it. Programs launched from here do not get it.
void handNegotiateAddresses(const std::vector<std::string>& listed, const std::string& home);

// Whether the windows are drawn on the processor by our choice: the web engine then draws
// its pages without OpenGL too (no compositing), which on a software rasterizer is as fast
// and takes some 80 MiB less, and a pop-up's page leaves nothing behind when it closes.
bool drawingOnProcessor();

// The facts the choice is made from, the OpenGL probe included when they call for it.
DrawingFacts findDrawingFacts();

// GL_RENDERER of a context made on the display the way GTK makes its own; empty when none
// can be made. The probe findDrawingFacts runs where there is a GPU device.
std::string readOpenGlRenderer();

}  // namespace delvaronte
