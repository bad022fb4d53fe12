// CompactSong: a Standard MIDI File read for the game's own use: the file's bytes and one timed
// record per event, in time order.
#include "smf/CompactSong.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>

#include "platform/MessageBox.h"
#include "platform/SafeFile.h"
#include "smf/CompactMerge.h"
#include "smf/PageBlock.h"

namespace {

using namespace compact;

// Times the events as the merge hands them over and counts the totals.
template <bool kKeep> class Timer
{
public:
    Timer(const unsigned char *image, uint16_t division, TimedEvent *table, SongTotals &totals)
        : image(image), perMs(static_cast<uint64_t>(division) * 1000), clock(division),
          table(table), totals(totals)
    {
    }

    void Take(const TimedEvent &event, uint64_t tick, int track)
    {
        if (kKeep) {
            time = clock.At(tick);
        } else {
            // Only the last time is wanted: the exact sum, divided once at the end.
            const uint64_t gap = tick - previousTick;
            previousTick = tick;
            if (gap != 0) {
                // As a merged list stores it: at most 2^32 - 1 ticks between two events.
                const uint64_t delta = gap > UINT32_MAX ? UINT32_MAX : gap;
                sum += delta * clock.Tempo();
            }
        }
        uint32_t tempo = 0;
        if (totals.Count(event, image, track, tempo))
            clock.SetTempo(tempo);
        if (kKeep) {
            table[count] = event;
            table[count].time = time;
        }
        ++count;
    }

    void Finish()
    {
        if (!kKeep) {
            const unsigned __int128 ms = sum / perMs;
            time = ms >= static_cast<unsigned __int128>(MAX_TIME_MS) ? MAX_TIME_MS
                                                                     : static_cast<int32_t>(ms);
        }
        totals.events = count;
        totals.lastTime = time;
    }

private:
    const unsigned char *image;
    const uint64_t perMs;
    SongClock clock;
    TimedEvent *table;
    SongTotals &totals;
    uint64_t previousTick = 0;
    int32_t time = 0;
    unsigned __int128 sum = 0; ///< tick-microseconds since the start, when times are not kept
    size_t count = 0;
};

} // namespace

CompactSong::CompactSong() = default;

CompactSong::~CompactSong() = default;

void CompactSong::Clear()
{
    image.clear();
    image.shrink_to_fit();
    table.reset();
    events = nullptr;
    totals = SongTotals();
    format = trackCount = division = 0;
}

bool CompactSong::ReadImage(const std::string &path, std::string &image)
{
    std::string reason;
    switch (ReadRegularFile(path, MAX_SONG_FILE_BYTES, image, &reason)) {
    case SafeReadResult::Read:
        return true;
    case SafeReadResult::Refused:
        ShowWarning(path, reason);
        return false;
    case SafeReadResult::Missing:
    case SafeReadResult::Unreadable:
        break;
    }
    ShowWarning(path, "File Open Error.");
    return false;
}

bool CompactSong::Read(const std::string &path, Keep keep)
{
    Clear();
    return ReadImage(path, image) && Parse(path, keep);
}

bool CompactSong::ReadBytes(const unsigned char *data, size_t size, const std::string &name,
                            Keep keep)
{
    Clear();
    if (data != nullptr && size > 0) {
        image.assign(reinterpret_cast<const char *>(data), size);
    }
    return Parse(name, keep);
}

bool CompactSong::Parse(const std::string &name, Keep keep)
{
    const unsigned char *data = Image();
    const size_t size = image.size();
    TimedEvent *records = nullptr;
    const auto prepare = [&] {
        if (keep == Keep::Events) {
            // Every event takes at least two bytes (a delta and a status or data byte). The
            // block is only reserved: the pages the records never reach are never touched.
            const size_t most = (size - HEADER_BYTES) / 2 + 1;
            table = std::make_unique<PageBlock>();
            if (!table->Resize(most * sizeof(TimedEvent))) {
                return false;
            }
            records = static_cast<TimedEvent *>(table->Data());
        }
        return true;
    };
    const auto merge = [&](std::vector<TrackCursor> &tracks, bool packed) {
        totals = SongTotals();
        if (records != nullptr) {
            Timer<true> timer(data, division, records, totals);
            return MergeAll(tracks, data, timer, packed);
        }
        Timer<false> timer(data, division, nullptr, totals);
        return MergeAll(tracks, data, timer, packed);
    };
    SmfHeader header;
    const bool read = ParseImage(
        data, size, name, header,
        [&] {
            format = header.format;
            trackCount = header.trackCount;
            division = header.division;
            return prepare();
        },
        merge);
    if (!read) {
        Clear();
        return false;
    }
    events = records;
    return true;
}
