// TimingWindows: the judgement of a timing error.
#include "game/TimingWindows.h"

int TimingWindows::For(int errorMs)
{
    if (errorMs < 10)
        return EXCELLENT;
    if (errorMs < 50)
        return GOOD;
    if (errorMs < 100)
        return OK;
    return BAD;
}
