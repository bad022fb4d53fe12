// Tests of the song selection's loader: keys are answered while the chosen song is read, a read
// reaches only the card it was made for, the preview and a game wait for the events, and the
// screen joins its loader when it goes.
#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "game/GameSceneParameter.h"
#include "menus/MidiImage.h"
#include "menus/MidiSelector.h"
#include "menus/SelectSceneFixture.h"
#include "menus/SongLoader.h"

namespace {

// Lets the loader go on after a long wait, so that a screen that waits for its loader (the
// fault these tests look for) ends the test with a failure instead of hanging it. No test
// relies on how long anything takes: a correct screen releases the hold itself long before.
class HoldWatchdog
{
public:
    HoldWatchdog()
    {
        SongLoader::Hold(true);
        thread = std::thread([this] {
            std::unique_lock<std::mutex> lock(mutex);
            if (!changed.wait_for(lock, std::chrono::seconds(30), [this] { return done; })) {
                fired = true;
                SongLoader::Hold(false);
            }
        });
    }
    ~HoldWatchdog()
    {
        Release();
        {
            std::lock_guard<std::mutex> lock(mutex);
            done = true;
        }
        changed.notify_all();
        thread.join();
    }
    void Release() { SongLoader::Hold(false); }
    // True when the watchdog had to let the loader go: something waited for it.
    bool Fired() const { return fired.load(); }

private:
    std::mutex mutex;
    std::condition_variable changed;
    bool done = false;
    std::atomic<bool> fired{false};
    std::thread thread;
};

class SelectSceneLoaderTest : public SelectSceneFixture
{
protected:
    void SetUp() override
    {
        SelectSceneFixture::SetUp();
        // One song per card, each with a note of its own: a 60, b 72, c 84.
        ASSERT_TRUE(WriteTestFile("data/a.mid", MakeTestSong({{0, 60, 0, 480}})));
        ASSERT_TRUE(WriteTestFile("data/b.mid", MakeTestSong({{0, 72, 0, 480}})));
        ASSERT_TRUE(WriteTestFile("data/c.mid", MakeTestSong({{2, 84, 0, 480}})));
    }
    void TearDown() override
    {
        SongLoader::Hold(false);
        SelectSceneFixture::TearDown();
    }

    MidiImage *Chosen(SelectScene *select) { return select->GetSelector()->GetSelectedCard(); }
    // Waits until the loader has a result waiting (at most 20 s of real time).
    void WaitUntilRead(SelectScene *select)
    {
        for (int turn = 0; !select->GetLoader()->IsReady() && turn < 20000; ++turn) {
            usleep(1000);
        }
        ASSERT_TRUE(select->GetLoader()->IsReady()) << "the loader never answered";
    }
    // Waits until the loader has taken its request and waits at the hold (at most 20 s).
    void WaitUntilHeld()
    {
        for (int turn = 0; SongLoader::Held() == 0 && turn < 20000; ++turn) {
            usleep(1000);
        }
        ASSERT_EQ(SongLoader::Held(), 1) << "the loader never reached its read";
    }
    size_t NoteOnCount(int note, Uint32 from = 0) { return NoteOns(note, from).size(); }
};

TEST_F(SelectSceneLoaderTest, KeysMoveTheCardsWhileTheChosenSongIsStillBeingRead)
{
    SelectScene *select = Enter();
    ASSERT_EQ(Chosen(select)->name, "a.mid");
    HoldWatchdog hold;
    driver.Press(SDLK_RIGHT);
    MidiImage *b = Chosen(select);
    ASSERT_EQ(b->name, "b.mid");
    EXPECT_TRUE(select->IsLoading());
    EXPECT_EQ(b->midi, nullptr) << "read on the loader, which is held";
    WaitUntilHeld(); // b's read has begun, so c's request must make the loader drop it
    driver.Steps(100);
    EXPECT_EQ(select->GetPreviewEvent(), nullptr) << "no preview before the events are there";
    driver.Press(SDLK_RIGHT);
    EXPECT_EQ(Chosen(select)->name, "c.mid") << "the key was answered while b was being read";
    EXPECT_FALSE(hold.Fired()) << "the screen waited for its loader";

    const Uint32 released = driver.now;
    hold.Release();
    WaitUntilRead(select);
    driver.Steps(50);
    EXPECT_NE(Chosen(select)->midi, nullptr);
    EXPECT_FALSE(select->IsLoading());
    EXPECT_EQ(NoteOnCount(84, released), 1u) << "c's preview starts once its events are there";
}

TEST_F(SelectSceneLoaderTest, AReadThatFinishesAfterTheChoiceMovedOnIsDropped)
{
    SelectScene *select = Enter();
    HoldWatchdog hold;
    driver.Press(SDLK_RIGHT); // b asked for
    hold.Release();
    WaitUntilRead(select);
    // b's events wait for the next Idle; before it, c is chosen and asked for at once (as when
    // the screen is shown again), and c's read waits.
    SongLoader::Hold(true);
    driver.Send(kRight);
    select->OnShowEvent();
    const Uint32 moved = driver.now;
    driver.Steps(1);
    MidiImage *c = Chosen(select);
    ASSERT_EQ(c->name, "c.mid");
    EXPECT_EQ(c->midi, nullptr) << "b's events must not become c's";
    hold.Release();
    WaitUntilRead(select);
    driver.Steps(50);
    ASSERT_NE(c->midi, nullptr);
    EXPECT_EQ(c->GetMaxChannel(), 2) << "c's own song";
    EXPECT_EQ(NoteOnCount(72, moved), 0u);
    EXPECT_EQ(NoteOnCount(84, moved), 1u);
}

TEST_F(SelectSceneLoaderTest, OkWhileTheChosenSongIsReadStartsTheGameOnItsEvents)
{
    SelectScene *select = Enter();
    HoldWatchdog hold;
    driver.Press(SDLK_RIGHT);
    MidiImage *b = Chosen(select);
    ASSERT_EQ(b->midi, nullptr);
    hold.Release();
    driver.Send(kOk); // before any Idle took the read
    driver.Steps(3);
    GameScene *play = Top<GameScene>("no game started");
    ASSERT_NE(b->midi, nullptr);
    EXPECT_EQ(play->GetParameter()->song, b->midi);
    EXPECT_EQ(play->GetParameter()->firstEvent, b->firstEvent);
    EXPECT_TRUE(play->GetParameter()->notes.IsSharedWith(b->positions));
}

TEST_F(SelectSceneLoaderTest, LeavingTheScreenJoinsItsLoaderEvenWhileAReadWaits)
{
    SelectScene *select = Enter();
    HoldWatchdog hold;
    driver.Press(SDLK_RIGHT); // the loader starts and waits at the hold
    ASSERT_TRUE(select->IsLoading());
    WaitUntilHeld();
    EXPECT_EQ(SongLoader::Running(), 1);
    driver.Press(SDLK_ESCAPE);
    ASSERT_EQ(TopScene(game), menu);
    EXPECT_EQ(SongLoader::Running(), 0) << "the loader outlived its screen";
    EXPECT_FALSE(hold.Fired()) << "leaving waited for the read instead of stopping it";
}

} // namespace
