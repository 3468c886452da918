#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
    // Test binaries also run at build time (test discovery) with no display and no session
    // bus; anything that creates a Qt application must still work there.
    setenv("QT_QPA_PLATFORM", "offscreen", /*overwrite=*/0);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
