// SongEvents: a song's events and analysis as read from its file, before a song takes them.
#pragma once

#include <cstdint>
#include <memory>

#include "song/KeyPositionTable.h"
#include "song/SongSummary.h"

class MidiHeap;
struct MidiEvent;
struct MidiFile;

// What MidiContainer::ReadEvents makes on any thread and MidiContainer::TakeEvents gives a song
// on the thread that owns it. 'midi' is the header the table 'positions' keeps with the song's
// bytes (null when the file cannot be read); 'heap' holds the records of a merged list when
// there is one. Whoever holds the record owns them until a song takes it.
struct SongEvents
{
    std::shared_ptr<MidiHeap> heap;
    MidiFile *midi = nullptr;
    MidiEvent *firstEvent = nullptr; ///< head of a merged event list; null for a table of its own
    uint32_t startTempo = 500000;    ///< µs per quarter note at tick 0
    KeyPositionTable positions;
    int maxChannel = 0;
    int programs[128] = {};
    unsigned char density[128] = {};
    int noteCounts[16] = {};
    unsigned char tempoLevel = 0;
    unsigned char lengthLevel = 0;
    // The file as it is now: its size and time, levels, parts, title and, when it cannot be
    // read, the first warning.
    SongSummary summary;
};
