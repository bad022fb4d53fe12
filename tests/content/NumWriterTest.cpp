// Tests of the number writer: digit cells of an image, layout of printed numbers, the
// rectangle it is given, bad input and font digits.
#include "content/NumWriter.h"

#include <gtest/gtest.h>

#include <climits>

#include "ContentFixture.h"

using contenttest::ContentTest;
using contenttest::PixelAt;
using contenttest::WritePng;

namespace {

// Each digit cell of the test picture has its own colour.
Uint32 DigitColour(int digit)
{
    return 0xFF000000u | (Uint32(20 + 20 * digit) << 16) | 0x40;
}

class NumWriterTest : public ContentTest
{
protected:
    SDL_Surface *target = nullptr;

    void SetUp() override
    {
        ContentTest::SetUp();
        target = SDL_CreateRGBSurface(0, 400, 60, 32, 0xFF0000, 0xFF00, 0xFF, 0);
        ASSERT_NE(target, nullptr);
        SDL_FillRect(target, nullptr, 0);
        // 250 x 40: ten cells of 25 pixels.
        ASSERT_TRUE(
            WritePng(ImagePath("num"), 250, 40, [](int x, int) { return DigitColour(x / 25); }));
    }

    void TearDown() override
    {
        SDL_FreeSurface(target);
        ContentTest::TearDown();
    }

