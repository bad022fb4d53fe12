// Tests of the loading scene's fades and of the two circling balls of the game's loading scene.
#include <gtest/gtest.h>

#include <cstdlib>

#include "framework/LoadScene.h"
#include "framework/SceneManager.h"
#include "menus/MyLoadScene.h"
#include "support/HeadlessGame.h"
#include "widgets/SpriteImage.h"

namespace {

TEST(LoadSceneTest, FadesMoveOneLevelPerMillisecondWithinBlackAndNormal)
{
    HeadlessGame game;
    LoadScene scene(&game.Manager());
    scene.beforeTime = 100;
    EXPECT_FALSE(scene.FadeIn(117));
    EXPECT_EQ(scene.fadeLevel, 17);
    scene.beforeTime = 117;
    EXPECT_TRUE(scene.FadeIn(1000)); // capped at black
    EXPECT_EQ(scene.fadeLevel, 255);
    scene.beforeTime = 1000;
    EXPECT_FALSE(scene.FadeOut(1200));
    EXPECT_EQ(scene.fadeLevel, 55);
    scene.beforeTime = 1200;
    EXPECT_TRUE(scene.FadeOut(1300)); // stops at normal brightness
    EXPECT_EQ(scene.fadeLevel, 0);
    // A clock behind beforeTime is no step at all, not a jump to black.
    scene.beforeTime = 5000;
    EXPECT_FALSE(scene.FadeIn(4990));
    EXPECT_EQ(scene.fadeLevel, 0);
}

TEST(LoadSceneTest, BallsCircleOppositeEachOtherAndSwapAfterHalfATurn)
{
    HeadlessGame game(800, 600);
    ASSERT_TRUE(game.Ready());
    MyLoadScene *scene = new MyLoadScene(&game.Manager());
    ASSERT_TRUE(game.Manager().SetLoadScene(scene, nullptr));
    ASSERT_NE(scene->ball0, nullptr);
    ASSERT_EQ(scene->children.size(), 2u);
    scene->startTime = 1000;

    auto at = [](SpriteImage *ball) {
        SDL_Rect r;
        ball->GetPosition(r);
        return std::make_pair(static_cast<int>(r.x), static_cast<int>(r.y));
    };
    // Radius 600 / 4 = 150 around (400, 300).
    scene->Idle(1000);
    EXPECT_EQ(at(scene->ball0), std::make_pair(400, 450));
    EXPECT_NEAR(at(scene->ball1).first, 400, 1);
    EXPECT_EQ(at(scene->ball1).second, 150);
    scene->Idle(1000 + 180); // quarter turn
    EXPECT_NEAR(at(scene->ball0).first, 550, 1);
    EXPECT_NEAR(at(scene->ball0).second, 300, 1);
    scene->Idle(1000 + 360); // half a turn: swapped
    EXPECT_NEAR(at(scene->ball0).first, 400, 1);
    EXPECT_NEAR(at(scene->ball0).second, 150, 1);
    EXPECT_NEAR(at(scene->ball1).first, 400, 1);
    EXPECT_NEAR(at(scene->ball1).second, 450, 1);
    // Before startTime the angle runs backwards instead of jumping.
    scene->Idle(1000 - 180);
    EXPECT_NEAR(at(scene->ball0).first, 250, 1);

    // A new window reloads the pictures without making more balls.
    ASSERT_NE(game.Manager().CreateWindow(640, 480, 32, 0), nullptr);
    EXPECT_EQ(scene->children.size(), 2u);
}

} // namespace
