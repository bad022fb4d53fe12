// Tests of the bar gauges: bar heights and clamping, drawing from the bottom edge, gliding to
// a target, and the caption under an animated meter.
#include "content/BaroMeter.h"

#include <gtest/gtest.h>

#include <cmath>

#include "ContentFixture.h"
#include "content/AnimationMeter.h"

using contenttest::WidgetTest;

namespace {

// 30 x 200 meter picture whose rows can be told apart: green = row.
Uint32 MeterRow(int, int y)
{
    return 0xFF800000u | (Uint32(y) << 8);
}

class BaroMeterTest : public WidgetTest
{
protected:
    void SetUp() override
    {
        WidgetTest::SetUp();
        ASSERT_TRUE(MakeImage("gauge", 30, 200, MeterRow));
    }
};

TEST_F(BaroMeterTest, TheBarIsTheBottomPartOfTheImageInWholeUnits)
{
    BaroMeter *meter = new BaroMeter(manager, scene);
    EXPECT_EQ(meter->GetValue(), 100);
    meter->LoadImage(contents, "gauge");
    EXPECT_EQ(meter->frameRect.h, 200); // whole until the first SetValue

    meter->SetValue(37.9);
    EXPECT_DOUBLE_EQ(meter->GetValue(), 37.9);
    EXPECT_EQ(meter->frameRect.h, 74);
    EXPECT_EQ(meter->frameRect.y, 126);
    meter->SetValue(150);
    EXPECT_EQ(meter->GetValue(), 100);
    EXPECT_EQ(meter->frameRect.h, 200);
    EXPECT_EQ(meter->frameRect.y, 0);
    meter->SetValue(-5);
    EXPECT_EQ(meter->GetValue(), 0);
    EXPECT_EQ(meter->frameRect.h, 0);
    EXPECT_EQ(meter->frameRect.y, 200);

    meter->SetValue(1);
    meter->AddValue(-2);
    EXPECT_EQ(meter->GetValue(), 0);
    meter->SetValue(99.5);
    EXPECT_EQ(meter->frameRect.h, 198);
    meter->AddValue(1);
    EXPECT_EQ(meter->GetValue(), 100);
    meter->AddValue(-50.5);
    EXPECT_DOUBLE_EQ(meter->GetValue(), 49.5);
    EXPECT_EQ(meter->frameRect.h, 98);
}

TEST_F(BaroMeterTest, TheBarIsDrawnUpwardsFromTheBottomEdge)
{
    BaroMeter *meter = new BaroMeter(manager, scene);
    meter->LoadImage(contents, "gauge");
    SDL_Rect at{40, 100, 0, 0};
    meter->SetRelativePosition(at);
    meter->SetValue(37.9);
    meter->Draw(screen);
    EXPECT_EQ(ScreenPixel(40, 225), 0u);
    EXPECT_EQ(ScreenPixel(40, 226), MeterRow(0, 126) & 0xFFFFFF);
    EXPECT_EQ(ScreenPixel(69, 299), MeterRow(0, 199) & 0xFFFFFF);
    EXPECT_EQ(ScreenPixel(40, 300), 0u);
    EXPECT_EQ(ScreenPixel(70, 260), 0u);

    // Empty: nothing at all.
    manager->ClearScreen();
    meter->SetValue(0);
    meter->Draw(screen);
    EXPECT_EQ(ScreenPixel(40, 299), 0u);
}

TEST_F(BaroMeterTest, AnAnimationMeterGlidesToItsTargetAndLandsExactly)
{
    game->SetTime(1000);
    AnimationMeter *meter = new AnimationMeter(manager, scene);
    EXPECT_EQ(meter->beforeTime, 1000u);
    EXPECT_EQ(meter->startTime, 1000u);
    EXPECT_EQ(meter->GetValue(), 0);
    meter->LoadImage(contents, "gauge");
    meter->SetValue(0);
    meter->SetTargetValue(80);
    meter->SetSpeed(0.16);
    EXPECT_EQ(meter->GetValue(), 0); // only Idle moves it

    Uint32 arrived = 0;
    double previous = 0;
    for (Uint32 t = 1001; t <= 1700 && arrived == 0; ++t) {
        IdleWalk(t);
        ASSERT_GE(meter->GetValue(), previous);
        ASSERT_LE(meter->GetValue(), 80.0);
        previous = meter->GetValue();
        if (meter->GetValue() == 80.0) {
            arrived = t;
        }
    }
    EXPECT_NEAR(static_cast<double>(arrived), 1500.0, 1.0);
    EXPECT_EQ(meter->frameRect.h, 160);
    IdleWalk(2000);
    EXPECT_EQ(meter->GetValue(), 80.0);

    // Down again, a long frame: arrives exactly instead of overshooting.
    meter->SetTargetValue(10);
    IdleWalk(2001);
    EXPECT_DOUBLE_EQ(meter->GetValue(), 80 - 0.16);
    IdleWalk(60000);
    EXPECT_EQ(meter->GetValue(), 10.0);
}

TEST_F(BaroMeterTest, AnimationMeterTargetsAndSpeedsAreSanitised)
{
    AnimationMeter *meter = new AnimationMeter(manager, scene);
    meter->SetTargetValue(120);
    EXPECT_EQ(meter->target, 100);
    meter->SetTargetValue(-3);
    EXPECT_EQ(meter->target, 0);
    meter->SetSpeed(-0.5);
    EXPECT_EQ(meter->speed, 0.5);

    // Its own Idle replaces the sliding window, whatever interval is set.
    meter->LoadImage(contents, "gauge");
    meter->SetFrames(3);
    meter->SetInterval(10);
    meter->SetValue(50);
    meter->SetTargetValue(50);
    IdleWalk(1234);
    EXPECT_EQ(meter->frameRect.x, 0);
    meter->SetTargetValue(60);
    IdleWalk(1240);
    EXPECT_EQ(meter->frameRect.x, 0);
}

TEST_F(BaroMeterTest, TheCaptionIsCentredUnderTheWholeImage)
{
    AnimationMeter *meter = new AnimationMeter(manager, scene);
    meter->LoadImage(contents, "gauge");
    meter->SetValue(10);
    meter->SetCaption("EXCELLENT", 0xFFFFFFFF, 20);
    EXPECT_EQ(meter->captionText, "EXCELLENT");
    SDL_Surface *text = contents->GetString(20, "EXCELLENT", 0xFFFFFFFF);
    ASSERT_NE(text, nullptr);
    ASSERT_GT(text->w, 30);
    EXPECT_EQ(meter->caption->surface, text);
    // Wider than the meter: the caption starts left of it, truncated towards zero.
    EXPECT_EQ(meter->caption->position.x, (30 - text->w) / 2);
    EXPECT_EQ(meter->caption->position.y, 200);
    EXPECT_EQ(meter->GetWidth(), text->w);
    EXPECT_EQ(meter->GetHeight(), 200);

    meter->SetCaption("1", 0xFFFFFFFF, 10);
    SDL_Surface *one = contents->GetString(10, "1", 0xFFFFFFFF);
    EXPECT_EQ(meter->caption->position.x, (30 - one->w) / 2);
    EXPECT_EQ(meter->GetWidth(), 30);

    // The caption is a child: it is drawn with the meter and destroyed with it.
    ASSERT_EQ(meter->children.size(), 1u);
    EXPECT_EQ(meter->children.front(), meter->caption);
}

} // namespace
