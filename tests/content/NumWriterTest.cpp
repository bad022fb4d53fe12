// Tests of the number writer: digit cells of an image, left-to-right layout, the rectangle
// it is given, values it must not index with, and font digits.
#include "content/NumWriter.h"

#include <gtest/gtest.h>

#include <climits>

#include "content/ContentFixture.h"

namespace {

// Each 25-pixel digit cell of the test picture has its own colour.
Uint32 DigitColour(int digit)
{
    return Uint32(20 + 20 * digit) << 16;
}

class NumWriterTest : public contenttest::WidgetTest
{
protected:
    NumWriter writer;

    void SetUp() override
    {
        WidgetTest::SetUp();
        ASSERT_TRUE(MakeImage("digits", 250, 40, [](int x, int) { return DigitColour(x / 25); }));
        ASSERT_TRUE(writer.Init(contents, "digits", 100, 100));
    }

    // The digit drawn in the cell that starts at x (row y), or -1.
    int DigitAt(int x, int y)
    {
        for (int d = 0; d < 10; ++d) {
            if (ScreenPixel(x + 12, y + 20) == DigitColour(d)) {
                return d;
            }
        }
        return -1;
    }
};

TEST_F(NumWriterTest, ImageDigitsAreTenCellsSpreadOverTheWholeWidth)
{
    EXPECT_EQ(writer.digitRects[7].x, 175);
    EXPECT_EQ(writer.digitRects[7].w, 25);
    EXPECT_EQ(writer.digitRects[7].h, 40);
    EXPECT_EQ(writer.GetHeight(), 40);
    // 255 wide: digit 7 starts at 7 * 255 / 10 = 178.
    ASSERT_TRUE(MakeImage("wide", 255, 40, 0x102030));
    ASSERT_TRUE(writer.Init(contents, "wide", 100, 100));
    EXPECT_EQ(writer.digitRects[7].x, 178);
    EXPECT_EQ(writer.digitRects[7].w, 25);
    // A missing picture fails and keeps the digits there were.
    EXPECT_FALSE(writer.Init(contents, "missing", 100, 100));
    EXPECT_EQ(writer.digitSurfaces[0], contents->GetImage("wide"));
}

TEST_F(NumWriterTest, NumbersArePrintedLeftToRightAndTheRectangleIsRestored)
{
    SDL_Rect where{10, 5, 33, 44};
    EXPECT_EQ(writer.Print(1203, screen, &where, -1), 110);
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

    SDL_Rect zero{200, 100, 0, 0};
    EXPECT_EQ(writer.Print(0, screen, &zero, -1), 225);
    EXPECT_EQ(DigitAt(200, 100), 0);
    EXPECT_EQ(writer.GetWidth(100), 75);

    // Clipped at the right edge: the digits keep their places.
    SDL_Rect edge{630, 200, 0, 0};
    EXPECT_EQ(writer.Print(56, screen, &edge, -1), 680);
    EXPECT_EQ(ScreenPixel(635, 220), DigitColour(5));
}

TEST_F(NumWriterTest, NegativeAndHugeValuesStayWithinTheTenDigits)
{
    SDL_Rect where{10, 5, 0, 0};
    EXPECT_EQ(writer.Print(-1, screen, &where, -1), 10);
    EXPECT_EQ(writer.Print(INT_MIN, screen, &where, -1), 10);
    EXPECT_EQ(writer.GetWidth(-7), 0);
    EXPECT_EQ(ScreenPixel(22, 25), 0u);
    EXPECT_EQ(writer.GetWidth(INT_MAX), 250);
    EXPECT_EQ(writer.Print(INT_MAX, screen, &where, -1), 260);
    EXPECT_EQ(DigitAt(235, 5), 7);
    EXPECT_EQ(writer.Print(5, screen, &where, 3), 110); // leading zeros: "0005"
    EXPECT_GT(writer.Print(5, screen, &where, 40), 10); // absurd padding, no overflow
}

TEST_F(NumWriterTest, FontDigitsAreMeasuredLikeThePrint)
{
    NumWriter font;
    EXPECT_EQ(font.GetWidth(123), 0); // nothing before Init
    ASSERT_TRUE(font.Init(contents, 0, 0xFFFFFFFF));
    EXPECT_EQ(font.digitSurfaces[7], contents->GetString(24, "7", 0xFFFFFFFF));
    EXPECT_EQ(font.GetHeight(), contents->GetString("0")->h);
    SDL_Rect at{3, 2, 0, 0};
    EXPECT_EQ(font.Print(1203, screen, &at, -1) - 3, font.GetWidth(1203));
    EXPECT_EQ(font.GetWidth(1203), contents->GetString("1")->w + contents->GetString("2")->w +
                                       contents->GetString("0")->w + contents->GetString("3")->w);
}

} // namespace
