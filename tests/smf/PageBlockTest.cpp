// Tests of the resizable memory block: contents kept across every kind of move, and freeing.
#include <gtest/gtest.h>

#include <cstdint>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

#include "smf/PageBlock.h"

namespace {

// Writes a pattern that differs at every 4-byte word into the first 'bytes' bytes.
void Fill(PageBlock &block, size_t bytes)
{
    uint32_t *words = static_cast<uint32_t *>(block.Data());
    for (size_t i = 0; i < bytes / 4; ++i) {
        words[i] = static_cast<uint32_t>(i * 2654435761u);
    }
}

// Index of the first word that lost the pattern among the first 'bytes' bytes, or -1.
long FirstLost(const PageBlock &block, size_t bytes)
{
    const uint32_t *words = static_cast<const uint32_t *>(block.Data());
    for (size_t i = 0; i < bytes / 4; ++i) {
        if (words[i] != static_cast<uint32_t>(i * 2654435761u)) {
            return static_cast<long>(i);
        }
    }
    return -1;
}

TEST(PageBlockTest, ResizingKeepsTheContentsAcrossSmallAndLargeBlocks)
{
    const size_t small = 100 * 1024;
    const size_t large = 3 * 1024 * 1024; // mapped
    const size_t larger = 9 * 1024 * 1024;
    const size_t shrunk = 4 * 1024 * 1024 + 12; // no whole number of pages
    PageBlock block;
    EXPECT_EQ(block.Data(), nullptr);
    ASSERT_TRUE(block.Resize(small));
    Fill(block, small);
    size_t filled = small;
    // Each step: small -> larger small, small -> mapped, mapped -> larger mapped,
    // mapped -> smaller mapped, mapped -> small.
    for (size_t size : {2 * small, large, larger, shrunk, small}) {
        SCOPED_TRACE(size);
        ASSERT_TRUE(block.Resize(size));
        EXPECT_EQ(block.Size(), size);
        EXPECT_EQ(FirstLost(block, size < filled ? size : filled), -1);
        Fill(block, size); // the whole block can be written
        filled = size;
    }
    ASSERT_TRUE(block.Resize(0));
    EXPECT_EQ(block.Data(), nullptr);
    EXPECT_EQ(block.Size(), 0u);
}

// Pages of the block in memory among the first 'bytes' bytes from 'offset' (page-aligned).
size_t ResidentPages(const PageBlock &block, size_t offset, size_t bytes)
{
    const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    std::vector<unsigned char> in((bytes + page - 1) / page);
    if (mincore(static_cast<char *>(block.Data()) + offset, bytes, in.data()) != 0) {
        return SIZE_MAX;
    }
    size_t count = 0;
    for (unsigned char flag : in) {
        count += flag & 1;
    }
    return count;
}

// Discarding gives back exactly the pages wholly inside the range: a range with ragged ends
// keeps every byte outside it, and a small block is never touched.
TEST(PageBlockTest, DiscardFreesOnlyWholePagesInsideTheRange)
{
    const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    const size_t bytes = 8u << 20;
    PageBlock block;
    ASSERT_TRUE(block.Resize(bytes));
    Fill(block, bytes);
    ASSERT_EQ(ResidentPages(block, 0, bytes), bytes / page);

    // From half a page past 1 MiB to half a page before 5 MiB: pages 1 MiB + 1 page up to
    // 5 MiB - 1 page go; the half pages at both ends stay.
    const size_t from = (1u << 20) + page / 2;
    const size_t to = (5u << 20) - page / 2;
    block.Discard(from, to - from);
    EXPECT_EQ(ResidentPages(block, (1u << 20) + page, (4u << 20) - 2 * page), 0u);
    const uint32_t *words = static_cast<const uint32_t *>(block.Data());
    for (size_t i = 0; i < bytes / 4; ++i) {
        const size_t at = i * 4;
        if (at >= (1u << 20) + page && at < (5u << 20) - page) {
            continue;
        }
        ASSERT_EQ(words[i], static_cast<uint32_t>(i * 2654435761u)) << "byte " << at;
    }
    block.Discard(bytes - page, 10 * page); // a range running past the end stops at it
    EXPECT_EQ(ResidentPages(block, bytes - page, page), 0u);

    PageBlock small;
    ASSERT_TRUE(small.Resize(64 * 1024));
    Fill(small, 64 * 1024);
    small.Discard(0, 64 * 1024);
    EXPECT_EQ(FirstLost(small, 64 * 1024), -1);
}

} // namespace
