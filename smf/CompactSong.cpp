// CompactSong: a Standard MIDI File read for the game's own use: the file's bytes and one timed
// record per event, in time order.
#include "smf/CompactSong.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>

#include "platform/MessageBox.h"
#include "platform/SafeFile.h"
#include "smf/MergeQueue.h"
#include "smf/PageBlock.h"
#include "smf/SmfLayout.h"

namespace {

const uint32_t NORMAL_TEMPO = 500000; // µs per quarter note until a Set Tempo says otherwise
const int MAX_TIME_MS = INT32_MAX;    // times are kept in signed 32-bit ms
const size_t HEADER_BYTES = 14;       // "MThd", its length 6, format, tracks, division

// One track being read: a cursor into the file's bytes and the event it read last.
struct TrackCursor
{
    const unsigned char *at = nullptr;  ///< next byte to read
    const unsigned char *end = nullptr; ///< first byte the track may not read
    uint32_t delta = 0;                 ///< ticks before 'event'
    unsigned char running = 0;          ///< running status: the last channel status
    TimedEvent event{};                 ///< the event read last (its time is not set)
};

enum class Step
{
    Event, ///< cursor.event holds the next event
    End,   ///< the track's End of Track was read
    Fail,  ///< the track is broken
};

// Reads a variable-length quantity as ReadDelta does (the 4th byte ends it whatever its top
// bit). False when the bytes run out.
inline bool ReadVlq(const unsigned char *&at, const unsigned char *end, uint32_t &value)
{
    value = 0;
    for (int i = 0; i < 4; ++i) {
        if (at == end) {
            return false;
        }
        const unsigned char byte = *at++;
        value = (value << 7) | (byte & 0x7F);
        if ((byte & 0x80) == 0) {
            break;
        }
    }
    return true;
}

// Reads the rest of a system event (status 0xF0-0xFF) after its status byte; see Decode.
Step DecodeSystem(TrackCursor &track, const unsigned char *at, uint32_t delta,
                  const unsigned char *image, const char **warning)
{
    const unsigned char *end = track.end;
    TimedEvent &event = track.event;
    const unsigned char status = event.status;
    if (status == 0xF0 || status == 0xF7 || status == 0xFF) {
        // Meta, SysEx and escape events leave the running status as it was.
        int required = -1;
        if (status == 0xFF) {
            if (at == end) {
                return Step::Fail;
            }
            event.metaType = *at++;
            required = MetaLength(event.metaType);
        }
        uint32_t count = 0;
        if (!ReadVlq(at, end, count)) {
            return Step::Fail;
        }
        if (required >= 0 && static_cast<uint32_t>(required) != count) {
            *warning = "Invalid Data Length of Static Length Meta Event";
            return Step::Fail;
        }
        if (count > static_cast<size_t>(end - at)) {
            return Step::Fail;
        }
        event.dataOffset = static_cast<uint32_t>(at - image);
        event.length = count;
        at += count;
        if (status == 0xFF && event.metaType == 0x2F) {
            track.at = at;
            return Step::End;
        }
    }
    // Any other system status stands alone.
    track.at = at;
    track.delta = delta;
    return Step::Event;
}

// Reads the next event of a track exactly as the list reader does (running status, fixed meta
// lengths, unknown metas kept). On Fail, *warning is the failure's own text where it has one.
// Channel messages, nearly every event of a song, are read here; the rest out of line.
inline Step Decode(TrackCursor &track, const unsigned char *image, const char **warning)
{
    const unsigned char *at = track.at;
    const unsigned char *end = track.end;
    uint32_t delta = 0;
    if (!ReadVlq(at, end, delta) || at == end) {
        return Step::Fail;
    }
    unsigned char status = *at;
    if (status < 0x80) {
        // A data byte: it continues the last channel message and is read again as data.
        status = track.running;
        if (status == 0) {
            *warning = "Invalid Status Byte";
            return Step::Fail;
        }
    } else {
        ++at;
    }
    TimedEvent &event = track.event;
    event = TimedEvent{0, status, 0, 0, 0, 0, 0};
    if (status >= 0xF0) {
        return DecodeSystem(track, at, delta, image, warning);
    }
    if (at == end) {
        return Step::Fail;
    }
    event.data1 = *at++;
    // Program Change (0xCn) and Channel Pressure (0xDn) carry one data byte.
    if ((status & 0xE0) != 0xC0) {
        if (at == end) {
            return Step::Fail;
        }
        event.data2 = *at++;
    }
    track.running = status;
    track.at = at;
    track.delta = delta;
    return Step::Event;
}

// Division by a number fixed for the whole song (ticks per quarter note × 1000), by a multiply
// with its reciprocal and a correction, which is exact and much cheaper than a divide per event.
class Divider
{
public:
    explicit Divider(uint64_t divisor) : divisor(divisor), reciprocal(UINT64_MAX / divisor) {}
    // quotient = value / divisor, remainder = value % divisor.
    void Divide(uint64_t value, uint64_t &quotient, uint64_t &remainder) const
    {
        // The estimate is never above the quotient and, for values below 2^63, at most 1 below.
        quotient =
            static_cast<uint64_t>((static_cast<unsigned __int128>(value) * reciprocal) >> 64);
        remainder = value - quotient * divisor;
        while (remainder >= divisor) {
            ++quotient;
            remainder -= divisor;
        }
    }

private:
    uint64_t divisor;
    uint64_t reciprocal; ///< floor((2^64 - 1) / divisor)
};

// How a merge ended.
enum class Merged
{
    Done,
    Failed,  ///< a track is broken, or read past the end its chunk gave it
    TooLong, ///< a track's ticks outgrew the head kind
};

// Times the events as the merge hands them over and counts the totals: the running time is
// kept exactly, as whole milliseconds plus a remainder in tick-microseconds below one
// millisecond (division × 1000), and truncated only when stored, so rounding does not build up.
template <bool kKeep> class Timer
{
public:
    Timer(const unsigned char *image, uint16_t division, TimedEvent *table, SongTotals &totals)
        : image(image), perMs(static_cast<uint64_t>(division) * 1000), divider(perMs), table(table),
          totals(totals)
    {
    }

    void Take(const TimedEvent &event, uint64_t tick, int track)
    {
        const uint64_t gap = tick - previousTick;
        previousTick = tick;
        if (gap != 0) {
            // As a merged list stores it: at most 2^32 - 1 ticks between two events.
            const uint64_t delta = gap > UINT32_MAX ? UINT32_MAX : gap;
            // delta < 2^32 and tempo < 2^24: the product fits in 64 bits.
            const uint64_t step = delta * tempo;
            if (kKeep) {
                uint64_t whole = 0;
                uint64_t part = 0;
                divider.Divide(step, whole, part);
                wholeMs += whole;
                remainder += part;
                if (remainder >= perMs) {
                    remainder -= perMs;
                    ++wholeMs;
                }
                time = wholeMs >= static_cast<uint64_t>(MAX_TIME_MS)
                           ? MAX_TIME_MS
                           : static_cast<int32_t>(wholeMs);
            } else {
                // Only the last time is wanted: the exact sum, divided once at the end.
                sum += step;
            }
        }
        const unsigned char status = event.status;
        if (status == 0xFF) {
            if (event.metaType == 0x51 && event.length >= 3) {
                const unsigned char *data = image + event.dataOffset;
                tempo = static_cast<uint32_t>(data[0] << 16 | data[1] << 8 | data[2]);
                totals.slowestTempo = std::max(totals.slowestTempo, tempo);
            } else if (event.metaType == 0x03 && track == 0 && event.length > 0 &&
                       totals.titleLength == 0) {
                totals.titleOffset = event.dataOffset;
                totals.titleLength = event.length;
            }
        } else if ((status & 0xF0) == 0x90) {
            totals.notes[status & 0x0F] += event.data2 != 0 ? 1 : 0;
        } else if ((status & 0xF0) == 0xC0) {
            totals.programs[status & 0x0F] = event.data1;
        }
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
    const Divider divider;
    TimedEvent *table;
    SongTotals &totals;
    uint64_t previousTick = 0;
    uint32_t tempo = NORMAL_TEMPO;
    uint64_t wholeMs = 0;
    uint64_t remainder = 0;
    int32_t time = 0;
    unsigned __int128 sum = 0; ///< tick-microseconds since the start, when times are not kept
    size_t count = 0;
};

// Merges the tracks by tick (ties: lower track first), each read from its cursor as the merge
// reaches it, taking one track's events for as long as it stays ahead of all others.
template <typename Head, typename Sink>
Merged Merge(std::vector<TrackCursor> &tracks, const unsigned char *image, Sink &sink)
{
    const char *ignored = nullptr;
    MergeQueue<Head> pending(tracks.size());
    for (size_t i = 0; i < tracks.size(); ++i) {
        const Step first = Decode(tracks[i], image, &ignored);
        if (first == Step::Fail) {
            return Merged::Failed;
        }
        if (first == Step::Event) {
            pending.Push(Head::Make(tracks[i].delta, static_cast<int>(i)));
        }
    }
    while (!pending.IsEmpty()) {
        Head next = pending.Top();
        const Head *rival = pending.Second();
        const int index = next.Track();
        TrackCursor &track = tracks[index];
        while (true) {
            sink.Take(track.event, next.Time(), index);
            const Step step = Decode(track, image, &ignored);
            if (step == Step::Fail) {
                return Merged::Failed;
            }
            if (step == Step::End) {
                pending.PopTop();
                break;
            }
            if (!next.TryAdvance(track.delta)) {
                return Merged::TooLong;
            }
            if (rival != nullptr && !(next < *rival)) {
                pending.ReplaceTop(next);
                break;
            }
        }
    }
    sink.Finish();
    return Merged::Done;
}

// Finds the tracks by their chunk lengths alone: each track may read only its own chunk, and the
// next is looked for right after it. That is where the list reader finds them whenever every
// track ends inside its chunk, which the merge then checks. False when the chunks do not say.
bool LocateByChunks(const unsigned char *data, size_t size, std::vector<TrackCursor> &tracks)
{
    size_t position = HEADER_BYTES;
    for (TrackCursor &track : tracks) {
        position = SkipUnknownChunks(data, size, position);
        if (size - position < 8 || BigEndianAt(data + position, 4) != kTrackTag) {
            return false;
        }
        const uint32_t length = BigEndianAt(data + position + 4, 4);
        if (length > size - position - 8) {
            return false;
        }
        track = TrackCursor{};
        track.at = data + position + 8;
        track.end = track.at + length;
        position += 8 + static_cast<size_t>(length);
    }
    return true;
}

// Finds the tracks the way the list reader reads them, one after the other, every track
// allowed to read up to the end of the file, and gives its warnings when one is broken. Sets
// the ticks of the longest track. False when a track is broken.
bool LocateByReading(const unsigned char *data, size_t size, const std::string &name,
                     std::vector<TrackCursor> &tracks, uint64_t &longestTrack)
{
    size_t position = HEADER_BYTES;
    longestTrack = 0;
    for (TrackCursor &track : tracks) {
        position = SkipUnknownChunks(data, size, position);
        const char *warning = nullptr;
        bool read = size - position >= 8 && BigEndianAt(data + position, 4) == kTrackTag;
        TrackCursor reader;
        size_t chunkEnd = 0;
        if (read) {
            // A chunk length that does not fit the file is not trusted: the next chunk is then
            // looked for right after End of Track. Bytes after End of Track inside the chunk
            // (padding) are skipped.
            const uint32_t length = BigEndianAt(data + position + 4, 4);
            position += 8;
            chunkEnd = length <= size - position ? position + length : 0;
            reader.at = data + position;
            reader.end = data + size;
            track = reader;
        }
        uint64_t ticks = 0;
        Step step = read ? Step::Event : Step::Fail;
        while (step == Step::Event) {
            step = Decode(reader, data, &warning);
            ticks += step == Step::Event ? reader.delta : 0;
        }
        if (step == Step::Fail) {
            if (warning != nullptr) {
                ShowWarning(name, warning);
            }
            ShowWarning(name, "INVALID TRACK");
            return false;
        }
        position = static_cast<size_t>(reader.at - data);
        if (chunkEnd != 0 && position < chunkEnd) {
            position = chunkEnd;
        }
        longestTrack = std::max(longestTrack, ticks);
    }
    return true;
}

// Merges with the cheaper packed head when the ticks allow it.
template <typename Sink>
Merged MergeAll(std::vector<TrackCursor> &tracks, const unsigned char *image, Sink &sink,
                bool packed)
{
    return packed ? Merge<PackedMergeHead>(tracks, image, sink)
                  : Merge<MergeHead>(tracks, image, sink);
}

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

bool CompactSong::Read(const std::string &path, Keep keep)
{
    Clear();
    // Opened without blocking and read up to the cap, as every song file.
    std::string reason;
    switch (ReadRegularFile(path, MAX_SONG_FILE_BYTES, image, &reason)) {
    case SafeReadResult::Read:
        break;
    case SafeReadResult::Refused:
        ShowWarning(path, reason);
        return false;
    case SafeReadResult::Missing:
    case SafeReadResult::Unreadable:
        ShowWarning(path, "File Open Error.");
        return false;
    }
    return Parse(path, keep);
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
    // A division of 0 would make every time infinite; offsets into the file are 32-bit.
    if (size < HEADER_BYTES || BigEndianAt(data, 4) != kHeaderTag ||
        BigEndianAt(data + 4, 4) != 6 || BigEndianAt(data + 12, 2) == 0 || size > UINT32_MAX) {
        ShowWarning(name, "File is NOT midi.");
        Clear();
        return false;
    }
    format = static_cast<uint16_t>(BigEndianAt(data + 8, 2));
    trackCount = static_cast<uint16_t>(BigEndianAt(data + 10, 2));
    division = static_cast<uint16_t>(BigEndianAt(data + 12, 2));
    // No more tracks than the rest of the file can hold.
    if (trackCount > (size - HEADER_BYTES) / MIN_TRACK_BYTES) {
        ShowWarning(name, "INVALID TRACK");
        Clear();
        return false;
    }

    TimedEvent *records = nullptr;
    if (keep == Keep::Events) {
        // Every event takes at least two bytes (a delta and a status or data byte). The block
        // is only reserved: the pages the records never reach are never touched.
        const size_t most = (size - HEADER_BYTES) / 2 + 1;
        table = std::make_unique<PageBlock>();
        if (!table->Resize(most * sizeof(TimedEvent))) {
            ShowWarning(name, "INVALID TRACK");
            Clear();
            return false;
        }
        records = static_cast<TimedEvent *>(table->Data());
    }

    std::vector<TrackCursor> tracks(trackCount);
    const auto merge = [&](bool packed) {
        totals = SongTotals();
        if (records != nullptr) {
            Timer<true> timer(data, division, records, totals);
            return MergeAll(tracks, data, timer, packed);
        }
        Timer<false> timer(data, division, nullptr, totals);
        return MergeAll(tracks, data, timer, packed);
    };
    // Nearly every file: each track ends inside its chunk, and one pass reads and merges.
    Merged merged = LocateByChunks(data, size, tracks) ? merge(true) : Merged::Failed;
    if (merged != Merged::Done) {
        // The rest are read the slow way: first one track after the other, as the list reader
        // does (its warnings, its idea of where each track begins), then merged.
        uint64_t longestTrack = 0;
        if (!LocateByReading(data, size, name, tracks, longestTrack)) {
            Clear();
            return false;
        }
        merged = merge(longestTrack < PACKED_TICK_LIMIT);
        if (merged != Merged::Done) {
            ShowWarning(name, "INVALID TRACK");
            Clear();
            return false;
        }
    }
    events = records;
    return true;
}
