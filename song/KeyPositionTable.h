// KeyPositionTable: a song's timed event table, shared read-only by everyone who plays or shows it.
#pragma once

#include <cstddef>
#include <iterator>
#include <memory>
#include <type_traits>
#include <utility>
#include <vector>

#include "smf/PageBlock.h"
#include "song/KeyPosition.h"

// The records of a table never change once it is built, so copies share them: a song, its cards
// and the play scene hold one table between them, each walking it with its own cursor. A new
// table is built from a block of records (taken over), records kept by an owner it shares (a
// song read to be played), a vector (taken over) or any range of records (copied).
class KeyPositionTable
{
public:
    using const_iterator = const KeyPosition *;

    KeyPositionTable() = default;
    // The first 'count' records of the block.
    KeyPositionTable(const std::shared_ptr<PageBlock> &block, size_t count)
        : records(block, static_cast<const KeyPosition *>(block->Data())), count(count)
    {
    }
    // 'count' records at 'first', which shares its owner (a song that keeps them).
    KeyPositionTable(std::shared_ptr<const KeyPosition> first, size_t count)
        : records(std::move(first)), count(count)
    {
    }
    explicit KeyPositionTable(std::vector<KeyPosition> &&list)
    {
        auto owner = std::make_shared<std::vector<KeyPosition>>(std::move(list));
        records = std::shared_ptr<const KeyPosition>(owner, owner->data());
        count = owner->size();
    }
    template <typename Range,
              typename = std::enable_if_t<!std::is_same_v<std::decay_t<Range>, KeyPositionTable>>>
    KeyPositionTable(const Range &range)
        : KeyPositionTable(std::vector<KeyPosition>(std::begin(range), std::end(range)))
    {
    }

    // Replaces the table by a new one holding a copy of the records from first to last.
    template <typename Iterator> void assign(Iterator first, Iterator last)
    {
        *this = KeyPositionTable(std::vector<KeyPosition>(first, last));
    }
    // Lets go of the records (other holders keep them).
    void clear()
    {
        records.reset();
        count = 0;
    }

    size_t size() const { return count; }
    bool empty() const { return count == 0; }
    const KeyPosition *begin() const { return records.get(); }
    const KeyPosition *end() const { return records.get() + count; }
    const KeyPosition &operator[](size_t index) const { return records.get()[index]; }
    const KeyPosition &front() const { return records.get()[0]; }
    const KeyPosition &back() const { return records.get()[count - 1]; }
    // True when both hold the very same records.
    bool IsSharedWith(const KeyPositionTable &other) const { return records == other.records; }

private:
    std::shared_ptr<const KeyPosition> records; ///< the first record; shares its storage's owner
    size_t count = 0;
};
