// PracticeClock: the song position of the play scene, scaled by the practice tempo and held.
#include "game/PracticeClock.h"

#include <algorithm>

void PracticeClock::Start(Uint32 now, int position)
{
    anchorClock = now;
    anchorExact = static_cast<long long>(position) * 100;
    running = true;
}

long long PracticeClock::Exact(Uint32 now) const
{
    if (!running)
        return anchorExact;
    // Signed difference: a clock value before the anchor (the lead-in) gives an earlier position.
    const long long elapsed = static_cast<long long>(static_cast<Sint32>(now - anchorClock));
    return anchorExact + elapsed * tempo;
}

int PracticeClock::Position(Uint32 now) const
{
    const long long exact = Exact(now);
    // Round towards plus infinity, also for negative positions.
    const long long down = exact >= 0 ? exact / 100 : -((-exact + 99) / 100);
    return static_cast<int>(down * 100 == exact ? down : down + 1);
}

double PracticeClock::PlayerMsSince(int time, Uint32 now) const
{
    return static_cast<double>(Exact(now) - static_cast<long long>(time) * 100) / tempo;
}

void PracticeClock::SetTempo(int percent, Uint32 now)
{
    const long long exact = Exact(now);
    tempo = std::min(MAX_TEMPO, std::max(MIN_TEMPO, percent));
    anchorExact = exact;
    anchorClock = now;
}

void PracticeClock::Hold(Uint32 now)
{
    anchorExact = Exact(now);
    running = false;
}

void PracticeClock::HoldAt(int position)
{
    anchorExact = static_cast<long long>(position) * 100;
    running = false;
}

void PracticeClock::Run(Uint32 now)
{
    if (running)
        return;
    anchorClock = now;
    running = true;
}

Uint32 PracticeClock::FirstClockPast(long long exact, Uint32 now) const
{
    if (!running || Exact(now) <= exact)
        return now;
    if (exact < anchorExact)
        return anchorClock;
    return anchorClock + static_cast<Uint32>((exact - anchorExact) / tempo + 1);
}
