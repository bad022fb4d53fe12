// Tests of the string selector: bounded left/right with sounds only on a move, change
// reports, drawing bright or grey with the arrows that lead somewhere, and Clear.
#include "content/StringSelector.h"

#include <gtest/gtest.h>

#include <SDL_mixer.h>

#include <algorithm>

#include "ContentFixture.h"

using contenttest::WidgetTest;

namespace {

void CountCall(void *counter)
{
    ++*static_cast<int *>(counter);
}

class StringSelectorTest : public WidgetTest
{
protected:
    StringSelector *selector = nullptr;
    int changes = 0;

    void SetUp() override
    {
        WidgetTest::SetUp();
        ASSERT_TRUE(contenttest::WriteWav(game->Dir() + "/wav/tick.wav", 2000));
        ASSERT_TRUE(MakeImage("test_left", 10, 10, 0xFFFF0000));
        ASSERT_TRUE(MakeImage("test_right", 12, 8, 0xFF00FF00));
        selector = new StringSelector(manager, scene);
        selector->PushString("Easy");
        selector->PushString("Normal");
        selector->PushString("Hard");
        selector->SetSelectChunk("tick");
        selector->SetLeftArrow("test_left");
        selector->SetRightArrow("test_right");
        selector->SetRect(SDL_Rect{100, 50, 300, 40});
        selector->PushChangedEvent(CountCall, &changes);
    }

    bool Press(int code)
    {
        Mix_HaltChannel(-1);
        SDL_Event event;
        event.type = SDL_USEREVENT;
        event.user.code = code;
        selector->Event(&event);
        return Mix_Playing(-1) > 0;
    }

    bool LeftArrowShown()
    {
        return ScreenPixel(100, 50 + selector->GetHeight() / 2 - 5) == 0xFF0000u;
    }
    bool RightArrowShown()
    {
        return ScreenPixel(399, 50 + selector->GetHeight() / 2 - 4) == 0x00FF00u;
    }
    // Brightest colour in the text area between the arrows.
    Uint32 TextColour()
    {
        Uint32 best = 0;
        for (int y = 50; y < 50 + selector->GetHeight(); ++y) {
            for (int x = 115; x < 385; ++x) {
                Uint32 pixel = ScreenPixel(x, y);
                if ((pixel & 0xFF) > (best & 0xFF)) {
                    best = pixel;
                }
            }
        }
        return best;
    }
    void Redraw()
    {
        manager->ClearScreen();
        selector->Draw(screen);
    }
};

TEST_F(StringSelectorTest, LeftAndRightStopAtTheEndsWithoutASound)
{
    EXPECT_FALSE(Press(0));
    EXPECT_EQ(selector->GetSelect(), 0);
    EXPECT_EQ(changes, 1); // reported although nothing moved
    EXPECT_TRUE(Press(1));
    EXPECT_TRUE(Press(1));
    EXPECT_EQ(selector->GetSelect(), 2);
    EXPECT_FALSE(Press(1));
    EXPECT_EQ(selector->GetSelect(), 2);
    EXPECT_EQ(changes, 4);
    EXPECT_TRUE(Press(0));
    EXPECT_EQ(selector->GetSelect(), 1);

    for (int code : {2, 3, 4, 5}) {
        EXPECT_FALSE(Press(code));
    }
    SDL_Event key;
    key.type = SDL_KEYDOWN;
    selector->Event(&key);
    EXPECT_EQ(selector->GetSelect(), 1);
    EXPECT_EQ(changes, 5);
}

TEST_F(StringSelectorTest, SetSelectTakesOnlyIndexesInRange)
{
    selector->SetSelect(2);
    EXPECT_EQ(selector->GetSelect(), 2);
    EXPECT_EQ(changes, 1);
    selector->SetSelect(3);
    selector->SetSelect(-1);
    EXPECT_EQ(selector->GetSelect(), 2);
    EXPECT_EQ(changes, 1);
}

TEST_F(StringSelectorTest, OnlyArrowsThatLeadSomewhereAreDrawnAndOnlyWhenActive)
{
    // The tallest of the three ("Easy" reaches below the line).
    int tallest = 0;
    for (const char *text : {"Easy", "Normal", "Hard"}) {
        tallest = std::max(tallest, contents->GetString(text, 0xFF808080)->h);
    }
    EXPECT_EQ(selector->GetHeight(), tallest);
    Redraw();
    EXPECT_FALSE(LeftArrowShown());
    EXPECT_TRUE(RightArrowShown());
    EXPECT_EQ(TextColour(), 0xFFFFFFu);

    selector->SetSelect(1);
    Redraw();
    EXPECT_TRUE(LeftArrowShown());
    EXPECT_TRUE(RightArrowShown());

    selector->SetSelect(2);
    Redraw();
    EXPECT_TRUE(LeftArrowShown());
    EXPECT_FALSE(RightArrowShown());

    selector->active = false;
    Redraw();
    EXPECT_FALSE(LeftArrowShown());
    EXPECT_FALSE(RightArrowShown());
    EXPECT_EQ(TextColour(), 0x808080u);
}

TEST_F(StringSelectorTest, TheStringIsCentredAndTopAligned)
{
    selector->SetSelect(1);
    Redraw();
    SDL_Surface *text = contents->GetString("Normal", 0xFFFFFFFF);
    const int left = 100 + 150 - text->w / 2;
    int firstLit = -1, lastLit = -1, topLit = -1;
    for (int x = 112; x < 388; ++x) {
        for (int y = 40; y < 100; ++y) {
            if (ScreenPixel(x, y) != 0) {
                if (firstLit < 0) {
                    firstLit = x;
                }
                lastLit = x;
                if (topLit < 0 || y < topLit) {
                    topLit = y;
                }
            }
        }
    }
    EXPECT_GE(firstLit, left);
    EXPECT_LT(lastLit, left + text->w);
    EXPECT_GE(topLit, 50);
    EXPECT_LT(topLit, 50 + text->h / 2);
}

TEST_F(StringSelectorTest, ClearKeepsTheIndexAndDrawsNothingUntilRefilled)
{
    selector->SetSelect(2);
    selector->Clear();
    EXPECT_EQ(selector->GetSize(), 0);
    EXPECT_EQ(selector->GetSelect(), 2);
    Redraw();
    EXPECT_EQ(TextColour(), 0u);
    // Events on an empty selector do not leave the index negative.
    EXPECT_FALSE(Press(1));
    EXPECT_GE(selector->GetSelect(), 0);

    selector->PushString("\x83\x51\x81\x5B\x83\x80"); // Shift-JIS caption
    selector->PushString("Exit");
    selector->SetSelect(0);
    Redraw();
    EXPECT_EQ(TextColour(), 0xFFFFFFu);
    EXPECT_EQ(selector->bright[0]->surface,
              contents->GetString("\x83\x51\x81\x5B\x83\x80", 0xFFFFFFFF));
}

} // namespace
