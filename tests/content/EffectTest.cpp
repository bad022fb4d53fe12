// Tests of the judgement effect: its sinking, its life span and its removal by the manager.
#include "content/Effect.h"

#include <gtest/gtest.h>

#include "ContentFixture.h"
#include "content/ImageSet.h"

using contenttest::WidgetTest;

namespace {

class EffectTest : public WidgetTest
{
};

TEST_F(EffectTest, AnEffectSinksForOneSecondThenTheManagerRemovesIt)
{
    IdleWalk(5000);
    Effect *effect = new Effect(manager, scene);
    EXPECT_EQ(effect->startTime, 5000u);
    effect->rect = SDL_Rect{200, 77, 0, 0};
    effect->kind = 3;

    IdleWalk(5000);
    EXPECT_EQ(effect->rect.y, 0); // the creator's y is overwritten
    IdleWalk(5099);
    EXPECT_EQ(effect->rect.y, 0);
    IdleWalk(5100);
    EXPECT_EQ(effect->rect.y, 1);
    IdleWalk(5500);
    EXPECT_EQ(effect->rect.y, 5);
    EXPECT_EQ(effect->rect.x, 200);
    IdleWalk(6000);
    EXPECT_EQ(effect->rect.y, 10);
    EXPECT_FALSE(effect->removeFlag);
    ASSERT_EQ(scene->children.size(), 1u);
    IdleWalk(6001);
    EXPECT_TRUE(scene->children.empty());
}

TEST_F(EffectTest, AnEffectDrawsItsSharedImageAtItsRectangle)
{
    ASSERT_TRUE(MakeImage("spark", 6, 6, 0xFF00FFFF));
    ImageSet spark;
    spark.LoadImage(contents, "spark");
    Effect *first = new Effect(manager, scene);
    Effect *second = new Effect(manager, scene);
    Effect *blank = new Effect(manager, scene);
    first->image = &spark;
    second->image = &spark;
    first->rect = SDL_Rect{10, 0, 0, 0};
    second->rect = SDL_Rect{100, 0, 0, 0};
    IdleWalk(300);
    manager->DrawObject(scene, screen);
    blank->Draw(screen);
    EXPECT_EQ(ScreenPixel(10, 3), 0x00FFFFu);
    EXPECT_EQ(ScreenPixel(100, 3), 0x00FFFFu);
    EXPECT_EQ(ScreenPixel(100, 2), 0u);
    EXPECT_EQ(ScreenPixel(105, 8), 0x00FFFFu);
}

} // namespace
