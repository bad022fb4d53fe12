// MidiHeapScope: sends this thread's MIDI records into a heap of the caller's while it lives.
#pragma once

class MidiHeap;

// While a scope lives, every record the MIDI reader allocates on this thread (reading a file,
// merging its tracks) comes from 'heap' instead of the shared heap of InitMidiLib. A song read
// this way goes when its heap is destroyed, and a worker thread can read songs without
// touching the shared heap. Scopes nest; the innermost one wins.
class MidiHeapScope
{
public:
    explicit MidiHeapScope(MidiHeap *heap);
    ~MidiHeapScope();
    MidiHeapScope(const MidiHeapScope &) = delete;
    MidiHeapScope &operator=(const MidiHeapScope &) = delete;

    // The heap of the innermost scope on this thread, or null outside every scope.
    static MidiHeap *Current();

private:
    MidiHeap *previous; ///< the scope this one hides, restored when it goes
};
