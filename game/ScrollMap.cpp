// ScrollMap: ball positions for the tempo-following and the constant scroll.
#include "game/ScrollMap.h"

#include <climits>

namespace {
int Clamped(long double y)
{
    if (y > static_cast<long double>(INT_MAX))
        return INT_MAX;
    if (y < static_cast<long double>(INT_MIN))
        return INT_MIN;
    return static_cast<int>(y);
}
} // namespace

void ScrollMap::Set(int newSpeed, int newHeight, Mode newMode)
{
    speed = newSpeed;
    height = newHeight;
    mode = newMode;
}

int ScrollMap::FollowingY(int speed, int height, int a, int b, int tempo)
{
    // A zero tempo (a Set Tempo of 00 00 00) would divide by zero; the slowest spacing is 1 us.
    if (tempo < 1)
        tempo = 1;
    const long long distance = static_cast<long long>(height) * (static_cast<long long>(a) - b);
    return Clamped(static_cast<long double>(speed) * distance * 500000.0L / 100.0L / tempo /
                   1000.0L);
}

int ScrollMap::Y(int noteTime, int shown, int scrollTempo, int practiceTempo) const
{
    if (mode == FOLLOW_TEMPO)
        return FollowingY(speed, height, noteTime, shown, scrollTempo);
    // Song ms ahead are practiceTempo / 100 of the player's ms: at half tempo a note 100 song
    // ms ahead is 200 ms of the player's away, and stands twice as low.
    if (practiceTempo < 1)
        practiceTempo = 1;
    const long double playerMs =
        (static_cast<long double>(noteTime) - shown) * 100.0L / practiceTempo;
    return Clamped(static_cast<long double>(speed) * height * playerMs / 100.0L / 1000.0L);
}
