// MidiTrackStore: where the list reader keeps a file's track lists from reading until the merge.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "smf/PageBlock.h"
#include "smf/ReadMidi.h"

// The track lists of one file from reading until the merge: the records of all tracks one after
// the other, without their End of Track events, which live in the heap with the file so that the
// heads stay valid after the merge. Once the file is merged the space serves the next file.
struct MidiTrackStore
{
    MidiEvent *events = nullptr; ///< 'capacity' records in 'block', 'count' of them in use
    size_t count = 0;
    size_t capacity = 0;
    uint64_t longestTrack = 0;        ///< ticks of the longest track read into the store
    std::vector<size_t> starts;       ///< index of each track's first record, then 'count'
    std::shared_ptr<PageBlock> block; ///< null until the first record (or after a hand-over)

    // Makes room for 'records' records in all (the contents are kept). False when memory runs
    // out.
    bool Reserve(size_t records)
    {
        if (records <= capacity) {
            return true;
        }
        if (!block) {
            block = std::make_shared<PageBlock>();
            capacity = 0;
        }
        if (records > SIZE_MAX / sizeof(MidiEvent) || !block->Resize(records * sizeof(MidiEvent))) {
            return false;
        }
        events = static_cast<MidiEvent *>(block->Data());
        capacity = records;
        return true;
    }
    // A new blank record at the end; null when memory runs out.
    MidiEvent *Append()
    {
        if (count == capacity && !Reserve(capacity < 1024 ? 1024 : capacity * 2)) {
            return nullptr;
        }
        MidiEvent *event = &events[count++];
        *event = MidiEvent{};
        return event;
    }
};
