// What the program sets up before its first window: how GTK and the web engine draw.
#pragma once

#include "shell/rules/DrawingPath.h"

namespace delvaronte {

// Runs once, before GTK opens the display: where the facts alone choose cairo (no GPU device,
// Mesa forced to software), GTK is told so, and to leave OpenGL alone: opening the display
// would otherwise load Mesa's rasterizer for GTK, a tenth of a second of start-up, for a
// renderer never used.
void chooseDrawingBeforeDisplay();

// Runs once, with the display open and before any window is made, where the choice waits for
// the OpenGL probe: GTK reads its renderer when it draws the first window.
void prepareStartupEnvironment();

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
