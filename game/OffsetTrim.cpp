// OffsetTrim: the global and the song's offset, their sum, and trimming the song's in steps.
#include "game/OffsetTrim.h"

#include <algorithm>
#include <cstdlib>

namespace {
int Limited(long long ms)
{
    return static_cast<int>(std::max<long long>(-OffsetTrim::MAX_OFFSET,
                                                std::min<long long>(OffsetTrim::MAX_OFFSET, ms)));
}
} // namespace

int OffsetTrim::Effective(int global, int song)
{
    return Limited(static_cast<long long>(Limited(global)) + Limited(song));
}

int OffsetTrim::DirectionOf(int key)
{
    return key == EARLIER_KEY ? -1 : key == LATER_KEY ? 1 : 0;
}

void OffsetTrim::Set(int newGlobal, int newSong)
{
    global = Limited(newGlobal);
    // A song's offset stored beside another global one may reach past the limit with it: only
    // the part that is played counts, so that the next step changes what is played.
    song = Effective(global, newSong) - global;
    heldDirection = 0;
}

bool OffsetTrim::Step(int direction)
{
    if (direction == 0)
        return false;
    const int next = song + (direction < 0 ? -1 : 1);
    if (std::abs(next) > MAX_OFFSET || std::abs(global + next) > MAX_OFFSET)
        return false;
    song = next;
    return true;
}

bool OffsetTrim::Hold(int held, Uint32 now)
{
    if (held == 0 || held != heldDirection) {
        // The press itself stepped already; repeats follow once it has been held a while.
        heldDirection = held;
        nextRepeat = now + REPEAT_DELAY;
        return false;
    }
    if (static_cast<Sint32>(now - nextRepeat) < 0)
        return false;
    nextRepeat += REPEAT_INTERVAL;
    if (static_cast<Sint32>(now - nextRepeat) >= 0)
        nextRepeat = now + REPEAT_INTERVAL; // a long frame does not queue up repeats
    return Step(held);
}
