// KeyPositionTable: a song's timed event table, shared read-only by everyone who plays or shows it.
#pragma once

#include <cstddef>
#include <iterator>
#include <memory>
#include <type_traits>
#include <utility>
#include <vector>

#include "midi/KeyPosition.h"

// The records of a table never change once it is built, so copies share them: a song, its cards
// and the play scene hold one table between them, each walking it with its own cursor. A new
// table is built from a vector (taken over) or from any range of records (copied).
class KeyPositionTable
{
public:
    using const_iterator = const KeyPosition *;

    KeyPositionTable() = default;
    explicit KeyPositionTable(std::vector<KeyPosition> &&records)
        : records(std::make_shared<const std::vector<KeyPosition>>(std::move(records)))
    {
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
    void clear() { records.reset(); }

    size_t size() const { return records ? records->size() : 0; }
    bool empty() const { return size() == 0; }
    const KeyPosition *begin() const { return records ? records->data() : nullptr; }
    const KeyPosition *end() const { return begin() + size(); }
    const KeyPosition &operator[](size_t index) const { return (*records)[index]; }
    const KeyPosition &front() const { return records->front(); }
    const KeyPosition &back() const { return records->back(); }
    // True when both hold the very same records.
    bool IsSharedWith(const KeyPositionTable &other) const { return records == other.records; }

private:
    std::shared_ptr<const std::vector<KeyPosition>> records;
};
