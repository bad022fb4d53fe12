// CompactMerge: reading a Standard MIDI File straight from its bytes, the tracks merged by tick
// into whatever record a song keeps (both compact readers share it).
#pragma once

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/MessageBox.h"
#include "smf/MergeQueue.h"
#include "smf/SmfLayout.h"
#include "smf/TimedEvent.h"

namespace compact {

constexpr uint32_t NORMAL_TEMPO = 500000; // µs per quarter note until a Set Tempo says otherwise
constexpr int MAX_TIME_MS = INT32_MAX;    // times are kept in signed 32-bit ms
constexpr size_t HEADER_BYTES = 14;       // "MThd", its length 6, format, tracks, division

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
inline Step DecodeSystem(TrackCursor &track, const unsigned char *at, uint32_t delta,
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

// A song's running time: kept exactly, as whole milliseconds plus a remainder in
// tick-microseconds below one millisecond (division × 1000), and truncated only when read, so
// rounding does not build up. This is the sum of GetDeltaMilliSecond over a merged list's
// events, without its floating-point steps.
class SongClock
{
public:
    explicit SongClock(uint16_t division)
        : perMs(static_cast<uint64_t>(division) * 1000), divider(perMs)
    {
    }

    // Moves to the event at 'tick' (never before the last one) and returns its time in ms.
    int32_t At(uint64_t tick)
    {
        const uint64_t gap = tick - previousTick;
        previousTick = tick;
        if (gap != 0) {
            // As a merged list stores it: at most 2^32 - 1 ticks between two events.
            const uint64_t delta = gap > UINT32_MAX ? UINT32_MAX : gap;
            // delta < 2^32 and tempo < 2^24: the product fits in 64 bits.
            uint64_t whole = 0;
            uint64_t part = 0;
            divider.Divide(delta * tempo, whole, part);
            wholeMs += whole;
            remainder += part;
            if (remainder >= perMs) {
                remainder -= perMs;
                ++wholeMs;
            }
            time = wholeMs >= static_cast<uint64_t>(MAX_TIME_MS) ? MAX_TIME_MS
                                                                 : static_cast<int32_t>(wholeMs);
        }
        return time;
    }
    // A Set Tempo (µs per quarter note) from the event just timed on.
    void SetTempo(uint32_t microseconds) { tempo = microseconds; }
    uint32_t Tempo() const { return tempo; }
    int32_t Time() const { return time; }

private:
    const uint64_t perMs;
    const Divider divider;
    uint64_t previousTick = 0;
    uint32_t tempo = NORMAL_TEMPO;
    uint64_t wholeMs = 0;
    uint64_t remainder = 0;
    int32_t time = 0;
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
inline bool LocateByChunks(const unsigned char *data, size_t size, std::vector<TrackCursor> &tracks)
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
inline bool LocateByReading(const unsigned char *data, size_t size, const std::string &name,
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

// The header words of a file read from its bytes.
struct SmfHeader
{
    uint16_t format = 0;
    uint16_t trackCount = 0;
    uint16_t division = 0; ///< ticks per quarter note, never 0
};

// Reads the file in data[0, size) the way ReadMidiFile does (same checks, same warnings naming
// 'name', same order of events): checks the header, calls prepare() (false: the song's memory
// ran out), then merge(tracks, packed) with the tracks located, which runs Merge or MergeAll
// with a sink of the caller's and may be called a second time (the sink starting over) when the
// chunk lengths cannot be trusted. False, after the warnings, when the file cannot be read.
template <typename Prepare, typename Run>
bool ParseImage(const unsigned char *data, size_t size, const std::string &name, SmfHeader &header,
                Prepare prepare, Run merge)
{
    // A division of 0 would make every time infinite; offsets into the file are 32-bit.
    if (size < HEADER_BYTES || BigEndianAt(data, 4) != kHeaderTag ||
        BigEndianAt(data + 4, 4) != 6 || BigEndianAt(data + 12, 2) == 0 || size > UINT32_MAX) {
        ShowWarning(name, "File is NOT midi.");
        return false;
    }
    header.format = static_cast<uint16_t>(BigEndianAt(data + 8, 2));
    header.trackCount = static_cast<uint16_t>(BigEndianAt(data + 10, 2));
    header.division = static_cast<uint16_t>(BigEndianAt(data + 12, 2));
    // No more tracks than the rest of the file can hold.
    if (header.trackCount > (size - HEADER_BYTES) / MIN_TRACK_BYTES || !prepare()) {
        ShowWarning(name, "INVALID TRACK");
        return false;
    }
    std::vector<TrackCursor> tracks(header.trackCount);
    // Nearly every file: each track ends inside its chunk, and one pass reads and merges.
    Merged merged = LocateByChunks(data, size, tracks) ? merge(tracks, true) : Merged::Failed;
    if (merged != Merged::Done) {
        // The rest are read the slow way: first one track after the other, as the list reader
        // does (its warnings, its idea of where each track begins), then merged.
        uint64_t longestTrack = 0;
        if (!LocateByReading(data, size, name, tracks, longestTrack)) {
            return false;
        }
        merged = merge(tracks, longestTrack < PACKED_TICK_LIMIT);
        if (merged != Merged::Done) {
            ShowWarning(name, "INVALID TRACK");
            return false;
        }
    }
    return true;
}

} // namespace compact
