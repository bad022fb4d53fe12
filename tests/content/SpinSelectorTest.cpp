// Tests of the carousel: resting spot and centre geometry, wrap-around selection with its
// sound, the eased turn the short way round, active flags and an empty carousel.
#include "content/SpinSelector.h"

#include <gtest/gtest.h>

#include <SDL_mixer.h>

#include <cmath>

#include "ContentFixture.h"
#include "content/SpriteImage.h"

using contenttest::WidgetTest;

namespace {

void CountCall(void *counter)
{
    ++*static_cast<int *>(counter);
}

SDL_Event UserEvent(int code)
{
    SDL_Event event;
    event.type = SDL_USEREVENT;
    event.user.code = code;
    event.user.data1 = nullptr;
    event.user.data2 = nullptr;
    return event;
}

class SpinSelectorTest : public WidgetTest
{
protected:
    SpinSelector *selector = nullptr;
    int changes = 0;

    void SetUp() override
    {
        WidgetTest::SetUp();
        ASSERT_TRUE(contenttest::WriteWav(game->Dir() + "/wav/tick.wav", 2000));
        selector = new SpinSelector(manager, scene);
    }

    void Build(int items, SDL_Rect spot = {320, 240, 0, 0}, int radius = 640, Uint32 placement = 4)
    {
        SpinSelectorParameter parameter{spot, radius, placement};
        selector->Init(&parameter);
        for (int i = 0; i < items; ++i) {
            new SpriteImage(manager, selector->GetSelectionParent());
        }
        selector->SetSelectChunk("tick");
        selector->PushChangedEvent(CountCall, &changes);
    }

    // Sends one user event and tells whether the select sound started.
    bool Press(int code)
    {
        Mix_HaltChannel(-1);
        SDL_Event event = UserEvent(code);
        selector->Event(&event);
        return Mix_Playing(-1) > 0;
    }

