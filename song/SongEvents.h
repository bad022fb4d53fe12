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
// on the thread that owns it. The records of 'midi' live in 'heap' (null, like midi, when the
// file cannot be read); whoever holds the record owns the heap until a song takes it.
struct SongEvents
{
    std::shared_ptr<MidiHeap> heap;
    MidiFile *midi = nullptr;
    MidiEvent *firstEvent = nullptr; ///< head of the merged event list
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
