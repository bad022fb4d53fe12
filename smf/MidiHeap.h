// MidiHeap: growable arena of blocks (zero-filled unless asked otherwise) released only as a whole.
#pragma once

#include <cstddef>
#include <memory>
#include <memory_resource>
#include <vector>

// Holds every record of the MIDI reader from InitMidiLib to ReleaseMidiLib. Blocks are never
// freed one by one; destroying the heap frees them all. Not thread-safe.
class MidiHeap
{
public:
    // initialSize: bytes of the first chunk (later chunks grow geometrically).
    // limit: most bytes ever handed out (0: no limit); beyond it Alloc returns null.
    explicit MidiHeap(size_t initialSize = 4096, size_t limit = 0);
    ~MidiHeap();
    MidiHeap(const MidiHeap &) = delete;
    MidiHeap &operator=(const MidiHeap &) = delete;

    // A zero-filled block of 'bytes' bytes aligned for any record, or null when the limit is
    // reached or memory runs out. Alloc(0) returns a valid unique block.
    void *Alloc(size_t bytes);
    // Like Alloc, but the block's bytes are left as they are: for arrays that are written
    // whole right away, so that their pages are not touched twice.
    void *AllocUninitialized(size_t bytes);
    // Bytes handed out so far.
    size_t GetUsed() const { return used; }

    // Gives the heap an object to own until it is handed back with Give or the heap goes: the
    // reader's scratch for a file read into this heap lives exactly as long as the records
    // that point at it, on whichever thread the heap is used.
    void Keep(std::shared_ptr<void> object);
    // Hands back an object given to Keep (null when this heap does not hold it).
    std::shared_ptr<void> Give(const void *object);

private:
    class ChunkSource;
    // Where the arena's chunks come from: chunks of 2 MiB and more are mapped with transparent
    // huge pages advised, which spares most page faults when a long song list is read.
    std::unique_ptr<ChunkSource> chunks;
    std::pmr::monotonic_buffer_resource arena;
    size_t limit;
    size_t used = 0;
    std::vector<std::shared_ptr<void>> kept; ///< objects owned until Give or the heap goes
};
