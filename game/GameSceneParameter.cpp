// GameSceneParameter: the record the song selection hands to the play scene (owned by the scene).
#include "game/GameSceneParameter.h"

#include "song/MidiContainer.h"

void GameSceneParameter::TakeSong(const MidiContainer &from)
{
    song = from.midi;
    firstEvent = from.firstEvent;
    firstDelay = from.positions.empty() ? 0 : from.positions.front().time;
    notes = from.positions; // shared, not copied
}
