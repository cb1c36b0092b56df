// What /proc says of a program's process tree: memory and processor time.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "sandbox/Launched.h"

namespace delvaronte::bench {

// Proportional set size of the whole tree, in KiB.
long treePssKiB(int root);
// The same, process by process: its name and its PSS in KiB, sorted by name.
std::vector<std::pair<std::string, long>> treePssByProcess(int root);
// Prints each process of the tree of 1 MiB or more: its name and PSS, indented.
void printPssByProcess(int root, const char* indent = "    ");
// The PSS of the tree's web processes (the engine's page processes: WebKitWebProcess, or
// Chromium's renderers), in KiB.
long treeWebPssKiB(int root);
// User and system time used so far by the whole tree, in seconds.
double treeCpuSeconds(int root);

}  // namespace delvaronte::bench
