// Test entry point shared by every test program: headless SDL drivers before any test runs.
#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char **argv)
{
    // Tests never need a display or a sound card.
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
