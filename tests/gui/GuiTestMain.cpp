// One GTK initialisation per test process, in the X server that run-in-xvfb.sh started,
// with a throw-away user config folder.
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <cstdlib>

#include "../unit/TempDir.h"
#include "ThrowAwayHome.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Configuration, website data and cache of this process only.
    delvaronte::testing::TempDir home;
    for (const auto& [name, value] : delvaronte::homeEnvironment(home.path())) {
        setenv(name.c_str(), value.c_str(), 1);
    }
    // Listing the tests needs no display.
    if (::testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
    if (!gtk_init_check()) {
        fprintf(stderr, "no display: run under tests/gui/run-in-xvfb.sh\n");
        return 1;
    }
    return RUN_ALL_TESTS();
}
