// PracticeClock: the song position of the play scene: the manager's clock scaled by the practice
// tempo, and held still while the game is paused or waits for the player.
#pragma once

#include <SDL.h>

// Positions are kept in hundredths of a millisecond of song time, so that a scaled position is
// exact: at tempo p % one millisecond of the player's time moves the song by p hundredths.
// Differences of song time turn into the player's time by dividing by the tempo, which is what
// keeps the judgement windows in the player's milliseconds at any tempo.
class PracticeClock
{
public:
    static constexpr int MIN_TEMPO = 50;  ///< percent
    static constexpr int MAX_TEMPO = 150; ///< percent
    static constexpr int TEMPO_STEP = 10; ///< percent

    // Running from song position 'position' (ms) at manager clock 'now' (ms); the position
    // before 'now' lies as far back as the tempo says (a lead-in is a negative position).
    void Start(Uint32 now, int position);
    // Changes the tempo (clamped to MIN_TEMPO..MAX_TEMPO); the position does not jump.
    void SetTempo(int percent, Uint32 now);
    int GetTempo() const { return tempo; }
    // Stops the position where it stands at 'now'.
    void Hold(Uint32 now);
    // Stops the position at 'position' (ms of song time).
    void HoldAt(int position);
    // Runs on from the held position at 'now'. Nothing happens while running.
    void Run(Uint32 now);
    bool IsRunning() const { return running; }

    // Song position in hundredths of a ms at manager clock 'now'.
    long long Exact(Uint32 now) const;
    // The first manager clock (ms) at which a running position lies past 'exact' (hundredths
    // of a ms); 'now' when it lies past already or the clock is held.
    Uint32 FirstClockPast(long long exact, Uint32 now) const;
    // Song position in ms, rounded up: for a whole-ms time t, t < Position(now) holds exactly
    // when t lies before the exact position, and t >= Position(now) when it does not.
    int Position(Uint32 now) const;
    // The player's ms from song time 'time' (ms) to the position at 'now': positive when the
    // position has passed it (late), negative before it (early).
    double PlayerMsSince(int time, Uint32 now) const;

private:
    Uint32 anchorClock = 0;    ///< manager clock (ms) at which the position was anchorExact
    long long anchorExact = 0; ///< song position (1/100 ms) at anchorClock
    int tempo = 100;           ///< percent
    bool running = false;
};
