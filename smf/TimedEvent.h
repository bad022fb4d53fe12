// TimedEvent: one event of a song in time order, with its time, as the game's own reading keeps it.
#pragma once

#include <cstdint>

// A song read for the game's own use keeps one of these per event, one after the other in time
// order (16 bytes, no pointers): data bytes stay in the song's copy of its file and are found by
// their offset in it.
struct TimedEvent
{
    int32_t time;     ///< ms from the start of the song
    uint8_t status;   ///< status byte with channel (0x80-0xEF), 0xF0 SysEx, 0xF7 escape, 0xFF meta
    uint8_t data1;    ///< first data byte (note, controller, program ...); 0 where absent
    uint8_t data2;    ///< second data byte (velocity, value ...); 0 where absent
    uint8_t metaType; ///< meta event type when status is 0xFF, else 0
    uint32_t dataOffset; ///< SysEx, escape, meta: where its data bytes begin in the file (bytes)
    uint32_t length;     ///< bytes of data in the file (a SysEx's own 0xF0 not counted); else 0

    // 0xFF for meta events, else status & 0xF0 (0xF0 for SysEx and other system messages).
    int Type() const { return status == 0xFF ? 0xFF : status & 0xF0; }
    // A Note On with velocity above 0: a note the player can play.
    bool IsNote() const { return (status & 0xF0) == 0x90 && data2 != 0; }
};

static_assert(sizeof(TimedEvent) == 16, "a song keeps one TimedEvent per event");
