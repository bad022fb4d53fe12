// Shared helpers of the content tests: a headless game with a scene to hang widgets on,
// hand-made pictures of exact sizes, pixel reads and a long silent sound.
#pragma once

#include <SDL.h>
#include <SDL_mixer.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "content/ContentsManager.h"
#include "framework/Scene.h"
#include "framework/SceneManager.h"
#include "support/HeadlessGame.h"
#include "support/MenuEvent.h"

namespace contenttest {

// Colour of each pixel as 0xRRGGBB.
using PixelFunction = std::function<Uint32(int x, int y)>;

// Pixel of a 32-bit surface as 0xAARRGGBB.
inline Uint32 PixelAt(SDL_Surface *surface, int x, int y)
{
    SDL_LockSurface(surface);
    Uint32 value = static_cast<Uint32 *>(surface->pixels)[y * surface->pitch / 4 + x];
    SDL_UnlockSurface(surface);
    Uint8 r, g, b, a;
    SDL_GetRGBA(value, surface->format, &r, &g, &b, &a);
    return (Uint32(a) << 24) | (Uint32(r) << 16) | (Uint32(g) << 8) | b;
}

// Colour of the most opaque pixel: the colour a text was rendered in.
inline Uint32 StrongestPixel(SDL_Surface *surface)
{
    Uint32 best = 0;
    for (int y = 0; y < surface->h; ++y) {
        for (int x = 0; x < surface->w; ++x) {
            Uint32 pixel = PixelAt(surface, x, y);
            if ((pixel >> 24) > (best >> 24)) {
                best = pixel;
            }
        }
    }
    return best & 0xFFFFFF;
}

// A headless game (its image/ and wav/ hold the game's own files) and one scene that is not
// in the manager's list, so tests walk and draw it themselves.
class WidgetTest : public ::testing::Test
{
protected:
    std::unique_ptr<HeadlessGame> game;
    SceneManager *manager = nullptr;
    ContentsManager *contents = nullptr;
    SDL_Surface *screen = nullptr;
    Scene *scene = nullptr;
    Mix_Chunk *longSound = nullptr;
    std::vector<Uint8> silence;

    void SetUp() override
    {
        game = std::make_unique<HeadlessGame>(640, 480);
        ASSERT_TRUE(game->Ready());
        manager = &game->Manager();
        contents = manager->GetContentsManager();
        screen = manager->GetScreen();
        manager->SetClearColor(0);
        manager->ClearScreen();
        scene = new Scene(manager);
        // Four seconds of silence: still playing when a test looks right after a press.
        silence.assign(22050 * 4 * 4, 0);
        longSound = Mix_QuickLoad_RAW(silence.data(), static_cast<Uint32>(silence.size()));
    }

    void TearDown() override
    {
        delete scene;
        Mix_HaltChannel(-1);
        if (longSound != nullptr) {
            Mix_FreeChunk(longSound);
        }
        game.reset();
    }

    // Writes a picture into the game's image folder. It is a BMP under a .png name: the
    // loader goes by the content, and a picture without alpha blits exactly.
    bool MakeImage(const std::string &name, int width, int height, const PixelFunction &pixel)
    {
        SDL_Surface *image =
            SDL_CreateRGBSurface(SDL_SWSURFACE, width, height, 32, 0xFF0000, 0xFF00, 0xFF, 0);
        if (image == nullptr) {
            return false;
        }
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                static_cast<Uint32 *>(image->pixels)[y * image->pitch / 4 + x] = pixel(x, y);
            }
        }
        std::string path = game->Dir() + "/image/" + name + ".png";
        bool saved = SDL_SaveBMP(image, path.c_str()) == 0;
        SDL_FreeSurface(image);
        return saved;
    }
    bool MakeImage(const std::string &name, int width, int height, Uint32 rgb)
    {
        return MakeImage(name, width, height, [rgb](int, int) { return rgb; });
    }

    // One Idle walk over the scene at clock now, as the main loop does it.
    void IdleWalk(Uint32 now)
    {
        game->SetTime(now);
        manager->IdleObject(scene, now);
    }
    Uint32 ScreenPixel(int x, int y) { return PixelAt(screen, x, y) & 0xFFFFFF; }
    // Sends one event to a widget and tells whether a sound started.
    bool SoundsOn(SceneObject *widget, int code)
    {
        Mix_HaltChannel(-1);
        SDL_Event event = MenuEvent(code);
        widget->Event(&event);
        return Mix_Playing(-1) > 0;
    }
};

inline void CountCall(void *counter)
{
    ++*static_cast<int *>(counter);
}

} // namespace contenttest
