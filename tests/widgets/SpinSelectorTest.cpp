// Tests of the carousel: resting spot and centre, placement sides, wrap-around selection
// with its sound, the eased turn the short way round, and an empty carousel.
#include "widgets/SpinSelector.h"

#include <gtest/gtest.h>

#include <cmath>

#include "content/ContentFixture.h"
#include "widgets/SpriteImage.h"

namespace {

class SpinSelectorTest : public contenttest::WidgetTest
{
protected:
    SpinSelector *selector = nullptr;
    int changes = 0;

    void Build(int items, Uint32 placement = 4)
    {
        selector = new SpinSelector(manager, scene);
        SpinSelectorParameter parameter{SDL_Rect{320, 240, 0, 0}, 640, placement};
        selector->Init(&parameter);
        for (int i = 0; i < items; ++i) {
            new SpriteImage(manager, selector->GetSelectionParent());
        }
        selector->SetSelectChunk(longSound);
        selector->PushChangedEvent(contenttest::CountCall, &changes);
    }

    SDL_Rect Where(int index)
    {
        SDL_Rect at;
        selector->GetImage(index)->GetPosition(at);
        return at;
    }

    // Item 'index' stands at 'angle' on the circle of radius 640 round (959, 240), each
    // coordinate truncated.
    void ExpectOnCircle(int index, double angle)
    {
        EXPECT_EQ(Where(index).x, static_cast<int>(640 * std::cos(angle) + 959))
            << "item " << index;
        EXPECT_EQ(Where(index).y, static_cast<int>(240 - 640 * std::sin(angle)))
            << "item " << index;
    }
};

TEST_F(SpinSelectorTest, TheChosenItemRestsOnTheSpotWithTruncatedCoordinates)
{
    Build(5);
    EXPECT_EQ(selector->centerX, 959);
    EXPECT_EQ(selector->centerY, 240);
    EXPECT_EQ(selector->changedPhase, 1);
    EXPECT_EQ(changes, 0);
    IdleWalk(10);
    EXPECT_EQ(Where(0).x, 319);
    EXPECT_EQ(Where(0).y, 239);
    // The next item stands a fifth of a turn on, clockwise: above the spot.
    const double a1 = 3.1415 - 6.283 / 5;
    ExpectOnCircle(1, a1);
    EXPECT_TRUE(selector->GetImage(0)->active);
    EXPECT_FALSE(selector->GetImage(1)->active);
    EXPECT_FALSE(selector->GetImage(4)->active);

    // Right before left, upper before lower; no side bit means below.
    const struct
    {
        Uint32 bits;
        double angle;
    } sides[] = {{9, 0.785375},  {10, -0.785375}, {12, 0},       {5, 2.356125},
                 {6, -2.356125}, {3, 1.57075},    {2, -1.57075}, {0, -1.57075}};
    for (const auto &side : sides) {
        SpinSelector one(manager, nullptr);
        SpinSelectorParameter parameter{SDL_Rect{300, 200, 0, 0}, 100, side.bits};
        one.Init(&parameter);
        EXPECT_DOUBLE_EQ(one.baseAngle, side.angle) << side.bits;
    }
}

TEST_F(SpinSelectorTest, LeftAndRightWrapAroundAndAlwaysPlayTheSound)
{
    Build(5);
    EXPECT_TRUE(SoundsOn(selector, 0));
    EXPECT_EQ(selector->GetSelect(), 4);
    EXPECT_TRUE(SoundsOn(selector, 1));
    EXPECT_EQ(selector->GetSelect(), 0);
    EXPECT_TRUE(SoundsOn(selector, 1));
    EXPECT_EQ(selector->GetSelect(), 1);
    EXPECT_TRUE(selector->GetImage(1)->active);
    EXPECT_FALSE(selector->GetImage(0)->active);
    for (int code : {2, 3, 4, 5}) {
        EXPECT_FALSE(SoundsOn(selector, code));
    }
    EXPECT_EQ(changes, 3);
}

TEST_F(SpinSelectorTest, TheCircleEasesTheShortWayRound)
{
    Build(5);
    IdleWalk(10);
    const SDL_Rect spot = Where(0);
    const SDL_Rect before = Where(4);
    ASSERT_TRUE(SoundsOn(selector, 0)); // 0 -> 4: a fifth of a turn back
    EXPECT_EQ(Where(4).x, before.x);    // nothing jumps in the frame of the change
    EXPECT_EQ(Where(4).y, before.y);

    auto distance = [&]() { return std::hypot(Where(4).x - spot.x, Where(4).y - spot.y); };
    double previous = distance();
    double firstStep = -1, laterStep = -1;
    for (Uint32 t = 26; t <= 2010; t += 16) {
        IdleWalk(t);
        // Never the long way: the angle stays between the target and a full turn.
        ASSERT_GT(selector->currentAngle, 6.283 * 4 / 5 - 1e-9) << t;
        ASSERT_LT(selector->currentAngle, 6.283) << t;
        const double now = distance();
        ASSERT_LE(now, previous + 1.5) << t;
        if (t == 26) { // 16 ms turn 16 / 250 of a full turn's share of each item
            const double left = 6.283 - selector->targetAngle;
            EXPECT_NEAR(selector->currentAngle, 6.283 - 16 * left * 6.283 / 250 / 5, 1e-9);
        }
        firstStep = firstStep < 0 ? previous - now : firstStep;
        laterStep = (t > 600 && laterStep < 0) ? previous - now : laterStep;
        previous = now;
    }
    EXPECT_GT(firstStep, 10 * laterStep); // fast at first, slow near the end
    EXPECT_LE(previous, 1.5);

    // A frame longer than 250 n / 6.283 ms snaps onto the target.
    selector->SetSelect(1);
    IdleWalk(2010 + 200);
    EXPECT_EQ(selector->currentAngle, selector->targetAngle);
}

TEST_F(SpinSelectorTest, AnEmptyCarouselIgnoresEverythingAndASingleItemStaysChosen)
{
    Build(0);
    EXPECT_EQ(selector->GetSelectedImage(), nullptr);
    EXPECT_FALSE(SoundsOn(selector, 0));
    EXPECT_FALSE(SoundsOn(selector, 1));
    selector->SetSelect(0);
    IdleWalk(100);
    EXPECT_EQ(selector->GetSelect(), 0);
    EXPECT_EQ(changes, 0);
    new SpriteImage(manager, selector->GetSelectionParent());
    selector->SetSelect(1); // out of range
    EXPECT_EQ(changes, 0);
    // One item: a move stays on it but still sounds and reports a change.
    EXPECT_TRUE(SoundsOn(selector, 1));
    EXPECT_EQ(selector->GetSelect(), 0);
    EXPECT_EQ(changes, 1);
}

} // namespace

