// CompactSong: a Standard MIDI File read for the game's own use: the file's bytes and one timed
// record per event, in time order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "smf/TimedEvent.h"

class PageBlock;

// What a song's events add up to, counted while they are read (so nobody walks them again).
struct SongTotals
{
    static const int CHANNELS = 16;

    size_t events = 0;            ///< events in time order (End of Track not counted)
    int32_t lastTime = 0;         ///< ms of the last event, 0 without events
    int64_t notes[CHANNELS] = {}; ///< sounding Note Ons per channel
    int programs[CHANNELS] = {};  ///< the last Program Change per channel, 0 when none
    uint32_t slowestTempo = 0;    ///< the largest Set Tempo (µs per quarter note), 0 when none
    uint32_t titleOffset = 0;     ///< where the first track's first name lies in the file
    uint32_t titleLength = 0;     ///< its bytes; 0 when the first track names nothing

    // Counts one event of 'track' (bytes in 'image') in the merge's order. True for a Set Tempo,
    // its µs per quarter note in 'tempo', for the reader's clock. Inline: called per event.
    bool Count(const TimedEvent &event, const unsigned char *image, int track, uint32_t &tempo)
    {
        const unsigned char status = event.status;
        if (status == 0xFF) {
            if (event.metaType == 0x51 && event.length >= 3) {
                const unsigned char *data = image + event.dataOffset;
                tempo = static_cast<uint32_t>(data[0] << 16 | data[1] << 8 | data[2]);
                slowestTempo = tempo > slowestTempo ? tempo : slowestTempo;
                return true;
            }
            if (event.metaType == 0x03 && track == 0 && event.length > 0 && titleLength == 0) {
                titleOffset = event.dataOffset;
                titleLength = event.length;
            }
        } else if ((status & 0xF0) == 0x90) {
            notes[status & 0x0F] += event.data2 != 0 ? 1 : 0;
        } else if ((status & 0xF0) == 0xC0) {
            programs[status & 0x0F] = event.data1;
        }
        return false;
    }
};

// Reads a file the way ReadMidiFile does (same checks, same warnings, same order of events and
// the same millisecond times as the merged and analysed list) without building that list: each
// track is decoded straight from the file's bytes as the merge reaches it, and the merge writes
// the timed records itself. Nothing else is kept: the bytes, the records and the totals.
class CompactSong
{
public:
    // Totals: only the totals and the header are kept (a song's summary). Events: the timed
    // records too (a song to show or play).
    enum class Keep
    {
        Totals,
        Events,
    };

    CompactSong();
    ~CompactSong();
    CompactSong(const CompactSong &) = delete;
    CompactSong &operator=(const CompactSong &) = delete;

    // Reads the file at 'path' (opened and capped as every song file). False after the
    // reader's warnings ("File Open Error.", "File is NOT midi.", "INVALID TRACK", ...) when it
    // cannot be read; the song is then empty.
    bool Read(const std::string &path, Keep keep);
    // Reads a song file's bytes into 'image' as every song file is read (without blocking, up
    // to the cap); false after its warning when it cannot be read. Shared with the play path.
    static bool ReadImage(const std::string &path, std::string &image);
    // The same on bytes in memory, which the song copies; 'name' is used in the warnings.
    bool ReadBytes(const unsigned char *data, size_t size, const std::string &name, Keep keep);
    // Lets everything go.
    void Clear();

    uint16_t Format() const { return format; }
    uint16_t TrackCount() const { return trackCount; }
    uint16_t Division() const { return division; } ///< ticks per quarter note
    const SongTotals &Totals() const { return totals; }
    // The timed records (Keep::Events), Totals().events of them; null when none are kept.
    const TimedEvent *Events() const { return events; }
    // The file's bytes, which the records' offsets point into.
    const unsigned char *Image() const
    {
        return reinterpret_cast<const unsigned char *>(image.data());
    }
    size_t Size() const { return image.size(); }

private:
    // Reads what 'image' holds.
    bool Parse(const std::string &name, Keep keep);

    std::string image;                ///< the file's bytes
    std::unique_ptr<PageBlock> table; ///< holds 'events'
    const TimedEvent *events = nullptr;
    SongTotals totals;
    uint16_t format = 0;
    uint16_t trackCount = 0;
    uint16_t division = 0;
};
