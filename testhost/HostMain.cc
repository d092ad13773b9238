// The test host program: makes the host's main window, then runs the
// scenarios, which load Zelvorin.vxl as the host would.
#include <gtest/gtest.h>

#include "testhost/HostControl.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    TH_CreateMainWindow();
    return RUN_ALL_TESTS();
}
