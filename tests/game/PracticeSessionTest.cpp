// The practice session and the latency compensation, driven by chosen clock values and keys.
#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "framework/SceneManager.h"
#include "game/LatencyCompensation.h"
#include "game/LivePlayInput.h"
#include "game/PracticeClock.h"
#include "game/PracticeOverlay.h"
#include "game/PracticeSession.h"
#include "game/Sequencer.h"
#include "support/HeadlessGame.h"

// Where the song stands for sending, judging and drawing, at a practice tempo, with a device
// latency and a player's offset; the song started at clock 1000.
TEST(LatencyCompensation, SendsTheLatencyEarlyAndJudgesTheOffsetLateInThePlayersTime)
{
    struct Row
    {
        int tempo, latency, offset;
        Uint32 now;
        Uint32 heldAt; ///< 0: running
        int song, send, runningSend, judged;
        int noteTime;
        double lateBy; ///< player's ms from the note to a press at 'now', offset applied
    };
    const Row rows[] = {
        {100, 40, 0, 1500, 0, 500, 540, 540, 500, 400, 100.0},
        // At half tempo 40 ms of the player's are 20 ms of song.
        {50, 40, 0, 1500, 0, 250, 270, 270, 250, 200, 100.0},
        // A player 30 ms late at 150 %: judged 45 song ms behind; on time at the note is -30.
        {150, 0, 30, 1200, 0, 300, 300, 300, 255, 300, -30.0},
        // Held (paused or waiting): nothing is sent beyond the position.
        {100, 40, -20, 1100, 1050, 50, 50, 90, 70, 50, 20.0},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE("tempo " + std::to_string(row.tempo) + " at " + std::to_string(row.now));
        PracticeClock clock;
        clock.SetTempo(row.tempo, 0);
        clock.Start(1000, 0);
        if (row.heldAt != 0)
            clock.Hold(row.heldAt);
        LatencyCompensation latency(clock);
        latency.Set(row.latency, row.offset);
        EXPECT_EQ(latency.SongPosition(row.now), row.song);
        EXPECT_EQ(latency.SendPosition(row.now), row.send);
        EXPECT_EQ(latency.RunningSendPosition(row.now), row.runningSend);
        EXPECT_EQ(latency.JudgedPosition(row.now), row.judged);
        EXPECT_DOUBLE_EQ(latency.JudgedMsSince(row.noteTime, row.now), row.lateBy);
    }
}

namespace {
// A practice session on an empty song, its overlay a child of a bare scene object.
class PracticeSessionTest : public ::testing::Test
{
protected:
    HeadlessGame game{640, 480};
    SceneObject root{&game.Manager(), nullptr};
    PracticeOverlay *overlay = new PracticeOverlay(&game.Manager(), &root);
    Sequencer sequencer;
    PracticeSession practice;

    void SetUp() override
    {
        sequencer.Reset(KeyPositionTable(), 0, nullptr);
        practice.Init(&game.Manager(), overlay, &sequencer, 4, 100, false, KeyAssign());
        practice.Clock().Start(0, 0);
    }

    // One frame at 'now' with 'key' pressed (0: none): Input, then Idle, as the manager calls
    // them. Returns the action either asked for.
    PracticeSession::Action Frame(Uint32 now, int key)
    {
        game.Manager().GetInput().CopyKeyState();
        if (key != 0)
            game.HoldKey(key, true);
        PracticeSession::Action input = PracticeSession::GO_ON;
        PracticeSession::Action idle = PracticeSession::GO_ON;
        // The keys reach the session as the play scene reads them.
        KeyAssign lanes[LivePlayInput::MAX_LANES];
        const PlayTurn turn = LivePlayInput(&game.Manager(), lanes, 4, KeyAssign(), -1).Read(now);
        practice.Input(now, turn, input);
        practice.Idle(now, turn, idle);
        game.Manager().GetInput().CopyKeyState();
        if (key != 0)
            game.HoldKey(key, false);
        return input != PracticeSession::GO_ON ? input : idle;
    }
};
} // namespace

TEST_F(PracticeSessionTest, PauseStopsTheSongAndTheMenuResumesAfterACountIn)
{
    struct Row
    {
        Uint32 now;
        int key;
        PracticeSession::Action action;
        bool paused;
        int tempo;
        int position; ///< song ms at 'now'
    };
    const int MINUS = '-';
    const Row rows[] = {
        {100, 0, PracticeSession::GO_ON, false, 100, 100},
        {200, 'p', PracticeSession::GO_ON, true, 100, 200},
        {300, 0, PracticeSession::GO_ON, true, 100, 200}, // stands still
        {400, MINUS, PracticeSession::GO_ON, true, 90, 200},
        {500, 'p', PracticeSession::GO_ON, true, 90, 200}, // count-in begins
        {500 + PracticeSession::COUNT_IN - 1, 0, PracticeSession::GO_ON, true, 90, 200},
        {500 + PracticeSession::COUNT_IN, 0, PracticeSession::GO_ON, false, 90, 200},
        {500 + PracticeSession::COUNT_IN + 100, 0, PracticeSession::GO_ON, false, 90, 290},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE("clock " + std::to_string(row.now));
        EXPECT_EQ(Frame(row.now, row.key), row.action);
        EXPECT_EQ(practice.IsPaused(), row.paused);
        EXPECT_EQ(practice.GetClock().GetTempo(), row.tempo);
        EXPECT_EQ(practice.GetClock().Position(row.now), row.position);
    }
    EXPECT_TRUE(practice.IsPractice()) << "another tempo stores no records";
}

TEST_F(PracticeSessionTest, TheMenuRetriesOrLeavesAndEscapeLeavesWhilePaused)
{
    Frame(100, 'p');
    EXPECT_EQ(Frame(200, SDLK_DOWN), PracticeSession::GO_ON);
    EXPECT_EQ(Frame(300, SDLK_RETURN), PracticeSession::RETRY);
    EXPECT_EQ(Frame(400, SDLK_DOWN), PracticeSession::GO_ON);
    EXPECT_EQ(Frame(500, SDLK_RETURN), PracticeSession::LEAVE);
    EXPECT_EQ(Frame(600, SDLK_ESCAPE), PracticeSession::LEAVE);
    EXPECT_FALSE(practice.IsPractice()) << "pausing alone keeps the records";
}

TEST_F(PracticeSessionTest, F5AndF6MarkASectionThatF7Clears)
{
    Frame(1000, PracticeSession::LOOP_START_KEY);
    Frame(1100, PracticeSession::LOOP_END_KEY); // shorter than a loop may be: refused
    EXPECT_FALSE(practice.GetLoop().IsActive());
    EXPECT_FALSE(practice.IsPractice());
    Frame(3000, PracticeSession::LOOP_END_KEY);
    ASSERT_TRUE(practice.GetLoop().IsActive());
    EXPECT_EQ(practice.GetLoop().GetStart(), 1000);
    EXPECT_EQ(practice.GetLoop().GetEnd(), 3000);
    EXPECT_TRUE(practice.IsPractice());
    Frame(3500, PracticeSession::LOOP_CLEAR_KEY);
    EXPECT_FALSE(practice.GetLoop().IsActive());
}
