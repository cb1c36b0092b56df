// Every unit test process gets a throw-away user config folder, so that nothing here can
// read or replace the config.dat of the person running the tests. Set before main, since
// GLib reads XDG_CONFIG_HOME once.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "TempDir.h"

namespace {

class IsolatedConfigHome : public ::testing::Environment {
public:
    IsolatedConfigHome() { setenv("XDG_CONFIG_HOME", folder_.path().c_str(), 1); }

private:
    delvaronte::testing::TempDir folder_;
};

[[maybe_unused]] ::testing::Environment* const kIsolated =
    ::testing::AddGlobalTestEnvironment(new IsolatedConfigHome);

}  // namespace
