// Tests of the string selector: bounded left/right with a sound only on a move, change
// reports, drawing bright or grey with the arrows that lead somewhere, and Clear.
#include "widgets/StringSelector.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "content/ContentFixture.h"

namespace {

class StringSelectorTest : public contenttest::WidgetTest
{
protected:
    StringSelector *selector = nullptr;
    int changes = 0;

    void SetUp() override
    {
        WidgetTest::SetUp();
        ASSERT_TRUE(MakeImage("test_left", 10, 10, 0xFF0000));
        ASSERT_TRUE(MakeImage("test_right", 12, 8, 0x00FF00));
        selector = new StringSelector(manager, scene);
        for (const char *text : {"Easy", "Normal", "Hard"}) {
            selector->PushString(text);
        }
        selector->SetSelectChunk(longSound);
        selector->SetLeftArrow("test_left");
        selector->SetRightArrow("test_right");
        selector->SetRect(SDL_Rect{100, 50, 300, 40});
        selector->PushChangedEvent(contenttest::CountCall, &changes);
    }

    // Draws afresh; tells which arrows show and the brightest text colour between them.
    void Look(bool &left, bool &right, Uint32 &text)
    {
        manager->ClearScreen();
        selector->Draw(screen);
        const int middle = 50 + selector->GetHeight() / 2;
        left = ScreenPixel(100, middle - 5) == 0xFF0000;
        right = ScreenPixel(399, middle - 4) == 0x00FF00;
        text = 0;
        for (int y = 50; y < 50 + selector->GetHeight(); ++y) {
            for (int x = 115; x < 385; ++x) {
                text = std::max(text, ScreenPixel(x, y));
            }
        }
    }
};

TEST_F(StringSelectorTest, LeftAndRightStopAtTheEndsWithoutASound)
{
    EXPECT_FALSE(SoundsOn(selector, 0));
    EXPECT_EQ(selector->GetSelect(), 0);
    EXPECT_EQ(changes, 1); // reported although nothing moved
    EXPECT_TRUE(SoundsOn(selector, 1));
    EXPECT_TRUE(SoundsOn(selector, 1));
    EXPECT_FALSE(SoundsOn(selector, 1));
    EXPECT_EQ(selector->GetSelect(), 2);
    EXPECT_EQ(changes, 4);
    EXPECT_FALSE(SoundsOn(selector, 4));
    EXPECT_EQ(changes, 4);

    selector->SetSelect(3);
    selector->SetSelect(-1);
    EXPECT_EQ(selector->GetSelect(), 2);
    EXPECT_EQ(changes, 4);
    selector->SetSelect(1);
    EXPECT_EQ(changes, 5);
}

TEST_F(StringSelectorTest, OnlyArrowsThatLeadSomewhereShowAndOnlyWhenActive)
{
    bool left, right;
    Uint32 text;
    Look(left, right, text);
    EXPECT_FALSE(left);
    EXPECT_TRUE(right);
    EXPECT_EQ(text, 0xFFFFFFu);
    selector->SetSelect(1);
    Look(left, right, text);
    EXPECT_TRUE(left);
    EXPECT_TRUE(right);
    selector->SetSelect(2);
    Look(left, right, text);
    EXPECT_TRUE(left);
    EXPECT_FALSE(right);
    selector->active = false;
    Look(left, right, text);
    EXPECT_FALSE(left);
    EXPECT_FALSE(right);
    EXPECT_EQ(text, 0x808080u);
}

TEST_F(StringSelectorTest, ClearKeepsTheIndexAndDrawsNothingUntilRefilled)
{
    selector->SetSelect(2);
    selector->Clear();
    EXPECT_EQ(selector->GetSelect(), 2);
    bool left, right;
    Uint32 text;
    Look(left, right, text);
    EXPECT_EQ(text, 0u);
    EXPECT_FALSE(SoundsOn(selector, 1));
    EXPECT_GE(selector->GetSelect(), 0);              // never negative on an empty selector
    selector->PushString("\x83\x51\x81\x5B\x83\x80"); // a Shift-JIS caption
    selector->SetSelect(0);
    Look(left, right, text);
    EXPECT_EQ(text, 0xFFFFFFu);
    EXPECT_FALSE(right);
}

} // namespace

// A choice wider than the room between the arrows (a long device name, say) is set smaller and
// shortened with an ellipsis, and drawn clear of both arrows; one that fits is shown whole.
TEST_F(StringSelectorTest, AChoiceTooWideForTheRoomBetweenTheArrowsIsShortened)
{
    selector->PushString("A MIDI output with a name far too long for the room the row has");
    selector->SetSelect(3);
    selector->SetRect(SDL_Rect{100, 50, 200, 40});
    bool left, right;
    Uint32 text;
    Look(left, right, text);
    EXPECT_TRUE(left);
    const SDL_Surface *shown = selector->bright[3]->surface;
    ASSERT_NE(shown, nullptr);
    // The text stands centred, so it must leave the arrows' widths (12 pixels) free on both sides.
    EXPECT_LE(shown->w, 200 - 2 * 12);
    EXPECT_GT(shown->w, 100) << "shortened, not dropped";
    // The columns of either arrow hold nothing but the arrow and the black screen.
    for (int y = 50; y < 50 + selector->GetHeight(); ++y)
        for (int x : {100, 105, 109, 288, 294, 299}) {
            const Uint32 pixel = ScreenPixel(x, y);
            EXPECT_TRUE(pixel == 0 || pixel == 0xFF0000u || pixel == 0x00FF00u)
                << x << "," << y << ": " << std::hex << pixel;
        }
    selector->SetSelect(1);
    Look(left, right, text);
    EXPECT_EQ(selector->bright[1]->surface->w,
              manager->GetContentsManager()->GetTextWidth(0, "Normal"));
}
