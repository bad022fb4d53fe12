// Tests of the song carousel: part resets when the choice moves, change marks, part stepping.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

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

namespace {

// A carousel of song summaries (no files), as the song selection shows a large library.
class MidiSelectorWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(game.Ready());
        scene = new Scene(&game.Manager());
        selector = new MidiSelector(&game.Manager(), scene);
        SpinSelectorParameter parameter{{400, 300, 0, 0}, 800, 4};
        selector->Init(&parameter);
        selector->maxSlots = 24;
        selector->repeatHeldKeys = true;
    }
    void TearDown() override
    {
        delete scene;
        for (MidiContainer *song : songs) {
            delete song;
        }
    }
    void Show(int count)
    {
        for (int i = static_cast<int>(songs.size()); i < count; ++i) {
            SongSummary summary;
            summary.name = "song" + std::to_string(i) + ".mid";
            summary.indexed = summary.readable = true;
            summary.notes[0] = 10;
            songs.push_back(new MidiContainer());
            songs.back()->SetSummary(summary);
        }
        selector->ShowSongs(std::vector<MidiContainer *>(songs.begin(), songs.begin() + count), 3,
                            "");
    }
    // Objects in the tree below an object.
    static int TreeSize(SceneObject *object)
    {
        int size = 0;
        for (SceneObject *child : object->children) {
            size += 1 + TreeSize(child);
        }
        return size;
    }
    // A frame of the game: the walks over the scene's tree, drawing included.
    void Frame(Uint32 now)
    {
        game.Manager().IdleObject(scene, now);
        game.Manager().DrawObject(scene, game.Manager().GetScreen());
    }

    HeadlessGame game;
    Scene *scene = nullptr;
    MidiSelector *selector = nullptr;
    std::vector<MidiContainer *> songs;
};

// However many songs there are, the tree holds the cards of the 24 places around the chosen one
// and the chosen one (each with its frame), through quick steps, long jumps and held keys, and
// the card in the middle is always one of them.
TEST_F(MidiSelectorWindowTest, TheSceneTreeHoldsAtMostTheWindowOfCardsWhateverTheLibrarysSize)
{
    const int most = 1 + 2 * (24 + 1); // the cards' holder, and each card with its frame
    for (const int count : {10, 1000, 10000}) {
        Show(count);
        Uint32 t = 1;
        int largest = 0;
        const auto frames = [&](int n) {
            for (int i = 0; i < n; ++i) {
                Frame(t += 16);
                largest = std::max(largest, TreeSize(selector));
                ASSERT_NE(selector->GetImage(selector->GetMiddle()), nullptr) << count;
                ASSERT_NE(selector->GetSelectedCard(), nullptr) << count;
            }
        };
        frames(2);
        for (const int target : {count / 2, count - 1, 3, count / 3}) {
            selector->SetSelect(target);
            ASSERT_NE(selector->GetSelectedCard(), nullptr) << "before the turn began";
            frames(40);
        }
        for (int press = 0; press < 30; ++press) {
            SDL_Event right = MenuEvent(1);
            game.Manager().EventObject(selector, &right);
            frames(1);
        }
        frames(200);
        EXPECT_EQ(selector->GetMiddle(), selector->GetSelect()) << count;
        EXPECT_EQ(selector->GetSelectedCard()->name,
                  "song" + std::to_string(selector->GetSelect()) + ".mid");
        EXPECT_LE(largest, count < 24 ? 1 + 2 * count : most) << count << " songs";
        EXPECT_GE(largest, 1 + 2 * std::min(count, 23)) << "the window is full";
    }
}

} // namespace
