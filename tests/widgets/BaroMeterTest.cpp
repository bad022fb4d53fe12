// Tests of the bar gauges: bar heights and clamping, drawing from the bottom edge, gliding to
// a target and landing on it, and the caption under an animated meter.
#include "widgets/BaroMeter.h"

#include <gtest/gtest.h>

#include <cmath>

#include "content/ContentFixture.h"
#include "widgets/AnimationMeter.h"

namespace {

// 30 x 200 meter picture; green tells the rows apart.
Uint32 MeterRow(int, int y)
{
    return 0x800000u | (Uint32(y) << 8);
}

class BaroMeterTest : public contenttest::WidgetTest
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
    meter->LoadImage(contents, "gauge");
    EXPECT_EQ(meter->GetValue(), 100);
    meter->SetValue(150);
    EXPECT_EQ(meter->GetValue(), 100);
    EXPECT_EQ(meter->frameRect.h, 200);
    meter->SetValue(-5);
    EXPECT_EQ(meter->GetValue(), 0);
    EXPECT_EQ(meter->frameRect.h, 0);
    meter->SetValue(50);
    meter->SetValue(std::nan("")); // an empty bar, never an undefined height
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

    meter->SetValue(37.9);
    EXPECT_EQ(meter->frameRect.h, 74);
    EXPECT_EQ(meter->frameRect.y, 126);
    SDL_Rect at{40, 100, 0, 0};
    meter->SetRelativePosition(at);
    meter->Draw(screen);
    EXPECT_EQ(ScreenPixel(40, 225), 0u);
    EXPECT_EQ(ScreenPixel(40, 226), MeterRow(0, 126));
    EXPECT_EQ(ScreenPixel(40, 300), 0u);
}

TEST_F(BaroMeterTest, AnAnimationMeterGlidesToItsTargetAndLandsExactly)
{
    game->SetTime(1000);
    AnimationMeter *meter = new AnimationMeter(manager, scene);
    EXPECT_EQ(meter->beforeTime, 1000u);
    EXPECT_EQ(meter->GetValue(), 0);
    meter->LoadImage(contents, "gauge");
    meter->SetValue(0);
    meter->SetTargetValue(80);
    meter->SetSpeed(0.16);
    Uint32 arrived = 0;
    for (Uint32 t = 1001; t <= 1700 && arrived == 0; ++t) {
        IdleWalk(t);
        ASSERT_LE(meter->GetValue(), 80.0);
        arrived = meter->GetValue() == 80.0 ? t : 0;
    }
    EXPECT_NEAR(arrived, 1500.0, 1.0);
    EXPECT_EQ(meter->frameRect.h, 160);

    // A long frame on the way down lands on the target instead of overshooting.
    meter->SetTargetValue(10);
    IdleWalk(60000);
    EXPECT_EQ(meter->GetValue(), 10.0);

    meter->SetTargetValue(120);
    EXPECT_EQ(meter->target, 100);
    meter->SetTargetValue(-3);
    EXPECT_EQ(meter->target, 0);
    meter->SetSpeed(-0.5);
    EXPECT_EQ(meter->speed, 0.5);

    // Its own Idle replaces the sliding window, whatever interval is set.
    meter->SetFrames(3);
    meter->SetInterval(10);
    IdleWalk(60010);
    EXPECT_EQ(meter->frameRect.x, 0);
    EXPECT_EQ(meter->GetValue(), 5.0);
}

TEST_F(BaroMeterTest, TheCaptionIsCentredUnderTheWholeImage)
{
    AnimationMeter *meter = new AnimationMeter(manager, scene);
    meter->LoadImage(contents, "gauge");
    meter->SetValue(10);
    meter->SetCaption("EXCELLENT", 0xFFFFFFFF, 20);
    SDL_Surface *text = contents->GetString(20, "EXCELLENT", 0xFFFFFFFF);
    ASSERT_GT(text->w, 30);
    EXPECT_EQ(meter->caption->surface, text);
    // Wider than the meter: it starts left of it, the halving truncated towards zero.
    EXPECT_EQ(meter->caption->position.x, (30 - text->w) / 2);
    EXPECT_EQ(meter->caption->position.y, 200);
    EXPECT_EQ(meter->GetWidth(), text->w);
    EXPECT_EQ(meter->GetHeight(), 200);
    meter->SetCaption("1", 0xFFFFFFFF, 10);
    EXPECT_EQ(meter->GetWidth(), 30);
    EXPECT_EQ(meter->children.front(), meter->caption);
}

} // namespace
