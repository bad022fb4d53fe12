// Tests of the song selection's panels: on every screen size, in both languages, no caption or
// help line crosses another.
#include "menus/SelectPanels.h"

#include <gtest/gtest.h>

#include <SDL.h>

#include <vector>

#include "framework/Scene.h"
#include "framework/SceneManager.h"
#include "support/HeadlessGame.h"
#include "text/MessageCatalog.h"
#include "widgets/AnimationMeter.h"
#include "widgets/SpriteImage.h"

namespace {

// The screen area an object's picture covers.
SDL_Rect Area(SceneObject *object, const SDL_Rect &size)
{
    SDL_Rect at;
    object->GetPosition(at);
    at.w = size.w;
    at.h = size.h;
    return at;
}

bool Cross(const SDL_Rect &a, const SDL_Rect &b)
{
    return a.x < b.x + b.w && b.x < a.x + a.w && a.y < b.y + b.h && b.y < a.y + a.h;
}

TEST(SelectPanels, NoCaptionCrossesAnotherOrTheHelpLinesAtAnySizeInEitherLanguage)
{
    for (const char *language : {"en", "ja"}) {
        ASSERT_TRUE(MessageCatalog::Use(KEYRISE_BINARY_DIR "/locale", language));
        for (const auto &size : std::vector<std::pair<int, int>>{{640, 480}, {1024, 720}}) {
            HeadlessGame game(size.first, size.second);
            ASSERT_TRUE(game.Ready());
            Scene scene(&game.Manager());
            const SelectPanels panels = SelectPanels::Build(&game.Manager(), &scene, "A-Z");
            std::vector<SDL_Rect> captions;
            for (AnimationMeter *meter : {panels.density, panels.tempo, panels.length}) {
                SDL_Rect bar = Area(meter, meter->sourceRect);
                SDL_Rect caption = Area(meter->caption, meter->caption->sourceRect);
                EXPECT_GE(caption.x, 0) << language << " " << size.first;
                EXPECT_LE(caption.y + caption.h, panels.searchHelp->position.y)
                    << language << " " << size.first << ": a caption runs into the help lines";
                EXPECT_LE(bar.y + bar.h, caption.y);
                for (const SDL_Rect &other : captions)
                    EXPECT_FALSE(Cross(caption, other)) << language << " " << size.first;
                captions.push_back(caption);
                EXPECT_LE(caption.x + caption.w, panels.metersRight);
            }
        }
    }
    MessageCatalog::Use(KEYRISE_BINARY_DIR "/locale", "en");
}

} // namespace