namespace {

// A long list shows a window of places around the chosen item and hides the rest.
TEST_F(SpinSelectorTest, ALongListShowsOnlyTheItemsNearTheChosenOne)
{
    Build(1000);
    selector->maxSlots = 10;
    selector->SetSelect(998);
    selector->currentAngle = selector->targetAngle;
    IdleWalk(10);
    EXPECT_EQ(Where(998).x, 319);
    EXPECT_EQ(Where(998).y, 239);
    // Neighbours a tenth of a turn apart, across the end of the list too.
    const double next = 3.1415 - 6.283 / 10;
    ExpectOnCircle(999, next);
    const double before = 3.1415 + 6.283 / 10;
    EXPECT_EQ(Where(997).y, static_cast<int>(240 - 640 * std::sin(before)));
    int shown = 0;
    for (int i = 0; i < 1000; ++i) {
        shown += selector->GetImage(i)->visible ? 1 : 0;
    }
    EXPECT_EQ(shown, 9); // 4 on each side of the chosen one
    EXPECT_TRUE(selector->GetImage(2)->visible);
    EXPECT_FALSE(selector->GetImage(3)->visible);
    EXPECT_TRUE(selector->GetImage(994)->visible);
    EXPECT_FALSE(selector->GetImage(993)->visible);
}

} // namespace

