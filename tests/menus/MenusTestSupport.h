// MenusTestSupport: a headless game for menu tests, and driving its screens with menu and raw keys.
#pragma once

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "framework/SceneManager.h"
#include "support/HeadlessGame.h"
#include "support/MenuEvent.h"

// Menu event codes, as the manager sends them.
enum MenuCode
{
    kLeft = 0,
    kRight = 1,
    kUp = 2,
    kDown = 3,
    kOk = 4,
    kCancel = 5
};

inline SDL_Event KeyDownEvent(int key)
{
    SDL_Event event{};
    event.type = SDL_KEYDOWN;
    event.key.state = SDL_PRESSED;
    event.key.keysym.sym = static_cast<SDLKey>(key);
    return event;
}

// Runs the game's main loop by hand on its own clock.
class MenuDriver
{
public:
    explicit MenuDriver(HeadlessGame &game) : game(game) {}

    // One main-loop iteration 1 ms after the previous one.
    bool Step()
    {
        now += 1;
        return game.Iterate(now);
    }
    void Steps(int count)
    {
        for (int i = 0; i < count; i++) {
            Step();
        }
    }
    // Presses and releases a key over two iterations, as a player would, and lets the scene
    // change that it may cause run.
    void Press(int key)
    {
        game.HoldKey(key, true);
        Step();
        game.HoldKey(key, false);
        Steps(3);
    }
    // Adds a scene on top and runs the two iterations that carry the change out.
    template <typename Scene> Scene *Open()
    {
        Scene *scene = new Scene(&game.Manager());
        game.Manager().AddScene(scene, nullptr);
        Steps(2);
        return scene;
    }
    // Dispatches one menu event through the scene trees, as the event poll does.
    void Send(int code)
    {
        SDL_Event event = MenuEvent(code);
        game.Manager().Event(&event);
    }

    Uint32 now = 0;

private:
    HeadlessGame &game;
};

// A headless game in its own folder and a driver for it.
class MenuTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(game.Ready()); }

    HeadlessGame game;
    MenuDriver driver{game};
};

// Removes every file of the game folder's data/ (the fixture copies the game's own songs).
inline void EmptySongFolder()
{
    std::error_code error;
    for (const auto &entry : std::filesystem::directory_iterator("data", error)) {
        std::filesystem::remove(entry.path(), error);
    }
}

// The top scene of the manager, or null.
inline SceneObject *TopScene(HeadlessGame &game)
{
    auto &scenes = game.Manager().GetScenes();
    return scenes.empty() ? nullptr : scenes.back();
}
