// KeyPosition: one event of a song with its time in milliseconds from the start.
#pragma once

#include <cstdint>

#include "smf/PlayEvent.h"

// A song keeps one of these for every event, so the small fields share one 32-bit word and the
// record takes 24 bytes with the event itself. The fields are signed so that they read as plain
// ints. 'note' holds -1 and the data byte of any Note On (0-255: a damaged file may carry a byte
// above 127 there).
struct KeyPosition
{
    PlayEvent event;   ///< what is sent: the event itself, or a record of a merged list
    int32_t time;      ///< ms from the start of the song
    int32_t type : 9;  ///< GetEventType of the event: 0x80..0xE0, 0xF0 (SysEx, system), 0xFF (meta)
    int32_t note : 10; ///< note number of a sounding Note On, else -1
    int32_t channel : 6; ///< channel 0-15 of a sounding Note On, else -1
    bool isNote : 1;     ///< a Note On with velocity > 0: a note the player can play
};

static_assert(sizeof(KeyPosition) <= 24, "a song keeps one KeyPosition per event");
