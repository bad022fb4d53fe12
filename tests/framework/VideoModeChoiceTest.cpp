// Tests of the start-up's choice of window mode against made-up display mode lists.
#include <gtest/gtest.h>

#include <SDL.h>

#include "framework/VideoModeChoice.h"

namespace {

// A display that takes any size at any depth from 8 to 32 bits and suggests suggestBpp, or
// only the listed sizes when listOnly is set.
struct FakeDisplay
{
    std::vector<ListedMode> modes;
    bool listOnly = false;
    int suggestBpp = 24;
    std::vector<int> askedBpp;

    VideoModeChoice::ModeTest Test()
    {
        return [this](int w, int h, int bpp, unsigned int) {
            askedBpp.push_back(bpp);
            if (bpp < 8 || bpp > 32 || w <= 0 || h <= 0) {
                return 0;
            }
            if (listOnly) {
                bool listed = false;
                for (const ListedMode &m : modes) {
                    listed = listed || (m.width == w && m.height == h);
                }
                if (!listed) {
                    return 0;
                }
            }
            return suggestBpp;
        };
    }
};

VideoSettings Settings(int videoMode, int fullScreen, int width, int height, int bpp)
{
    VideoSettings s;
    s.videoMode = videoMode;
    s.fullScreen = fullScreen;
    s.width = width;
    s.height = height;
    s.bpp = bpp;
    return s;
}

TEST(VideoModeChoiceTest, WindowWithoutSettingsOrListIs800x600x32)
{
    FakeDisplay display;
    VideoModeChoice c = VideoModeChoice::Choose(VideoSettings(), {}, false, display.Test(), 24);
    ASSERT_TRUE(c.ok);
    EXPECT_EQ(c.width, 800);
    EXPECT_EQ(c.height, 600);
    EXPECT_EQ(c.bpp, 32);
    EXPECT_EQ(c.flags, static_cast<unsigned int>(SDL_HWSURFACE));

    // A configured size the display takes is used as it is.
    c = VideoModeChoice::Choose(Settings(-1, 0, 1000, 700, 16), {}, false, display.Test(), 24);
    EXPECT_EQ(c.width, 1000);
    EXPECT_EQ(c.height, 700);
    EXPECT_EQ(c.bpp, 16);
}

TEST(VideoModeChoiceTest, FullScreenWithoutSizeTakesTheFirstListedMode)
{
    FakeDisplay display;
    display.modes = {{1280, 1024}, {1024, 768}, {640, 480}};
    display.listOnly = true;
    for (int fullScreen : {1, 2, -1}) {
        VideoModeChoice c = VideoModeChoice::Choose(Settings(-1, fullScreen, -1, -1, 32),
                                                    display.modes, true, display.Test(), 24);
        ASSERT_TRUE(c.ok) << fullScreen;
        EXPECT_EQ(c.width, 1280) << fullScreen;
        EXPECT_EQ(c.height, 1024) << fullScreen;
        EXPECT_EQ(c.flags, static_cast<unsigned int>(SDL_FULLSCREEN | SDL_HWSURFACE));
    }
}

TEST(VideoModeChoiceTest, IndexSelectsFromTheListOrTheBuiltInSizes)
{
    FakeDisplay display;
    VideoModeChoice c =
        VideoModeChoice::Choose(Settings(0, 0, -1, -1, 32), {}, false, display.Test(), 24);
    EXPECT_EQ(c.width, 1024);
    EXPECT_EQ(c.height, 720);
    c = VideoModeChoice::Choose(Settings(2, 0, 5, 5, 32), {}, false, display.Test(), 24);
    EXPECT_EQ(c.width, 640);
    EXPECT_EQ(c.height, 480);

    std::vector<ListedMode> modes = {{1600, 1200}, {1024, 768}};
    c = VideoModeChoice::Choose(Settings(1, 1, -1, -1, 32), modes, true, display.Test(), 24);
    EXPECT_EQ(c.width, 1024);
    EXPECT_EQ(c.height, 768);

    // An index beyond the list it selects from falls back to 800 x 600.
    for (int index : {2, 3, 1000}) {
        c = VideoModeChoice::Choose(Settings(index, 1, -1, -1, 32), modes, true, display.Test(),
                                    24);
        ASSERT_TRUE(c.ok) << index;
        EXPECT_EQ(c.width, 800) << index;
        EXPECT_EQ(c.height, 600) << index;
    }
    c = VideoModeChoice::Choose(Settings(3, 0, -1, -1, 32), {}, false, display.Test(), 24);
    EXPECT_EQ(c.width, 800);
    EXPECT_EQ(c.height, 600);
}

TEST(VideoModeChoiceTest, DepthBelowOneTakesTheSuggestedDepth)
{
    FakeDisplay display;
    display.suggestBpp = 16;
    VideoModeChoice c =
        VideoModeChoice::Choose(Settings(-1, 0, 640, 480, 0), {}, false, display.Test(), 24);
    ASSERT_TRUE(c.ok);
    EXPECT_EQ(c.bpp, 16);
    EXPECT_EQ(c.width, 640);
    // The display is asked with its own depth, not with the meaningless 0.
    for (int asked : display.askedBpp) {
        EXPECT_EQ(asked, 24);
    }
}

TEST(VideoModeChoiceTest, NoAcceptableModeFails)
{
    FakeDisplay display;
    // A depth the display cannot do at all.
    VideoModeChoice c =
        VideoModeChoice::Choose(Settings(-1, 0, 640, 480, 99), {}, false, display.Test(), 24);
    EXPECT_FALSE(c.ok);
    // Full screen where the fallback size is not among the listed modes.
    display.modes = {{1024, 768}};
    display.listOnly = true;
    c = VideoModeChoice::Choose(Settings(5, 1, -1, -1, 32), display.modes, true, display.Test(),
                                24);
    EXPECT_FALSE(c.ok);
}

} // namespace