    // The digit drawn in the 25-pixel cell that starts at x, read from its middle.
    int DigitAt(int x, int y)
    {
        Uint32 pixel = PixelAt(target, x + 12, y + 20) & 0xFFFFFF;
        for (int d = 0; d < 10; ++d) {
            if (pixel == (DigitColour(d) & 0xFFFFFF)) {
                return d;
            }
        }
        return -1;
    }
};

TEST_F(NumWriterTest, ImageDigitsAreTenCellsSpreadOverTheWholeWidth)
{
    NumWriter writer;
    ASSERT_TRUE(writer.Init(contents, "num", 100, 100));
    EXPECT_EQ(writer.digitRects[7].x, 175);
    EXPECT_EQ(writer.digitRects[7].y, 0);
    EXPECT_EQ(writer.digitRects[7].w, 25);
    EXPECT_EQ(writer.digitRects[7].h, 40);
    EXPECT_EQ(writer.GetHeight(), 40);
    for (int d = 0; d < 10; ++d) {
        EXPECT_EQ(writer.digitSurfaces[d], contents->GetImage("num"));
    }

    // 255 wide: digit 7 starts at 7 * 255 / 10 = 178, not at 7 * 25.
    ASSERT_TRUE(WritePng(ImagePath("wide"), 255, 40, 0xFF102030));
    ASSERT_TRUE(writer.Init(contents, "wide", 100, 100));
    EXPECT_EQ(writer.digitRects[7].x, 178);
    EXPECT_EQ(writer.digitRects[7].w, 25);
    EXPECT_EQ(writer.digitRects[9].x, 229);

    // Scaled digits: half size.
    ASSERT_TRUE(writer.Init(contents, "num", 50, 50));
    EXPECT_EQ(writer.digitRects[7].x, 7 * 125 / 10);
    EXPECT_EQ(writer.GetHeight(), 20);

    // A missing picture fails and keeps the digits already there.
    EXPECT_FALSE(writer.Init(contents, "missing", 100, 100));
    EXPECT_EQ(writer.GetHeight(), 20);
    EXPECT_EQ(writer.digitSurfaces[0], contents->GetImage("num", 50, 50));
}

TEST_F(NumWriterTest, NumbersArePrintedLeftToRightAndTheRectangleIsRestored)
{
    NumWriter writer;
    ASSERT_TRUE(writer.Init(contents, "num", 100, 100));
    SDL_Rect where{10, 5, 33, 44};
    EXPECT_EQ(writer.Print(1203, target, &where, -1), 110);
    EXPECT_EQ(where.x, 10);
    EXPECT_EQ(where.y, 5);
    EXPECT_EQ(where.w, 33);
    EXPECT_EQ(where.h, 44);
    EXPECT_EQ(DigitAt(10, 5), 1);
    EXPECT_EQ(DigitAt(35, 5), 2);
    EXPECT_EQ(DigitAt(60, 5), 0);
    EXPECT_EQ(DigitAt(85, 5), 3);
    EXPECT_EQ(DigitAt(110, 5), -1);
    EXPECT_EQ(writer.GetWidth(1203), 100);

    SDL_Rect zero{200, 5, 0, 0};
    EXPECT_EQ(writer.Print(0, target, &zero, -1), 225);
    EXPECT_EQ(DigitAt(200, 5), 0);
    EXPECT_EQ(writer.GetWidth(0), 25);
    EXPECT_EQ(writer.GetWidth(10), 50);
    EXPECT_EQ(writer.GetWidth(99), 50);
    EXPECT_EQ(writer.GetWidth(100), 75);

    // Clipped at the right edge: later digits keep their places.
    SDL_Rect edge{390, 5, 0, 0};
    EXPECT_EQ(writer.Print(56, target, &edge, -1), 440);
    EXPECT_EQ(edge.x, 390);
    EXPECT_EQ(PixelAt(target, 395, 25) & 0xFFFFFF, DigitColour(5) & 0xFFFFFF);
}

TEST_F(NumWriterTest, NegativeAndHugeValuesStayWithinTheTenDigits)
{
    NumWriter writer;
    ASSERT_TRUE(writer.Init(contents, "num", 100, 100));
    SDL_Rect where{10, 5, 0, 0};
    EXPECT_EQ(writer.Print(-1, target, &where, -1), 10);
    EXPECT_EQ(writer.Print(INT_MIN, target, &where, -1), 10);
    EXPECT_EQ(writer.GetWidth(-7), 0);
    EXPECT_EQ(writer.GetWidth(INT_MIN), 0);
    EXPECT_EQ(PixelAt(target, 22, 25) & 0xFFFFFF, 0u);

    // 2147483647 has ten digits.
    EXPECT_EQ(writer.GetWidth(INT_MAX), 250);
    EXPECT_EQ(writer.Print(INT_MAX, target, &where, -1), 260);
    EXPECT_EQ(DigitAt(10, 5), 2);
    EXPECT_EQ(DigitAt(235, 5), 7);
}

TEST_F(NumWriterTest, PositiveMinDigitsPrintsLeadingZeros)
{
    NumWriter writer;
    ASSERT_TRUE(writer.Init(contents, "num", 100, 100));
    SDL_Rect where{0, 0, 0, 0};
    EXPECT_EQ(writer.Print(5, target, &where, 3), 100);
    EXPECT_EQ(DigitAt(0, 0), 0);
    EXPECT_EQ(DigitAt(50, 0), 0);
    EXPECT_EQ(DigitAt(75, 0), 5);
    // Already long enough: no padding.
    EXPECT_EQ(writer.Print(12345, target, &where, 3), 125);
    // Absurd paddings do not overflow.
    EXPECT_GT(writer.Print(5, target, &where, 40), 0);
}

TEST_F(NumWriterTest, FontDigitsAreProportionalAndMeasuredLikeThePrint)
{
    NumWriter writer;
    EXPECT_EQ(writer.GetWidth(123), 0); // nothing before Init
    SDL_Rect where{0, 0, 0, 0};
    EXPECT_EQ(writer.Print(123, target, &where, -1), 0);

    ASSERT_TRUE(writer.Init(contents, 0, 0xFFFFFFFF));
    EXPECT_EQ(writer.digitSurfaces[7], contents->GetString(24, "7", 0xFFFFFFFF));
    EXPECT_EQ(writer.GetHeight(), contents->GetString("0")->h);
    SDL_Rect at{3, 2, 0, 0};
    const int end = writer.Print(1203, target, &at, -1);
    EXPECT_EQ(end - 3, writer.GetWidth(1203));
    EXPECT_EQ(writer.GetWidth(1203), contents->GetString("1")->w + contents->GetString("2")->w +
                                         contents->GetString("0")->w + contents->GetString("3")->w);

    NumWriter large;
    ASSERT_TRUE(large.Init(contents, 48, 0xFFFF0000));
    EXPECT_GT(large.GetHeight(), writer.GetHeight());
    EXPECT_EQ(large.digitSurfaces[0], contents->GetString(48, "0", 0xFFFF0000));
}

} // namespace
