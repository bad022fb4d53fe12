// Tests of the judgement effect: sinking, life span, removal by the manager and drawing.
#include "widgets/Effect.h"

#include <gtest/gtest.h>

#include "content/ContentFixture.h"
#include "content/ImageSet.h"

namespace {

using EffectTest = contenttest::WidgetTest;

TEST_F(EffectTest, AnEffectSinksForOneSecondThenTheManagerRemovesIt)
{
    ASSERT_TRUE(MakeImage("spark", 6, 6, 0x00FFFF));
    ImageSet spark;
    spark.LoadImage(contents, "spark");
    IdleWalk(5000);
    Effect *effect = new Effect(manager, scene);
    effect->rect = SDL_Rect{200, 77, 0, 0};
    effect->image = &spark;
    IdleWalk(5000);
    EXPECT_EQ(effect->rect.y, 0); // the creator's y is overwritten
    IdleWalk(5099);
    EXPECT_EQ(effect->rect.y, 0);
    IdleWalk(5500);
    EXPECT_EQ(effect->rect.y, 5);
    manager->DrawObject(scene, screen);
    EXPECT_EQ(ScreenPixel(200, 5), 0x00FFFFu);
    EXPECT_EQ(ScreenPixel(200, 4), 0u);
    IdleWalk(6000);
    EXPECT_FALSE(effect->removeFlag);
    IdleWalk(6001);
    EXPECT_TRUE(scene->children.empty());

    Effect *blank = new Effect(manager, scene); // no image: draws nothing
    manager->ClearScreen();
    blank->Draw(screen);
    EXPECT_EQ(ScreenPixel(200, 5), 0u);
}

} // namespace
