// Tests of animation strips: window arithmetic over the clock, window widths, resets on
// every kind of load, showing another holder's part, and the off-screen test.
#include "widgets/AnimationImage.h"

#include <gtest/gtest.h>

#include <vector>

#include "content/ContentFixture.h"

namespace {

// A 100 x 20 strip of ten 10-pixel cells; cell c has red 20 c + 10.
Uint32 StripCell(int x, int)
{
    return Uint32(20 * (x / 10) + 10) << 16;
}

class AnimationImageTest : public contenttest::WidgetTest
{
protected:
    AnimationImage *strip = nullptr;

    void SetUp() override
    {
        WidgetTest::SetUp();
        ASSERT_TRUE(MakeImage("strip", 100, 20, StripCell));
        strip = new AnimationImage(manager, scene);
        strip->LoadImage(contents, "strip");
    }
};

TEST_F(AnimationImageTest, TheWindowStepsOneWidthPerIntervalAndWraps)
{
    strip->SetFramesFromWidth(10);
    strip->SetInterval(33);
    std::vector<int> offsets;
    for (Uint32 t : {0u, 32u, 33u, 65u, 66u, 330u, 33u * 13}) {
        strip->Idle(t);
        offsets.push_back(strip->frameRect.x);
    }
    EXPECT_EQ(offsets, (std::vector<int>{0, 0, 10, 10, 20, 0, 30}));
    EXPECT_EQ(strip->frameRect.w, 10);
    EXPECT_EQ(strip->frameRect.h, 20);
    SDL_Rect at{50, 60, 0, 0};
    strip->SetRelativePosition(at);
    strip->Draw(screen);
    EXPECT_EQ(ScreenPixel(50, 60), StripCell(30, 0));
    EXPECT_EQ(ScreenPixel(59, 79), StripCell(30, 0));
    EXPECT_EQ(ScreenPixel(60, 60), 0u);

    // A window that does not divide the strip drifts.
    strip->SetFramesFromWidth(33);
    strip->SetInterval(10);
    offsets.clear();
    for (Uint32 t = 0; t < 60; t += 10) {
        strip->Idle(t);
        offsets.push_back(strip->frameRect.x);
    }
    EXPECT_EQ(offsets, (std::vector<int>{0, 33, 66, 99, 32, 65}));
}

TEST_F(AnimationImageTest, WindowWidthsAndResetsOnLoad)
{
    strip->SetFramesFromWidth(500);
    EXPECT_EQ(strip->frameRect.w, 100);
    strip->SetFrames(4);
    EXPECT_EQ(strip->frameRect.w, 25);
    strip->SetFrames(0);
    strip->SetFramesFromWidth(-1);
    EXPECT_EQ(strip->frameRect.w, 25);
    strip->Idle(1000); // no interval: no sliding
    EXPECT_EQ(strip->frameRect.x, 0);

    // Every load, also the one that only the base class implements, resets the window.
    ASSERT_TRUE(MakeImage("other", 60, 30, 0x00FF00));
    strip->LoadImage(contents, "other");
    EXPECT_EQ(strip->frameRect.w, 60);
    EXPECT_EQ(strip->frameRect.h, 30);
    strip->SetFrames(3);
    strip->LoadImageWH(contents, "other", 30, 15);
    EXPECT_EQ(strip->frameRect.w, 30);
    strip->SetFrames(3);
    strip->LoadImage(contents, "missing"); // keeps the last good size
    EXPECT_EQ(strip->surface, nullptr);
    EXPECT_EQ(strip->frameRect.w, strip->sourceRect.w);
    strip->SetInterval(10);
    strip->Idle(12345);
    strip->Draw(screen);
}

TEST_F(AnimationImageTest, SetShowsExactlyThePartAnotherImageSetShows)
{
    // Another holder showing only cells 2 to 4 of the strip: the animation takes that part
    // as its whole image, not the whole surface.
    ImageSet other;
    other.LoadImage(contents, "strip");
    other.sourceRect = SDL_Rect{20, 0, 30, 20};
    strip->Set(&other);
    EXPECT_EQ(strip->surface, other.surface);
    EXPECT_EQ(strip->frameRect.x, 20);
    EXPECT_EQ(strip->frameRect.w, 30);
    strip->Draw(screen);
    EXPECT_EQ(ScreenPixel(0, 0), StripCell(20, 0));
    EXPECT_EQ(ScreenPixel(29, 19), StripCell(40, 0));
    EXPECT_EQ(ScreenPixel(30, 0), 0u);
    strip->Set(nullptr); // nothing to take: the shown part stays
    EXPECT_EQ(strip->frameRect.w, 30);
}

TEST_F(AnimationImageTest, WindowsWhollyOffTheScreenAreNotDrawn)
{
    strip->SetFramesFromWidth(10);
    SDL_Rect left{-10, 0, 0, 0};
    strip->SetRelativePosition(left);
    strip->Draw(screen);
    EXPECT_EQ(ScreenPixel(0, 0), 0u);
    SDL_Rect barely{-9, 0, 0, 0};
    strip->SetRelativePosition(barely);
    strip->Draw(screen);
    EXPECT_EQ(ScreenPixel(0, 0), StripCell(0, 0));
    EXPECT_EQ(ScreenPixel(1, 0), 0u);
}

} // namespace
