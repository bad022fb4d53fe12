// SelectSceneFixture: a headless game with a captured MIDI output, entered at the song selection.
#pragma once

#include <gtest/gtest.h>

#include <unistd.h>

#include <stdexcept>
#include <vector>

#include "devices/CaptureMidiOut.h"
#include "devices/MidiOut.h"
#include "game/GameScene.h"
#include "menus/MenuScene.h"
#include "menus/MenusTestSupport.h"
#include "menus/SelectScene.h"
#include "menus/TestSongs.h"
#include "song/SongLibrary.h"

// Each test writes its own songs into the emptied data/ in its SetUp (after this one's).
class SelectSceneFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(game.Ready());
        SetMidiOutOverride(&capture);
        EmptySongFolder();
    }
    void TearDown() override { SetMidiOutOverride(nullptr); }

    // Title menu, then "Game": the song selection on top.
    SelectScene *Enter()
    {
        if (menu == nullptr) {
            menu = driver.Open<MenuScene>();
            WaitForLibrary();
        }
        driver.Press(SDLK_RETURN);
        return Top<SelectScene>("the song selection did not open");
    }
    // Ok on the song selection: the game on top.
    GameScene *Play()
    {
        driver.Press(SDLK_RETURN);
        return Top<GameScene>("no game started");
    }
    // The top scene as a Scene; a failure of the test (an exception) when it is another one.
    template <typename Scene> Scene *Top(const char *failure)
    {
        Scene *scene = dynamic_cast<Scene *>(TopScene(game));
        if (scene == nullptr) {
            throw std::runtime_error(failure);
        }
        return scene;
    }

    // Lets the background readers summarise every song, so that what a test sees does not
    // depend on how fast they ran (at most 20 s of real time).
    void WaitForLibrary()
    {
        SongLibrary *library = menu->GetLibrary();
        for (int turn = 0; library != nullptr && library->IsReading() && turn < 20000; ++turn) {
            usleep(1000);
            driver.Steps(1);
        }
        ASSERT_TRUE(library == nullptr || !library->IsReading()) << "the songs were never read";
    }

    // Times of the Note On messages (velocity > 0) of a note sent since 'from'.
    std::vector<Uint32> NoteOns(int note, Uint32 from = 0)
    {
        std::vector<Uint32> times;
        for (const CapturedMidiMessage &message : capture.Messages()) {
            if (message.time >= from && message.bytes.size() == 3 &&
                (message.bytes[0] & 0xF0) == 0x90 && message.bytes[1] == note &&
                message.bytes[2] > 0) {
                times.push_back(message.time);
            }
        }
        return times;
    }

    // Declared first: the scenes close the device when the game goes.
    CaptureMidiOut capture{[this]() { return game.Time(); }};
    HeadlessGame game;
    MenuDriver driver{game};
    MenuScene *menu = nullptr;
};
