// PageBlock: a resizable block of memory; large ones come straight from the system in huge pages.
#include "smf/PageBlock.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include <sys/mman.h>
#include <unistd.h>

namespace {

const size_t HUGE_PAGE = 2 * 1024 * 1024; // bytes of one transparent huge page on x86-64

size_t MappedSize(size_t bytes)
{
    return (bytes + HUGE_PAGE - 1) / HUGE_PAGE * HUGE_PAGE;
}

void *Map(size_t bytes)
{
    void *block = mmap(nullptr, MappedSize(bytes), PROT_READ | PROT_WRITE,
                       MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (block == MAP_FAILED) {
        return nullptr;
    }
    madvise(block, MappedSize(bytes), MADV_HUGEPAGE);
    return block;
}

} // namespace

PageBlock::~PageBlock()
{
    Resize(0);
}

bool PageBlock::Resize(size_t bytes)
{
    if (bytes == size) {
        return true;
    }
    if (bytes == 0) {
        if (mapped) {
            munmap(data, MappedSize(size));
        } else {
            std::free(data);
        }
        data = nullptr;
        size = 0;
        mapped = false;
        return true;
    }
    if (bytes < HUGE_PAGE && !mapped) {
        void *grown = std::realloc(data, bytes);
        if (grown == nullptr) {
            return false;
        }
        data = grown;
        size = bytes;
        return true;
    }
    if (bytes >= HUGE_PAGE && mapped) {
        void *moved = mremap(data, MappedSize(size), MappedSize(bytes), MREMAP_MAYMOVE);
        if (moved == MAP_FAILED) {
            return false;
        }
        madvise(moved, MappedSize(bytes), MADV_HUGEPAGE);
        data = moved;
        size = bytes;
        return true;
    }
    // Between malloc and a mapping: a new block, the kept bytes copied over.
    void *block = bytes >= HUGE_PAGE ? Map(bytes) : std::malloc(bytes);
    if (block == nullptr) {
        return false;
    }
    if (data != nullptr) {
        std::memcpy(block, data, std::min(size, bytes));
    }
    const bool wasMapped = mapped;
    void *old = data;
    const size_t oldSize = size;
    data = block;
    size = bytes;
    mapped = bytes >= HUGE_PAGE;
    if (wasMapped) {
        munmap(old, MappedSize(oldSize));
    } else {
        std::free(old);
    }
    return true;
}

void PageBlock::Discard(size_t offset, size_t bytes)
{
    if (!mapped || offset >= size) {
        return;
    }
    const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    const size_t end = std::min(size, offset + std::min(bytes, size - offset));
    const size_t first = (offset + page - 1) / page * page;
    const size_t last = end / page * page;
    if (first < last) {
        madvise(static_cast<char *>(data) + first, last - first, MADV_DONTNEED);
    }
}
