// PlaySong: a song read to be played: the file's bytes and one timed KeyPosition per event.
#include "song/PlaySong.h"

#include <algorithm>
#include <vector>

#include "smf/CompactMerge.h"
#include "smf/CompactSong.h"

namespace {

using namespace compact;

// Times the events as the merge hands them over, writes one record per event and counts the
// totals.
class PlayWriter
{
public:
    PlayWriter(const unsigned char *image, uint16_t division, KeyPosition *table,
               SongTotals &totals, uint32_t &startTempo)
        : image(image), clock(division), table(table), totals(totals), startTempo(startTempo)
    {
    }

    void Take(const TimedEvent &event, uint64_t tick, int track)
    {
        const int32_t time = clock.At(tick);
        const unsigned char status = event.status;
        const int channel = status & 0x0F;
        const int type = status == 0xFF ? 0xFF : status & 0xF0;
        const bool isNote = type == 0x90 && event.data2 != 0;
        uint32_t tempo = 0;
        if (totals.Count(event, image, track, tempo)) {
            clock.SetTempo(tempo);
            if (tick == 0)
                startTempo = tempo;
        }
        // The record is made whole in registers and stored once: setting the bit-fields in the
        // table itself would read each fresh record back before writing it, a stall per event.
        KeyPosition record;
        record.event = PlayEvent::Decoded(status, event.data1, event.data2, event.metaType,
                                          image + event.dataOffset, event.length);
        record.time = time;
        record.type = type;
        record.note = isNote ? event.data1 : -1;
        record.channel = isNote ? channel : -1;
        record.isNote = isNote;
        table[count++] = record;
    }

    void Finish()
    {
        totals.events = count;
        totals.lastTime = clock.Time();
    }

private:
    const unsigned char *image;
    SongClock clock;
    KeyPosition *table;
    SongTotals &totals;
    uint32_t &startTempo;
    size_t count = 0;
};

// Files up to this size keep their data lengths in a PlayEvent (bytes).
const size_t MOST_BYTES = (size_t(1) << 31) - 1;

} // namespace

void PlaySong::Clear()
{
    image.clear();
    image.shrink_to_fit();
    block.Resize(0);
    records = nullptr;
    header = MidiFile{};
    totals = SongTotals();
    startTempo = NORMAL_TEMPO;
}

bool PlaySong::Read(const std::string &path)
{
    Clear();
    return CompactSong::ReadImage(path, image) && Parse(path);
}

bool PlaySong::ReadBytes(const unsigned char *data, size_t size, const std::string &name)
{
    Clear();
    if (data != nullptr && size > 0) {
        image.assign(reinterpret_cast<const char *>(data), size);
    }
    return Parse(name);
}

bool PlaySong::Parse(const std::string &name)
{
    const unsigned char *data = reinterpret_cast<const unsigned char *>(image.data());
    const size_t size = image.size();
    const auto prepare = [&] {
        // Every event takes at least two bytes (a delta and a status or data byte). The block
        // is only reserved: the pages the records never reach are never touched.
        const size_t most = (size - HEADER_BYTES) / 2 + 1;
        if (size > MOST_BYTES || !block.Resize(most * sizeof(KeyPosition))) {
            return false;
        }
        records = static_cast<KeyPosition *>(block.Data());
        return true;
    };
    SmfHeader read;
    const auto merge = [&](std::vector<TrackCursor> &tracks, bool packed) {
        totals = SongTotals();
        startTempo = NORMAL_TEMPO;
        PlayWriter writer(data, read.division, records, totals, startTempo);
        return MergeAll(tracks, data, writer, packed);
    };
    if (!ParseImage(data, size, name, read, prepare, merge)) {
        Clear();
        return false;
    }
    header.division = read.division;
    header.format = read.format;
    header.trackCount = read.trackCount;
    header.tempo = NORMAL_TEMPO;
    return true;
}

std::string PlaySong::Title() const
{
    return image.substr(totals.titleOffset, totals.titleLength);
}

KeyPositionTable PlaySong::Table(const std::shared_ptr<PlaySong> &song)
{
    if (!song) {
        return KeyPositionTable();
    }
    // Even without events the table holds the song: its header lives there.
    return KeyPositionTable(std::shared_ptr<const KeyPosition>(song, song->records),
                            song->totals.events);
}
