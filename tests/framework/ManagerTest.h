// ManagerTest: a headless game whose scene manager a framework test drives, and recording scenes
// that log into one call log.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "framework/SceneManager.h"
#include "support/HeadlessGame.h"
#include "support/RecordingObject.h"

class ManagerTest : public ::testing::Test
{
protected:
    CallLog log; // outlives the game: its scenes log their destruction
    HeadlessGame game;

    // The tests count the events they push. SDL queues events of its own when the window opens
    // (how many is a matter of the SDL build: none with SDL 1.2, several with SDL 1.2 on SDL 2);
    // those go before a test starts.
    ManagerTest()
    {
        SDL_Event event;
        while (SDL_PollEvent(&event)) {
        }
    }

    SceneManager &M() { return game.Manager(); }

    // A recording scene that the manager does not list yet.
    RecordingObject *NewScene(const std::string &name)
    {
        return new RecordingObject(&M(), nullptr, name, &log);
    }
    // Puts a scene straight into the list, as a completed scene change would.
    RecordingObject *Listed(const std::string &name)
    {
        RecordingObject *scene = NewScene(name);
        M().GetScenes().push_back(scene);
        return scene;
    }
    RecordingObject *Child(SceneObject *parent, const std::string &name)
    {
        return new RecordingObject(&M(), parent, name, &log);
    }
};
