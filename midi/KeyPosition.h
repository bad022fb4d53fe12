// KeyPosition: one event of a song with its time in milliseconds from the start.
#pragma once

struct MidiEvent;

struct KeyPosition
{
    int type;         ///< GetEventType of the event: 0x80..0xE0, 0xF0 (SysEx, system), 0xFF (meta)
    int time;         ///< ms from the start of the song
    int note;         ///< note number of a sounding Note On, else -1
    int channel;      ///< channel 0-15 of a sounding Note On, else -1
    MidiEvent *event; ///< the event in the merged list, used to send it
    bool isNote;      ///< a Note On with velocity > 0: a note the player can play
};
