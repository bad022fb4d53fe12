// Tests of animation strips: window arithmetic, sliding over the clock, resets on load and
// the off-screen test.
#include "content/AnimationImage.h"

#include <gtest/gtest.h>

#include <vector>

#include "ContentFixture.h"

using contenttest::WidgetTest;

namespace {

// A 100 x 20 strip of ten 10-pixel cells; cell c has red = 20 c + 10.
Uint32 StripCell(int x, int)
{
    return 0xFF000000u | (Uint32(20 * (x / 10) + 10) << 16);
}

class AnimationImageTest : public WidgetTest
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
    EXPECT_EQ(strip->frameRect.w, 10);
    EXPECT_EQ(strip->frameRect.h, 20);
    for (Uint32 t : {0u, 1u, 32u}) {
        strip->Idle(t);
        EXPECT_EQ(strip->frameRect.x, 0) << t;
    }
    strip->Idle(33);
    EXPECT_EQ(strip->frameRect.x, 10);
    strip->Idle(65);
    EXPECT_EQ(strip->frameRect.x, 10);
    strip->Idle(66);
    EXPECT_EQ(strip->frameRect.x, 20);
    strip->Idle(330);
    EXPECT_EQ(strip->frameRect.x, 0);
    strip->Idle(33 * 13);
    EXPECT_EQ(strip->frameRect.x, 30);
    EXPECT_EQ(strip->frameRect.w, 10);
    EXPECT_EQ(strip->frameRect.h, 20);

    // The drawn picture is the cell under the window.
    SDL_Rect at{50, 60, 0, 0};
    strip->SetRelativePosition(at);
    strip->Draw(screen);
    EXPECT_EQ(ScreenPixel(50, 60), StripCell(30, 0) & 0xFFFFFF);
    EXPECT_EQ(ScreenPixel(59, 79), StripCell(30, 0) & 0xFFFFFF);
    EXPECT_EQ(ScreenPixel(60, 60), 0u);
}

TEST_F(AnimationImageTest, WindowsThatDoNotDivideTheStripDrift)
{
    strip->SetFramesFromWidth(33);
    strip->SetInterval(10);
    std::vector<int> offsets;
    for (Uint32 t = 0; t < 60; t += 10) {
        strip->Idle(t);
        offsets.push_back(strip->frameRect.x);
    }
    EXPECT_EQ(offsets, (std::vector<int>{0, 33, 66, 99, 32, 65}));
}

TEST_F(AnimationImageTest, WindowWidthsAndResets)
{
    strip->SetFramesFromWidth(500);
    EXPECT_EQ(strip->frameRect.w, 100);
    strip->SetFrames(4);
    EXPECT_EQ(strip->frameRect.w, 25);
    strip->SetFrames(0);
    strip->SetFrames(-2);
    strip->SetFramesFromWidth(0);
    EXPECT_EQ(strip->frameRect.w, 25);

    // No interval: the window stays.
    strip->Idle(1000);
    EXPECT_EQ(strip->frameRect.x, 0);
    strip->SetInterval(-5);
    strip->Idle(1000);
    EXPECT_EQ(strip->frameRect.x, 0);

    // Loading resets the window to the whole new picture.
    strip->SetInterval(10);
    strip->Idle(30);
    EXPECT_EQ(strip->frameRect.x, 75);
    ASSERT_TRUE(MakeImage("other", 60, 30, 0xFF00FF00));
    strip->LoadImage(contents, "other");
    EXPECT_EQ(strip->frameRect.x, 0);
    EXPECT_EQ(strip->frameRect.w, 60);
    EXPECT_EQ(strip->frameRect.h, 30);
    strip->SetFrames(3);
    strip->LoadImageWH(contents, "other", 30, 15);
    EXPECT_EQ(strip->frameRect.w, 30);
    strip->SetFrames(3);
    strip->LoadString(contents, "abc", 0xFFFFFFFF);
    EXPECT_EQ(strip->frameRect.w, strip->sourceRect.w);
    strip->SetFrames(3);
    strip->LoadImage(contents, "missing");
    EXPECT_EQ(strip->frameRect.w, strip->sourceRect.w); // the last good size
    EXPECT_EQ(strip->surface, nullptr);
    strip->Idle(12345); // no picture: nothing to slide
}

TEST_F(AnimationImageTest, SetTakesAnotherImagesSurfaceAndRectangle)
{
    ImageSet other;
    ASSERT_TRUE(MakeImage("other", 60, 30, 0xFF00FF00));
    other.LoadImage(contents, "other");
    other.sourceRect = SDL_Rect{10, 5, 20, 10};
    strip->SetFrames(5);
    strip->Set(&other);
    EXPECT_EQ(strip->surface, other.surface);
    EXPECT_EQ(strip->frameRect.x, 10);
    EXPECT_EQ(strip->frameRect.y, 5);
    EXPECT_EQ(strip->frameRect.w, 20);
    EXPECT_EQ(strip->frameRect.h, 10);
    EXPECT_EQ(strip->sourceRect.w, 20);
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
    EXPECT_EQ(ScreenPixel(0, 0), StripCell(0, 0) & 0xFFFFFF);
    EXPECT_EQ(ScreenPixel(1, 0), 0u);

    // Below, right of and above the screen: nothing, and no blit errors.
    for (SDL_Rect at : {SDL_Rect{0, 480, 0, 0}, SDL_Rect{640, 0, 0, 0}, SDL_Rect{0, -20, 0, 0}}) {
        strip->SetRelativePosition(at);
        strip->Draw(screen);
    }
    SDL_Rect bottom{100, 479, 0, 0};
    strip->SetRelativePosition(bottom);
    strip->Draw(screen);
    EXPECT_EQ(ScreenPixel(100, 479), StripCell(0, 0) & 0xFFFFFF);
    EXPECT_EQ(ScreenPixel(100, 478), 0u);
}

} // namespace