namespace {

// A list of 10,000 items turns to any item within 2.5 s, the item standing on the resting spot
// is the one GetMiddle names all along the way, and a held right key keeps stepping.
TEST_F(SpinSelectorTest, ATenThousandItemListReachesAnyItemInBoundedTime)
{
    Build(10000);
    selector->maxSlots = 24;
    selector->repeatHeldKeys = true;
    IdleWalk(1);
    // The item nearest the spot among those shown.
    auto nearest = [&]() {
        int best = -1;
        double bestDistance = 1e9;
        for (int i = 0; i < 10000; ++i) {
            if (!selector->GetImage(i)->visible)
                continue;
            const double distance = std::hypot(Where(i).x - 319, Where(i).y - 239);
            if (distance < bestDistance) {
                bestDistance = distance;
                best = i;
            }
        }
        return best;
    };
    Uint32 t = 1;
    // Ten quick presses of right, then a jump half the list away.
    for (int press = 0; press < 10; ++press) {
        ASSERT_TRUE(SoundsOn(selector, 1));
        IdleWalk(t += 16);
    }
    EXPECT_NE(selector->GetMiddle(), selector->GetSelect()) << "still turning";
    EXPECT_EQ(nearest(), selector->GetMiddle());
    for (const int target : {-1, 5000, 9999, 4321}) {
        if (target >= 0)
            selector->SetSelect(target);
        const Uint32 start = t;
        while (selector->currentAngle != selector->targetAngle && t < start + 2500) {
            IdleWalk(++t);
            if (t % 97 == 0) {
                ASSERT_EQ(nearest(), selector->GetMiddle()) << "at " << t;
            }
        }
        EXPECT_EQ(selector->currentAngle, selector->targetAngle) << "turning to " << target;
        EXPECT_EQ(selector->GetMiddle(), selector->GetSelect());
        EXPECT_EQ(Where(selector->GetSelect()).x, 319);
    }

    // Held right: one step at the press (an event), then one every 50 ms after 400 ms.
    const int from = selector->GetSelect();
    game->HoldKey(SDLK_RIGHT, true);
    IdleWalk(++t);
    IdleWalk(t += 399);
    EXPECT_EQ(selector->GetSelect(), from);
    IdleWalk(++t);
    EXPECT_EQ(selector->GetSelect(), from + 1);
    for (int i = 0; i < 10; ++i)
        IdleWalk(t += 50);
    EXPECT_EQ(selector->GetSelect(), from + 11);
    game->HoldKey(SDLK_RIGHT, false);
    IdleWalk(t += 500);
    EXPECT_EQ(selector->GetSelect(), from + 11);
}

} // namespace

namespace {

// Items made on demand stand where the items of a windowed list of children stand: a tenth of a
// turn apart with 10 places, also across the list's ends and in the middle of a turn; those
// beyond the window are not made at all.
TEST_F(SpinSelectorTest, ItemsMadeOnDemandKeepTheWindowsSpacing)
{
    selector = new SpinSelector(manager, scene);
    SpinSelectorParameter parameter{SDL_Rect{320, 240, 0, 0}, 640, 4};
    selector->Init(&parameter);
    selector->maxSlots = 10;
    selector->SetItems(
        1000, [this](int, SceneObject *parent) { return new SpriteImage(manager, parent); }, 998);
    IdleWalk(10);
    EXPECT_EQ(Where(998).x, 319);
    EXPECT_EQ(Where(998).y, 239);
    ExpectOnCircle(999, 3.1415 - 6.283 / 10);
    ExpectOnCircle(0, 3.1415 - 2 * 6.283 / 10);
    ExpectOnCircle(997, 3.1415 + 6.283 / 10);
    ExpectOnCircle(994, 3.1415 + 4 * 6.283 / 10);
    EXPECT_EQ(selector->GetImage(993), nullptr);
    EXPECT_EQ(selector->GetImage(3), nullptr);
    EXPECT_EQ(selector->GetMadeItems().size(), 9u);

    // Two on: before the circle turns, the old choice still rests on the spot and the new one
    // stands two places on; every place is still a tenth of a turn.
    selector->SetSelect(0);
    EXPECT_NEAR(Where(998).x, 319, 1);
    EXPECT_NEAR(Where(998).y, 239, 1);
    const double two = 3.1415 - 2 * 6.283 / 10;
    EXPECT_NEAR(Where(0).x, 640 * std::cos(two) + 959, 1);
    EXPECT_NEAR(Where(0).y, 240 - 640 * std::sin(two), 1);
    const double three = 3.1415 - 3 * 6.283 / 10;
    EXPECT_NEAR(Where(1).x, 640 * std::cos(three) + 959, 1);
    EXPECT_NEAR(Where(1).y, 240 - 640 * std::sin(three), 1);
}

} // namespace