    SDL_Rect Where(int index)
    {
        SDL_Rect at;
        selector->GetImage(index)->GetPosition(at);
        return at;
    }
};

TEST_F(SpinSelectorTest, TheChosenItemRestsOnTheSpotWithTruncatedCoordinates)
{
    Build(5);
    EXPECT_EQ(selector->centerX, 959);
    EXPECT_EQ(selector->centerY, 240);
    EXPECT_EQ(selector->changedPhase, 1);
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(selector->GetSize(), 5);
    for (int i = 0; i < 5; ++i) {
        EXPECT_TRUE(selector->GetImage(i)->active); // until the first Idle
    }
    IdleWalk(10);
    EXPECT_EQ(Where(0).x, 319);
    EXPECT_EQ(Where(0).y, 239);
    // Higher indexes follow clockwise on the screen: item 1 stands a fifth of a turn on,
    // above the resting spot.
    const double a1 = 3.1415 - 6.283 / 5;
    EXPECT_EQ(Where(1).x, static_cast<int>(640 * std::cos(a1) + 959));
    EXPECT_EQ(Where(1).y, static_cast<int>(240 - 640 * std::sin(a1)));
    EXPECT_LT(Where(1).y, 240);
    EXPECT_TRUE(selector->GetImage(0)->active);
    for (int i = 1; i < 5; ++i) {
        EXPECT_FALSE(selector->GetImage(i)->active);
    }
    EXPECT_EQ(selector->GetSelectedImage(), selector->GetImage(0));
}

TEST_F(SpinSelectorTest, PlacementBitsChooseTheRestingSide)
{
    struct Case
    {
        Uint32 bits;
        double angle;
    } cases[] = {{8 | 1, 0.785375}, {8 | 2, -0.785375}, {8, 0},       {8 | 4, 0},
                 {4 | 1, 2.356125}, {4 | 2, -2.356125}, {4, 3.1415},  {1, 1.57075},
                 {1 | 2, 1.57075},  {2, -1.57075},      {0, -1.57075}};
    for (const Case &c : cases) {
        SpinSelector *one = new SpinSelector(manager, scene);
        SpinSelectorParameter parameter{SDL_Rect{300, 200, 0, 0}, 100, c.bits};
        one->Init(&parameter);
        EXPECT_DOUBLE_EQ(one->baseAngle, c.angle) << c.bits;
        new SpriteImage(manager, one->GetSelectionParent());
        one->Idle(0);
        SDL_Rect at;
        one->GetImage(0)->GetPosition(at);
        // Truncation of the stored angles may cost one pixel.
        EXPECT_NEAR(at.x, 300, 1) << c.bits;
        EXPECT_NEAR(at.y, 200, 1) << c.bits;
    }
}

TEST_F(SpinSelectorTest, LeftAndRightWrapAroundAndAlwaysPlayTheSound)
{
    Build(5);
    EXPECT_TRUE(Press(0));
    EXPECT_EQ(selector->GetSelect(), 4);
    EXPECT_TRUE(Press(1));
    EXPECT_EQ(selector->GetSelect(), 0);
    EXPECT_TRUE(Press(1));
    EXPECT_EQ(selector->GetSelect(), 1);
    EXPECT_EQ(changes, 3);
    EXPECT_TRUE(selector->GetImage(1)->active);
    EXPECT_FALSE(selector->GetImage(0)->active);

    // Other codes and other events: nothing.
    for (int code : {2, 3, 4, 5}) {
        EXPECT_FALSE(Press(code));
    }
    SDL_Event key;
    key.type = SDL_KEYDOWN;
    key.key.keysym.sym = SDLK_RIGHT;
    selector->Event(&key);
    EXPECT_EQ(selector->GetSelect(), 1);
    EXPECT_EQ(changes, 3);
}

TEST_F(SpinSelectorTest, ASingleItemStaysChosenButStillSoundsAndReportsAChange)
{
    Build(1);
    EXPECT_TRUE(Press(1));
    EXPECT_EQ(selector->GetSelect(), 0);
    EXPECT_TRUE(Press(0));
    EXPECT_EQ(selector->GetSelect(), 0);
    EXPECT_EQ(changes, 2);
}

TEST_F(SpinSelectorTest, TheCircleEasesTowardsTheNewChoice)
{
    Build(5);
    IdleWalk(10);
    const SDL_Rect rest = Where(0);
    const SDL_Rect before = Where(1);
    selector->SetSelect(1);
    EXPECT_EQ(changes, 1);
    // Nothing jumps in the frame of the change.
    EXPECT_EQ(Where(1).x, before.x);
    EXPECT_EQ(Where(1).y, before.y);

    auto distance = [&]() {
        SDL_Rect now = Where(1);
        return std::hypot(now.x - rest.x, now.y - rest.y);
    };
    double previous = distance();
    double firstStep = -1, lastStep = -1;
    for (Uint32 t = 26; t <= 2010; t += 16) {
        IdleWalk(t);
        double now = distance();
        ASSERT_LE(now, previous + 1.5) << t;
        if (firstStep < 0) {
            firstStep = previous - now;
        }
        if (t > 600 && lastStep < 0) {
            lastStep = previous - now;
        }
        previous = now;
    }
    EXPECT_GT(firstStep, 10 * lastStep); // fast at first, slow near the end
    EXPECT_LE(previous, 1.5);
    EXPECT_FALSE(selector->GetImage(0)->active);
    EXPECT_TRUE(selector->GetImage(1)->active);
}

TEST_F(SpinSelectorTest, TheCircleTurnsTheShortWayRound)
{
    Build(5);
    IdleWalk(10);
    EXPECT_TRUE(Press(0)); // 0 -> 4: one fifth of a turn back, not four fifths forward
    IdleWalk(26);
    EXPECT_GT(selector->currentAngle, 6.283 * 4 / 5);
    EXPECT_LT(selector->currentAngle, 6.283);
    for (Uint32 t = 42; t < 3000; t += 16) {
        IdleWalk(t);
        ASSERT_GT(selector->currentAngle, 6.283 * 4 / 5 - 1e-9) << t;
    }
    SDL_Rect at = Where(4);
    EXPECT_NEAR(at.x, 319, 1);
    EXPECT_NEAR(at.y, 239, 1);
}

TEST_F(SpinSelectorTest, ALongFrameSnapsOntoTheTarget)
{
    Build(2);
    IdleWalk(10);
    selector->SetSelect(1);
    IdleWalk(10 + 80); // 250 * 2 / 6.283 = 79.6 ms or more: no easing left
    EXPECT_EQ(selector->currentAngle, selector->targetAngle);
}

TEST_F(SpinSelectorTest, AnEmptyCarouselIgnoresEverything)
{
    Build(0);
    EXPECT_EQ(selector->GetSelectedImage(), nullptr);
    EXPECT_EQ(selector->GetImage(0), nullptr);
    EXPECT_FALSE(Press(0));
    EXPECT_FALSE(Press(1));
    selector->SetSelect(0);
    selector->SetSelect(3);
    IdleWalk(100);
    EXPECT_EQ(selector->GetSelect(), 0);
    EXPECT_EQ(changes, 0);

    // Out-of-range choices on a filled carousel are ignored too.
    new SpriteImage(manager, selector->GetSelectionParent());
    selector->SetSelect(-1);
    selector->SetSelect(1);
    EXPECT_EQ(selector->GetSelect(), 0);
    EXPECT_EQ(changes, 0);
}

} // namespace
