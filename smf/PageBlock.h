// PageBlock: a resizable block of memory; large ones come straight from the system in huge pages.
#pragma once

#include <cstddef>

// Holds the big scratch and table arrays of a song. Blocks of 2 MiB and more are mapped with
// transparent huge pages advised, so that filling them takes one page fault per 2 MiB instead of
// one per 4 KiB; smaller ones come from malloc. The contents are not initialised.
class PageBlock
{
public:
    PageBlock() = default;
    ~PageBlock();
    PageBlock(const PageBlock &) = delete;
    PageBlock &operator=(const PageBlock &) = delete;

    // Makes the block 'bytes' long and keeps its first bytes (as many as both sizes allow).
    // False when memory runs out; the block then stays as it was.
    bool Resize(size_t bytes);
    // Gives the pages lying wholly inside bytes [offset, offset + bytes) back to the system
    // while the block keeps its size: their contents are lost (they read as zeros when touched
    // again), every other byte is kept. Only a mapped block has pages of its own; a small one
    // is left as it is.
    void Discard(size_t offset, size_t bytes);
    void *Data() const { return data; }
    size_t Size() const { return size; }

private:
    void *data = nullptr;
    size_t size = 0;
    bool mapped = false; ///< data was mapped (huge pages), not taken from malloc
};
