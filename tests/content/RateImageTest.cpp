// Tests of the rate image: the texts and colours of the eleven rates, the dash, and drawing
// every rate centred on one axis.
#include "content/RateImage.h"

#include <gtest/gtest.h>

#include "ContentFixture.h"

using contenttest::StrongestPixel;
using contenttest::WidgetTest;

namespace {

class RateImageTest : public WidgetTest
{
protected:
    // Horizontal middle of the lit screen columns.
    double InkCentre()
    {
        int first = -1, last = -1;
        for (int x = 0; x < screen->w; ++x) {
            for (int y = 0; y < screen->h; ++y) {
                if (ScreenPixel(x, y) != 0) {
                    if (first < 0) {
                        first = x;
                    }
                    last = x;
                    break;
                }
            }
        }
        return first < 0 ? -1 : (first + last) / 2.0;
    }
};

TEST_F(RateImageTest, RatesRunFromBlueToRedAndOthersShowAWhiteDash)
{
    RateImage *rate = new RateImage(manager, scene);
    EXPECT_EQ(rate->surface, nullptr); // nothing until SetRate
    const int size = 4 * contents->GetDefaultFontSize();
    const char *texts[11] = {"G", "F", "E", "D", "C", "B", "A", "AA", "S", "SS", "SSS"};
    int widest = 0, tallest = 0;
    for (int j = 0; j < 11; ++j) {
        SDL_Surface *expected =
            contents->GetString(size, texts[j], ((35u + 20 * j) << 16) | (255u - 20 * j));
        ASSERT_NE(expected, nullptr);
        EXPECT_EQ(rate->rates[j].surface, expected) << texts[j];
        widest = std::max(widest, expected->w);
        tallest = std::max(tallest, expected->h);
    }
    SDL_Surface *dash = contents->GetString(size, "-", 0xFFFFFFFF);
    EXPECT_EQ(rate->other.surface, dash);
    widest = std::max(widest, dash->w);
    tallest = std::max(tallest, dash->h);
    EXPECT_EQ(rate->GetWidth(), widest);
    EXPECT_EQ(rate->GetHeight(), tallest);

    rate->SetRate(10);
    EXPECT_EQ(rate->surface, rate->rates[10].surface);
    EXPECT_EQ(StrongestPixel(rate->surface) & 0xFFFFFF, 0xEB0037u); // red 235, blue 55
    rate->SetRate(0);
    EXPECT_EQ(StrongestPixel(rate->surface) & 0xFFFFFF, 0x2300FFu); // red 35, blue 255
    rate->SetRate(11);
    EXPECT_EQ(rate->surface, dash);
    rate->SetRate(-1);
    EXPECT_EQ(rate->surface, dash);
    EXPECT_EQ(StrongestPixel(rate->surface) & 0xFFFFFF, 0xFFFFFFu);
}

TEST_F(RateImageTest, EveryRateIsCentredOnOneAxis)
{
    RateImage *rate = new RateImage(manager, scene);
    SDL_Rect at{100, 50, 0, 0};
    rate->SetRelativePosition(at);
    const double axis = 100 + rate->GetWidth() / 2.0;
    for (int index : {10, 0, 7, 5, -1}) {
        manager->ClearScreen();
        rate->SetRate(index);
        rate->Draw(screen);
        EXPECT_NEAR(InkCentre(), axis, 4.0) << index;
    }
}

} // namespace
