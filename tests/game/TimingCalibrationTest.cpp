// Tests of the timing calibration arithmetic on synthetic taps.
#include <gtest/gtest.h>

#include <cstdlib>

#include "game/TimingCalibration.h"

namespace {
const long long FIRST = 2000; // clock of the first beat (ms)
const int INTERVAL = 500;     // ms between beats
const int BEATS = 16;

// A player 25 ms late with a little jitter (-4 .. +4 ms, mean 0) on every beat.
int SteadyError(int beat)
{
    static const int JITTER[8] = {0, 3, -3, 4, -4, 1, -1, 0};
    return 25 + JITTER[beat % 8];
}
} // namespace

TEST(TimingCalibration, ASteadyLatePlayerGivesTheirLatenessAndItsSpread)
{
    TimingCalibration steady(FIRST, INTERVAL, BEATS);
    for (int beat = 0; beat < BEATS; beat++)
        EXPECT_TRUE(steady.Tap(steady.BeatTime(beat) + SteadyError(beat))) << beat;
    EXPECT_EQ(steady.GetTapCount(), BEATS);
    EXPECT_TRUE(steady.HasResult());
    EXPECT_EQ(steady.GetOffset(), 25);
    EXPECT_EQ(steady.GetSpread(), 2); // distances 0,3,3,4,4,1,1,0 twice: median 2
    EXPECT_EQ(steady.GetErrors().front(), 25);

    // Early players give a negative offset; without taps there is nothing to propose.
    TimingCalibration early(FIRST, INTERVAL, BEATS);
    for (int beat = 0; beat < BEATS; beat++)
        early.Tap(early.BeatTime(beat) - 40);
    EXPECT_EQ(early.GetOffset(), -40);
    EXPECT_EQ(early.GetSpread(), 0);
    TimingCalibration none(FIRST, INTERVAL, BEATS);
    EXPECT_FALSE(none.HasResult());
    EXPECT_EQ(none.GetOffset(), 0);
}

TEST(TimingCalibration, MissedBeatsDoubleTapsAndStrayPressesBarelyMoveIt)
{
    TimingCalibration rough(FIRST, INTERVAL, BEATS);
    for (int beat = 0; beat < BEATS; beat++) {
        if (beat == 3 || beat == 9 || beat == 10)
            continue; // missed beats
        const long long tap = rough.BeatTime(beat) + SteadyError(beat);
        EXPECT_TRUE(rough.Tap(tap));
        if (beat % 4 == 1) { // a double tap: the second press of the beat does not count
            EXPECT_FALSE(rough.Tap(tap + 70));
        }
    }
    // Presses far from any beat (half-way between two) are ignored.
    EXPECT_FALSE(rough.Tap(rough.BeatTime(5) + 250));
    EXPECT_FALSE(rough.Tap(rough.BeatTime(12) - 230));
    // Taps before the first and after the last beat belong to those beats.
    EXPECT_EQ(rough.BeatAt(FIRST - 10000), 0);
    EXPECT_EQ(rough.BeatAt(FIRST + 10000000), BEATS - 1);
    EXPECT_EQ(rough.GetTapCount(), BEATS - 3);
    EXPECT_LE(std::abs(rough.GetOffset() - 25), 2);
    EXPECT_LE(rough.GetSpread(), 4);

    // A missed beat next to a late tap: the tap still goes to its own beat, not the next one.
    TimingCalibration edges(FIRST, INTERVAL, 4);
    EXPECT_EQ(edges.BeatAt(FIRST + 249), 0);
    EXPECT_EQ(edges.BeatAt(FIRST + 251), 1);
    // Too few taps propose nothing.
    for (int beat = 0; beat < 4; beat++)
        edges.Tap(edges.BeatTime(beat));
    EXPECT_FALSE(edges.HasResult());
}
