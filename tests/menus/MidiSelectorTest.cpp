// Tests of the song carousel: part resets when the choice moves, change marks, part stepping.
#include <gtest/gtest.h>

#include "content/ImageSet.h"
#include "devices/MidiOut.h"
#include "framework/Scene.h"
#include "framework/SceneManager.h"
#include "menus/MidiImage.h"
#include "menus/MidiSelector.h"
#include "menus/TestSongs.h"
#include "smf/ReadMidi.h"
#include "song/MidiContainer.h"
#include "support/HeadlessGame.h"
#include "support/MenuEvent.h"

namespace {

class MidiSelectorTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(game.Ready());
        ASSERT_EQ(InitMidiLib(), 0);
        scene = new Scene(&game.Manager());
        selector = new MidiSelector(&game.Manager(), scene);
        SpinSelectorParameter parameter{{400, 300, 0, 0}, 800, 4};
        selector->Init(&parameter);
        for (int i = 0; i < 3; i++) {
            const std::string name = "song" + std::to_string(i) + ".mid";
            // Parts 0 and 4 have notes, except in the second song, where 2 and 4 have.
            ASSERT_TRUE(WriteTestFile(
                "data/" + name, MakeTestSong({{i == 1 ? 2 : 0, 60, 0, 240}, {4, 62, 0, 240}})));
            MidiContainer *song = new MidiContainer();
            song->Load(&game.Manager(), name, nullptr);
            songs.push_back(song);
            cards.push_back(new MidiImage(&game.Manager(), selector->GetSelectionParent()));
            cards.back()->Set(song, 3, "frame", "bg");
        }
        selector->Idle(0); // places the cards: only the chosen one is active
        // One loop iteration leaves the manager in its event phase, in which changes made by
        // events are marked.
        game.Iterate(1);
    }
    void TearDown() override
    {
        delete scene;
        for (MidiContainer *song : songs) {
            delete song;
        }
        ReleaseMidiLib();
    }

    // Delivers an event as the scene tree does: the selector first, then the chosen card.
    void Send(int code)
    {
        SDL_Event event = MenuEvent(code);
        game.Manager().EventObject(selector, &event);
    }

    HeadlessGame game;
    Scene *scene = nullptr;
    MidiSelector *selector = nullptr;
    std::vector<MidiContainer *> songs;
    std::vector<MidiImage *> cards;
};

TEST_F(MidiSelectorTest, EveryCardStartsAtItsFirstPartWithNotesWhenChosenOrLeft)
{
    Send(2);
    EXPECT_EQ(selector->GetInstrument(), 4);
    EXPECT_EQ(selector->GetMid(), cards[0]->midi);

    Send(1); // right
    EXPECT_EQ(selector->GetSelect(), 1);
    EXPECT_EQ(cards[0]->GetPart(), 0);
    EXPECT_EQ(selector->GetInstrument(), 2);
    EXPECT_EQ(selector->GetFirstEvent(), cards[1]->firstEvent);

    Send(0); // back: the song shows its first part again
    EXPECT_EQ(selector->GetSelect(), 0);
    EXPECT_EQ(cards[0]->GetPart(), 0);

    Send(0); // left at the first song wraps to the last
    EXPECT_EQ(selector->GetSelect(), 2);
}

TEST_F(MidiSelectorTest, MovesOfSongAndPartMarkTheSelectorChanged)
{
    for (int code = 0; code <= 3; code++) {
        selector->changedPhase = 0;
        Send(code);
        EXPECT_TRUE(selector->GetChanged()) << "code " << code;
    }
    selector->changedPhase = 0;
    Send(4);
    Send(5);
    EXPECT_FALSE(selector->GetChanged());
}

TEST_F(MidiSelectorTest, NextAndBeforeInstrumentWrapOverPartsWithNotesAndMarkTheIdlePhase)
{
    EXPECT_EQ(selector->BeforeInstrument(), 4);
    EXPECT_EQ(selector->changedPhase, 1);
    EXPECT_EQ(selector->NextInstrument(), 0);
    EXPECT_EQ(selector->NextInstrument(), 4) << "parts 1-3 have no notes";
    EXPECT_EQ(cards[0]->GetPart(), 4);
}

} // namespace
