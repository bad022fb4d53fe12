// MidiHeapScope: a per-thread replacement for the shared MIDI heap.
#include "smf/MidiHeapScope.h"

namespace {

thread_local MidiHeap *currentHeap = nullptr;

} // namespace

MidiHeapScope::MidiHeapScope(MidiHeap *heap) : previous(currentHeap)
{
    currentHeap = heap;
}

MidiHeapScope::~MidiHeapScope()
{
    currentHeap = previous;
}

MidiHeap *MidiHeapScope::Current()
{
    return currentHeap;
}
