// MidiHeap: growable arena of blocks (zero-filled unless asked otherwise) released only as a whole.
#include "smf/MidiHeap.h"

#include <algorithm>
#include <cstring>
#include <new>

#include <sys/mman.h>

namespace {

const size_t HUGE_CHUNK = 2 * 1024 * 1024; // bytes of one transparent huge page on x86-64

size_t MappedSize(size_t bytes)
{
    return (bytes + HUGE_CHUNK - 1) / HUGE_CHUNK * HUGE_CHUNK;
}

} // namespace

// Small chunks from operator new; large ones mapped whole (in multiples of 2 MiB, which Linux
// places on huge-page boundaries) with huge pages advised. Without huge pages the advice is
// ignored and the mapping behaves like any other.
class MidiHeap::ChunkSource : public std::pmr::memory_resource
{
protected:
    void *do_allocate(size_t bytes, size_t alignment) override
    {
        if (bytes < HUGE_CHUNK) {
            return ::operator new(bytes, std::align_val_t(alignment));
        }
        void *chunk = mmap(nullptr, MappedSize(bytes), PROT_READ | PROT_WRITE,
                           MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (chunk == MAP_FAILED) {
            throw std::bad_alloc();
        }
        madvise(chunk, MappedSize(bytes), MADV_HUGEPAGE);
        return chunk;
    }
    void do_deallocate(void *chunk, size_t bytes, size_t alignment) override
    {
        if (bytes < HUGE_CHUNK) {
            ::operator delete(chunk, std::align_val_t(alignment));
        } else {
            munmap(chunk, MappedSize(bytes));
        }
    }
    bool do_is_equal(const std::pmr::memory_resource &other) const noexcept override
    {
        return this == &other;
    }
};

MidiHeap::MidiHeap(size_t initialSize, size_t limit)
    : chunks(new ChunkSource), arena(initialSize > 0 ? initialSize : 1, chunks.get()), limit(limit)
{
}

MidiHeap::~MidiHeap() = default;

void MidiHeap::Keep(std::shared_ptr<void> object)
{
    if (object) {
        kept.push_back(std::move(object));
    }
}

std::shared_ptr<void> MidiHeap::Give(const void *object)
{
    for (auto it = kept.begin(); it != kept.end(); ++it) {
        if (it->get() == object) {
            std::shared_ptr<void> taken = std::move(*it);
            kept.erase(it);
            return taken;
        }
    }
    return nullptr;
}

void *MidiHeap::Alloc(size_t bytes)
{
    void *block = AllocUninitialized(bytes);
    if (block != nullptr) {
        std::memset(block, 0, bytes > 0 ? bytes : 1);
    }
    return block;
}

void *MidiHeap::AllocUninitialized(size_t bytes)
{
    size_t size = bytes > 0 ? bytes : 1;
    if (limit != 0 && (size > limit || used > limit - size)) {
        return nullptr;
    }
    // A type's alignment divides its size, so the largest power of two dividing the size (up
    // to the strictest alignment) suits any record of that size; a 12-byte block then takes 12
    // bytes instead of 16.
    const size_t lowestBit = size & (~size + 1);
    const size_t alignment = std::min(lowestBit, alignof(std::max_align_t));
    void *block = nullptr;
    try {
        block = arena.allocate(size, alignment);
    } catch (const std::bad_alloc &) {
        return nullptr;
    }
    used += size;
    return block;
}
