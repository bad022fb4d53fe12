// Tests of the resizable memory block: contents kept across every kind of move, and freeing.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/PageBlock.h"

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

} // namespace
