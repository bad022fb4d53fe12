// Tests of the rate image: texts and colours of the eleven rates and the dash, and every
// rate drawn centred on one axis.
#include "widgets/RateImage.h"

#include <gtest/gtest.h>

#include "content/ContentFixture.h"

using contenttest::StrongestPixel;

namespace {

using RateImageTest = contenttest::WidgetTest;

TEST_F(RateImageTest, RatesRunFromBlueToRedAndOthersShowAWhiteDash)
{
    RateImage *rate = new RateImage(manager, scene);
    EXPECT_EQ(rate->surface, nullptr); // nothing until SetRate
    const char *texts[11] = {"G", "F", "E", "D", "C", "B", "A", "AA", "S", "SS", "SSS"};
    for (int j = 0; j < 11; ++j) {
        EXPECT_EQ(rate->rates[j].surface,
                  contents->GetString(96, texts[j], ((35u + 20 * j) << 16) | (255u - 20 * j)));
    }
    EXPECT_EQ(rate->GetWidth(), rate->rates[10].surface->w);
    rate->SetRate(10);
    EXPECT_EQ(StrongestPixel(rate->surface), 0xEB0037u); // red 235, blue 55
    rate->SetRate(0);
    EXPECT_EQ(StrongestPixel(rate->surface), 0x2300FFu);
    rate->SetRate(11);
    EXPECT_EQ(rate->surface, contents->GetString(96, "-", 0xFFFFFFFF));
    rate->SetRate(-1);
    EXPECT_EQ(StrongestPixel(rate->surface), 0xFFFFFFu);

    // A new video mode frees every text; the rate image renders its texts again.
    rate->SetRate(10);
    ASSERT_NE(manager->CreateWindow(800, 600, 32, 0), nullptr);
    manager->ReloadObject(scene);
    SDL_Surface *again = contents->GetString(96, "SSS", 0xEB0037);
    EXPECT_EQ(rate->surface, again);
    EXPECT_EQ(rate->rates[10].surface, again);
    rate->Draw(manager->GetScreen());
}

TEST_F(RateImageTest, EveryRateIsCentredOnOneAxis)
{
    RateImage *rate = new RateImage(manager, scene);
    SDL_Rect at{100, 50, 0, 0};
    rate->SetRelativePosition(at);
    for (int index : {10, 0, 7, -1}) {
        manager->ClearScreen();
        rate->SetRate(index);
        rate->Draw(screen);
        // Middle of the lit columns.
        int first = -1, last = -1;
        for (int x = 0; x < 640; ++x) {
            for (int y = 50; y < 50 + rate->GetHeight(); ++y) {
                if (ScreenPixel(x, y) != 0) {
                    first = first < 0 ? x : first;
                    last = x;
                    break;
                }
            }
        }
        EXPECT_NEAR((first + last) / 2.0, 100 + rate->GetWidth() / 2.0, 4.0) << index;
    }
}

} // namespace
