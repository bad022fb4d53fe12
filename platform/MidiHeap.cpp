// MidiHeap: growable arena of zero-filled blocks that is released only as a whole.
#include "platform/MidiHeap.h"

#include <algorithm>
#include <cstring>
#include <new>

MidiHeap::MidiHeap(size_t initialSize, size_t limit)
    : arena(initialSize > 0 ? initialSize : 1, std::pmr::new_delete_resource()), limit(limit)
{
}

void *MidiHeap::Alloc(size_t bytes)
{
    size_t size = bytes > 0 ? bytes : 1;
    if (limit != 0 && (size > limit || used > limit - size)) {
        return nullptr;
    }
    // A type's alignment divides its size, so the largest power of two dividing the size (up
    // to the strictest alignment) suits any record of that size; 40-byte events then take 40
    // bytes instead of 48.
    const size_t lowestBit = size & (~size + 1);
    const size_t alignment = std::min(lowestBit, alignof(std::max_align_t));
    void *block = nullptr;
    try {
        block = arena.allocate(size, alignment);
    } catch (const std::bad_alloc &) {
        return nullptr;
    }
    used += size;
    std::memset(block, 0, size);
    return block;
}
