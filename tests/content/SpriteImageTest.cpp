// Tests of image sets, sprites and framed boxes: loads through SetSurface, shared surfaces,
// drawing at the absolute position, missing pictures.
#include "content/SpriteImage.h"

#include <gtest/gtest.h>

#include <vector>

#include "ContentFixture.h"
#include "content/FrameImage.h"

using contenttest::WidgetTest;

namespace {

// Records every surface handed to SetSurface.
class RecordingImageSet : public ImageSet
{
public:
    std::vector<SDL_Surface *> seen;
    void SetSurface(SDL_Surface *s) override
    {
        seen.push_back(s);
        ImageSet::SetSurface(s);
    }
};

class SpriteImageTest : public WidgetTest
{
};

TEST_F(SpriteImageTest, EveryLoadGoesThroughSetSurface)
{
    ASSERT_TRUE(MakeImage("square", 40, 40, 0xFFFF0000));
    RecordingImageSet set;
    EXPECT_EQ(set.surface, nullptr);
    set.LoadImage(contents, "square");
    set.LoadImage(contents, "square", 50, 50);
    set.LoadImageWH(contents, "square", 10, 30);
    set.LoadString(contents, "Hi", 0xFFFFFFFF);
    set.LoadString(contents, "Hi", 0xFFFFFFFF, 40);
    set.LoadImage(contents, "missing");
    ASSERT_EQ(set.seen.size(), 6u);
    EXPECT_EQ(set.seen[0], contents->GetImage("square"));
    EXPECT_EQ(set.seen[1], contents->GetImage("square", 50, 50));
    EXPECT_EQ(set.seen[2], contents->GetImage("square", 25, 75));
    EXPECT_EQ(set.seen[3], contents->GetString("Hi", 0xFFFFFFFF));
    EXPECT_EQ(set.seen[4], contents->GetString(40, "Hi", 0xFFFFFFFF));
    EXPECT_EQ(set.seen[5], nullptr);
    // A failed load keeps the rectangle of the last good surface.
    EXPECT_EQ(set.surface, nullptr);
    EXPECT_EQ(set.sourceRect.w, set.seen[4]->w);
    EXPECT_EQ(set.sourceRect.h, set.seen[4]->h);
}

TEST_F(SpriteImageTest, SpritesDrawAtTheirAbsolutePositionAndShareSurfaces)
{
    ASSERT_TRUE(MakeImage("square", 4, 4, 0xFF00FF00));
    SpriteImage *panel = new SpriteImage(manager, scene);
    SDL_Rect panelAt{100, 50, 300, 300};
    panel->SetRelativePosition(panelAt);
    SpriteImage *icon = new SpriteImage(manager, panel);
    SDL_Rect iconAt{7, 9, 1, 1}; // w and h play no part in drawing
    icon->SetRelativePosition(iconAt);
    icon->LoadImage(contents, "square");
    SpriteImage *twin = new SpriteImage(manager, scene);
    twin->LoadImage(contents, "square");
    EXPECT_EQ(twin->surface, icon->surface);

    manager->DrawObject(scene, screen);
    EXPECT_EQ(ScreenPixel(107, 59), 0x00FF00u);
    EXPECT_EQ(ScreenPixel(110, 62), 0x00FF00u);
    EXPECT_EQ(ScreenPixel(111, 63), 0u);
    EXPECT_EQ(ScreenPixel(106, 59), 0u);
    EXPECT_EQ(ScreenPixel(0, 0), 0x00FF00u); // the twin at the origin
}

TEST_F(SpriteImageTest, SpritesWithoutAPictureDrawNothing)
{
    SpriteImage *sprite = new SpriteImage(manager, scene);
    sprite->LoadImage(contents, "missing");
    sprite->Draw(screen);
    // Half off the screen is clipped, not an error.
    ASSERT_TRUE(MakeImage("square", 8, 8, 0xFF0000FF));
    SpriteImage *edge = new SpriteImage(manager, scene);
    SDL_Rect at{-4, 476, 0, 0};
    edge->SetRelativePosition(at);
    edge->LoadImage(contents, "square");
    edge->Draw(screen);
    for (int y = 0; y < 480; y += 7) {
        for (int x = 0; x < 640; x += 7) {
            if (!(x < 4 && y >= 476)) {
                ASSERT_EQ(ScreenPixel(x, y), 0u) << x << "," << y;
            }
        }
    }
    EXPECT_EQ(ScreenPixel(0, 479), 0x0000FFu);
}

TEST_F(SpriteImageTest, FrameImagesShowTheCachedBox)
{
    ASSERT_TRUE(MakeImage("box", 9, 9, 0xFFFFFF00));
    FrameImage *frame = new FrameImage(manager, scene);
    frame->LoadFrameImage("box", 50, 20);
    ASSERT_NE(frame->surface, nullptr);
    EXPECT_EQ(frame->surface, contents->GetFrame("box", 50, 20));
    EXPECT_EQ(frame->sourceRect.w, 50);
    EXPECT_EQ(frame->sourceRect.h, 20);
    SDL_Rect at{10, 10, 0, 0};
    frame->SetRelativePosition(at);
    frame->Draw(screen);
    EXPECT_EQ(ScreenPixel(10, 10) & 0xF0F0F0, 0xF0F000u);
    EXPECT_EQ(ScreenPixel(30, 20), 0u); // transparent inside
    EXPECT_EQ(ScreenPixel(59, 29) & 0xF0F0F0, 0xF0F000u);
}

} // namespace
