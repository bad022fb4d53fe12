// SectionLoop: the marks of the repeated section of a song.
#include "game/SectionLoop.h"

void SectionLoop::MarkStart(int position)
{
    start = position < 0 ? 0 : position;
    startMarked = true;
    active = false;
}

bool SectionLoop::MarkEnd(int position)
{
    const int from = startMarked ? start : 0;
    if (position - from < MIN_LENGTH)
        return false;
    start = from;
    end = position;
    startMarked = true;
    active = true;
    used = true;
    repeats = 0;
    return true;
}

void SectionLoop::Clear()
{
    startMarked = false;
    active = false;
    repeats = 0;
}
