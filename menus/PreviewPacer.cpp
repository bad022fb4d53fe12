// PreviewPacer: how soon the song selection's preview may play a song again, and how much per turn.
#include "menus/PreviewPacer.h"

#include <algorithm>

void PreviewPacer::StartPass(double now)
{
    passStart = now;
    passEvents = 0;
}

bool PreviewPacer::CountEvent()
{
    ++passEvents;
    return ++turnEvents < MAX_EVENTS_PER_TURN;
}

double PreviewPacer::ExtraWait(double now) const
{
    const double shortest = std::max<double>(MIN_PASS_MS, passEvents * PASS_MS_PER_EVENT);
    return std::max(0.0, shortest - (now - passStart));
}
