// MergeQueue: the queue of pending tracks both song readers merge by, and its two kinds of head.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// A pending track in the merge: absolute tick of its head event and its index. Ties go to the
// lower track.
struct MergeHead
{
    uint64_t time;
    int track;
    static MergeHead Make(uint64_t time, int track) { return {time, track}; }
    uint64_t Time() const { return time; }
    int Track() const { return track; }
    void Advance(uint32_t delta) { time += delta; }
    // Advance for a reader that does not know the track's length beforehand: false (and
    // unchanged) when the time would not fit.
    bool TryAdvance(uint32_t delta)
    {
        uint64_t sum = 0;
        if (__builtin_add_overflow(time, delta, &sum)) {
            return false;
        }
        time = sum;
        return true;
    }
    bool operator<(const MergeHead &other) const
    {
        return time != other.time ? time < other.time : track < other.track;
    }
};

// The same in one number, tick above track, for songs whose tracks end before tick 2^48 (all
// but contrived ones): one compare instead of two in the merge's hot path.
struct PackedMergeHead
{
    static const int TRACK_BITS = 16; // a file has at most 65535 tracks
    uint64_t key;
    static PackedMergeHead Make(uint64_t time, int track)
    {
        return {time << TRACK_BITS | static_cast<uint64_t>(track)};
    }
    uint64_t Time() const { return key >> TRACK_BITS; }
    int Track() const { return static_cast<int>(key & 0xFFFF); }
    void Advance(uint32_t delta) { key += static_cast<uint64_t>(delta) << TRACK_BITS; }
    bool TryAdvance(uint32_t delta)
    {
        // The tick may not reach 2^48: then it would not fit above the track.
        const uint64_t step = static_cast<uint64_t>(delta) << TRACK_BITS;
        uint64_t sum = 0;
        if (__builtin_add_overflow(key, step, &sum)) {
            return false;
        }
        key = sum;
        return true;
    }
    bool operator<(const PackedMergeHead &other) const { return key < other.key; }
};

// Ticks below this fit a PackedMergeHead.
const uint64_t PACKED_TICK_LIMIT = uint64_t(1) << (64 - PackedMergeHead::TRACK_BITS);

// Min-heap of the pending tracks. The merge takes events from the top track for as long as it
// stays ahead of the second smallest head (chords, runs of one track), then puts it back with
// its next event in one sift-down instead of a pop and a push.
template <typename Head> class MergeQueue
{
public:
    explicit MergeQueue(size_t capacity) { heads.reserve(capacity); }
    bool IsEmpty() const { return heads.empty(); }
    const Head &Top() const { return heads.front(); }
    // The smallest head after the top, or null when the top is the only one.
    const Head *Second() const
    {
        if (heads.size() < 2) {
            return nullptr;
        }
        if (heads.size() == 2 || heads[1] < heads[2]) {
            return &heads[1];
        }
        return &heads[2];
    }
    void Push(Head head)
    {
        size_t i = heads.size();
        heads.push_back(head);
        while (i > 0 && head < heads[(i - 1) / 2]) {
            heads[i] = heads[(i - 1) / 2];
            i = (i - 1) / 2;
        }
        heads[i] = head;
    }
    void ReplaceTop(Head head) { SiftDown(head); }
    void PopTop()
    {
        Head last = heads.back();
        heads.pop_back();
        if (!heads.empty()) {
            SiftDown(last);
        }
    }

private:
    void SiftDown(Head head)
    {
        const size_t n = heads.size();
        size_t i = 0;
        while (true) {
            size_t child = 2 * i + 1;
            if (child >= n) {
                break;
            }
            if (child + 1 < n && heads[child + 1] < heads[child]) {
                ++child;
            }
            if (!(heads[child] < head)) {
                break;
            }
            heads[i] = heads[child];
            i = child;
        }
        heads[i] = head;
    }

    std::vector<Head> heads;
};
