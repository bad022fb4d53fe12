// ReadMidi: the private heap, the Standard MIDI File reader, the track merger and conversions.
#include "smf/ReadMidi.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/MessageBox.h"
#include "platform/SafeFile.h"
#include "smf/MidiHeap.h"
#include "smf/MidiHeapScope.h"
#include "smf/PageBlock.h"

// The private heap: every record read or merged lives here until ReleaseMidiLib.
MidiHeap *g_hheap = nullptr;

namespace {

const size_t HEAP_INITIAL_SIZE = 4096; // bytes of the heap's first chunk

// Shortest possible track chunk: "MTrk", its length and an End of Track event (00 FF 2F 00).
const size_t MIN_TRACK_BYTES = 12;

// Chunk tags as big-endian numbers: "MThd" and "MTrk" in ASCII.
const uint32_t kHeaderTag = 0x4D546864;
const uint32_t kTrackTag = 0x4D54726B;

void Warn(const char *path, const char *text)
{
    ShowWarning(path != nullptr ? path : "", text);
}

unsigned char ReadByte(MidiFileBuffer *file)
{
    if (file->position >= file->size) {
        file->failed = true;
        return 0;
    }
    return file->data[file->position++];
}

size_t Remaining(const MidiFileBuffer *file)
{
    return file->position < file->size ? file->size - file->position : 0;
}

// Reads count bytes into a fresh heap block of blockSize bytes starting at offset 'skip'.
// Null when the file does not hold that many bytes or the heap is exhausted.
unsigned char *ReadBlock(MidiFileBuffer *file, size_t count, size_t skip)
{
    if (count > Remaining(file)) {
        file->failed = true;
        return nullptr;
    }
    unsigned char *block = static_cast<unsigned char *>(Alloc(count + skip));
    if (block == nullptr) {
        return nullptr;
    }
    if (count > 0) {
        std::memcpy(block + skip, file->data + file->position, count);
    }
    file->position += count;
    return block;
}

// Where the data of an event goes: a song's own copy of its file is kept as long as the song,
// so events point into it; bytes that belong to someone else are copied into the heap.
struct DataSource
{
    MidiFileBuffer *file;
    bool ownsImage; ///< file->data is the song's copy (held in the heap), which may be changed
};

// The next count bytes of the file as event data: a pointer into the song's copy, or a copy.
// 'skip' bytes before them are reserved for a prefix the caller writes (SysEx: 0xF0), which
// in the song's copy overwrite the last bytes of the length read just before. Null when the
// file does not hold that many bytes or the heap is exhausted.
unsigned char *TakeData(const DataSource &source, size_t count, size_t skip)
{
    MidiFileBuffer *file = source.file;
    if (!source.ownsImage) {
        return ReadBlock(file, count, skip);
    }
    if (count > Remaining(file)) {
        file->failed = true;
        return nullptr;
    }
    unsigned char *block = const_cast<unsigned char *>(file->data) + file->position - skip;
    file->position += count;
    return block;
}

uint32_t ReadBigEndian(MidiFileBuffer *file, int bytes)
{
    // Byte by byte, most significant first; no buffer, so no compiler has to prove its bounds.
    uint32_t value = 0;
    for (int i = 0; i < bytes && i < 4; ++i) {
        value = (value << 8) | ReadByte(file);
    }
    return value;
}

// Required data length of a meta type: -1 any length, -2 a type this reader does not know.
int MetaLength(unsigned char type)
{
    if (type >= 0x01 && type <= 0x09) {
        return -1;
    }
    switch (type) {
    case 0x00:
        return 2; // sequence number
    case 0x20:    // channel prefix
    case 0x21:    // port
        return 1;
    case 0x2F:
        return 0; // End of Track
    case 0x51:
        return 3; // Set Tempo
    case 0x54:
        return 5; // SMPTE offset
    case 0x58:
        return 4; // time signature
    case 0x59:
        return 2; // key signature
    case 0x7F:
        return -1; // sequencer specific
    default:
        return -2;
    }
}

// Reads a variable-length byte count and that many data bytes into the event (no data for 0).
// 'required' >= 0 is the only count allowed (fixed-length meta types): another count is refused
// before any data is read, so a wrong length is reported as such even when the file is too
// short to hold it.
bool ReadLengthAndData(const DataSource &source, MidiEvent *event, int required)
{
    MidiFileBuffer *file = source.file;
    const uint32_t count = ReadDelta(file, nullptr);
    if (file->failed) {
        return false;
    }
    if (required >= 0 && static_cast<uint32_t>(required) != count) {
        Warn(file->path, "Invalid Data Length of Static Length Meta Event");
        return false;
    }
    if (count > 0) {
        event->data = TakeData(source, count, 0);
        if (event->data == nullptr) {
            return false;
        }
    }
    event->length = static_cast<int32_t>(count);
    return true;
}

// Reads the body of a SysEx, escape or meta event (status 0xF0-0xFF) after its delta and
// status byte. 1: event read, 2: End of Track, 0: failure (a warning was shown where the
// failure has a text of its own).
int ReadSystemEventBody(const DataSource &source, MidiEvent *event)
{
    MidiFileBuffer *file = source.file;
    if (event->status == 0xF0) {
        // SysEx: stored as F0 followed by the bytes of the file (normally ending in F7).
        uint32_t count = ReadDelta(file, nullptr);
        if (file->failed) {
            return 0;
        }
        event->data = TakeData(source, count, 1);
        if (event->data == nullptr) {
            return 0;
        }
        event->data[0] = 0xF0;
        event->length = static_cast<int32_t>(count) + 1;
        return 1;
    }
    if (event->status == 0xF7) {
        // Escape: bytes to be sent exactly as stored.
        return ReadLengthAndData(source, event, -1) ? 1 : 0;
    }
    if (event->status != 0xFF) {
        return 1; // another system status stands alone
    }

    // Unknown meta types stay in the list (their delta keeps its place) and are never acted on.
    event->metaType = ReadByte(file);
    if (!ReadLengthAndData(source, event, MetaLength(event->metaType))) {
        return 0;
    }
    return event->metaType == 0x2F ? 2 : 1;
}

// The heap this thread's records go to: the innermost MidiHeapScope's, else the shared one.
MidiHeap *CurrentHeap()
{
    if (MidiHeap *own = MidiHeapScope::Current()) {
        return own;
    }
    return g_hheap;
}

// Skips chunks of kinds this reader does not know (the standard allows other chunk types
// between tracks): a chunk whose type is four printable ASCII characters other than "MTrk" and
// whose length fits in the file. Anything else is left for the track reader to refuse.
void SkipUnknownChunks(MidiFileBuffer *file)
{
    while (Remaining(file) >= 8) {
        const unsigned char *chunk = file->data + file->position;
        if (std::memcmp(chunk, "MTrk", 4) == 0) {
            return;
        }
        for (int i = 0; i < 4; ++i) {
            if (chunk[i] < 0x20 || chunk[i] > 0x7E) {
                return;
            }
        }
        MidiFileBuffer lengthField = *file;
        lengthField.position += 4;
        const uint32_t length = ReadBigEndian(&lengthField, 4);
        if (length > Remaining(file) - 8) {
            return;
        }
        file->position += 8 + static_cast<size_t>(length);
    }
}

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

// Merges the track lists of 'midi' into the array at 'first' (one record per event, then room
// for the blank one) and returns the record after the last event written. Whenever the merge
// leaves a track it calls consumed(track, event): the track's records before 'event' are
// merged (all of them when 'event' is its End of Track).
template <typename Head, typename Consumed>
MidiEvent *MergeInto(MidiFile *midi, MidiEvent *first, Consumed &&consumed)
{
    // Absolute times are kept in 64 bits so that long tracks cannot wrap around.
    MergeQueue<Head> pending(midi->trackCount);
    for (int i = 0; i < midi->trackCount; ++i) {
        MidiEvent *head = midi->tracks[i];
        if (head != nullptr && head->next != nullptr) {
            pending.Push(Head::Make(head->delta, i));
        }
    }

    MidiEvent *current = first;
    uint64_t previousTime = 0;
    while (!pending.IsEmpty()) {
        const Head pick = pending.Top();
        const Head *rival = pending.Second();
        const int track = pick.Track();
        MidiEvent *event = midi->tracks[track];
        Head next = pick;
        // Takes the track's events while they come before every other track's next event.
        while (true) {
            *current = *event;
            const uint64_t time = next.Time();
            const uint64_t gap = time - previousTime;
            current->delta = gap > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(gap);
            current->next = current + 1;
            ++current;
            previousTime = time;
            event = event->next;
            if (event->next == nullptr) {
                midi->tracks[track] = event;
                pending.PopTop();
                consumed(track, event);
                break;
            }
            next.Advance(event->delta);
            if (rival != nullptr && !(next < *rival)) {
                midi->tracks[track] = event;
                pending.ReplaceTop(next);
                consumed(track, event);
                break;
            }
        }
    }
    return current;
}

// MergeInto with the cheaper packed key whenever every tick of the song fits it.
template <typename Consumed>
MidiEvent *MergeAll(MidiFile *midi, MidiEvent *first, uint64_t longestTrack, Consumed &&consumed)
{
    return longestTrack < PACKED_TICK_LIMIT ? MergeInto<PackedMergeHead>(midi, first, consumed)
                                            : MergeInto<MergeHead>(midi, first, consumed);
}

// Links a track's records (one after the other) and its End of Track record into a list and
// returns its head.
MidiEvent *LinkTrack(MidiEvent *records, size_t count, MidiEvent *endOfTrack)
{
    for (size_t i = 0; i + 1 < count; ++i) {
        records[i].next = &records[i + 1];
    }
    if (count == 0) {
        return endOfTrack;
    }
    records[count - 1].next = endOfTrack;
    return records;
}

} // namespace

// The track lists of one file from reading until the merge: the records of all tracks one after
// the other, without their End of Track events, which live in the heap with the file so that the
// heads stay valid after the merge. Once the file is merged the space serves the next file.
struct MidiTrackStore
{
    MidiEvent *events = nullptr; ///< 'capacity' records in 'block', 'count' of them in use
    size_t count = 0;
    size_t capacity = 0;
    uint64_t longestTrack = 0;        ///< ticks of the longest track read into the store
    std::vector<size_t> starts;       ///< index of each track's first record, then 'count'
    std::shared_ptr<PageBlock> block; ///< null until the first record (or after a hand-over)

    // Makes room for 'records' records in all (the contents are kept). False when memory runs
    // out.
    bool Reserve(size_t records)
    {
        if (records <= capacity) {
            return true;
        }
        if (!block) {
            block = std::make_shared<PageBlock>();
            capacity = 0;
        }
        if (records > SIZE_MAX / sizeof(MidiEvent) || !block->Resize(records * sizeof(MidiEvent))) {
            return false;
        }
        events = static_cast<MidiEvent *>(block->Data());
        capacity = records;
        return true;
    }
    // A new blank record at the end; null when memory runs out.
    MidiEvent *Append()
    {
        if (count == capacity && !Reserve(capacity < 1024 ? 1024 : capacity * 2)) {
            return nullptr;
        }
        MidiEvent *event = &events[count++];
        *event = MidiEvent{};
        return event;
    }
};

namespace {

// Who owns a track store: while its file is read and not merged, the heap the file was read
// into (MidiHeap::Keep), so it lives exactly as long as the records that point at it and goes
// with that heap on whichever thread the heap is used; once merged, the merging thread, which
// keeps one free store for its next file. No store is shared between threads, so a reader
// thread never touches memory another thread frees.
thread_local std::shared_ptr<MidiTrackStore> t_spareStore;

// A free store big enough for this many records is kept for the next file; a larger one (a
// huge song) is given back to the system once its file is merged.
const size_t SPARE_STORE_RECORDS = (64u << 20) / sizeof(MidiEvent);
// Bytes of merged track records given back to the system at a time (one huge page), so that
// the calls stay few.
const size_t RELEASE_BYTES = 2u << 20;

// A store for the next file, owned by 'heap' (the heap the file is read into).
MidiTrackStore *TakeStore(MidiHeap *heap)
{
    std::shared_ptr<MidiTrackStore> store =
        t_spareStore ? std::move(t_spareStore) : std::make_shared<MidiTrackStore>();
    store->count = 0;
    store->longestTrack = 0;
    if (!store->block) {
        store->capacity = 0;
        store->events = nullptr;
    }
    MidiTrackStore *taken = store.get();
    heap->Keep(std::move(store));
    return taken;
}

// Takes the store back from a merged file: this thread keeps it for its next file unless it
// keeps one already or it is huge. A store that is not kept gives its memory to 'scratch' when
// that is not null. A store read into another heap than this thread's current one stays with
// that heap.
void ReturnStore(MidiTrackStore *store, std::shared_ptr<PageBlock> *scratch = nullptr)
{
    MidiHeap *heap = CurrentHeap();
    std::shared_ptr<MidiTrackStore> owned =
        heap != nullptr ? std::static_pointer_cast<MidiTrackStore>(heap->Give(store)) : nullptr;
    if (!owned) {
        return;
    }
    if (!t_spareStore && owned->capacity <= SPARE_STORE_RECORDS) {
        t_spareStore = std::move(owned);
    } else if (scratch != nullptr) {
        *scratch = std::move(owned->block);
    }
}

// Reads one track chunk at the file's position: its events are appended to the store, its End
// of Track event goes to *endOfTrack. False on failure (after a warning where the failure has a
// text of its own).
bool DecodeTrack(const DataSource &source, MidiTrackStore *store, MidiEvent *endOfTrack, int track)
{
    MidiFileBuffer *file = source.file;
    // The chunk tag is read as one big-endian number and compared with the tag's four ASCII
    // bytes, so no byte array is involved.
    const uint32_t tag = ReadBigEndian(file, 4);
    if (file->failed || tag != kTrackTag) {
        return false;
    }
    // The track ends at its End of Track event. When the chunk length fits the file, bytes
    // the chunk holds after that event (padding) are skipped; a length that does not fit the
    // file is not trusted, and the next chunk is looked for right after End of Track.
    const uint32_t length = ReadBigEndian(file, 4);
    const size_t chunkEnd =
        !file->failed && length <= Remaining(file) ? file->position + length : 0;

    // Running status: the last channel status. Meta, SysEx and other system events leave it as
    // it was, so a data byte after them continues the last channel message.
    unsigned char runningStatus = 0;
    uint64_t ticks = 0; // of the events read so far
    while (true) {
        MidiEvent *event = store->Append();
        if (event == nullptr) {
            return false;
        }
        event->track = track;
        event->delta = ReadDelta(file, nullptr);
        ticks += event->delta;
        unsigned char status = ReadByte(file);
        if (file->failed) {
            return false;
        }
        if (status < 0x80) {
            status = runningStatus;
            --file->position; // the byte is read again as data
            if (status == 0) {
                Warn(file->path, "Invalid Status Byte");
                return false;
            }
        }
        event->status = status;
        if (status < 0xF0) {
            event->data1 = ReadByte(file);
            // Program Change (0xCn) and Channel Pressure (0xDn) carry one data byte.
            if ((status & 0xE0) != 0xC0) {
                event->data2 = ReadByte(file);
            }
            if (file->failed) {
                return false;
            }
            runningStatus = status;
            continue;
        }
        const int result = ReadSystemEventBody(source, event);
        if (result == 0) {
            return false;
        }
        if (result == 2) {
            if (chunkEnd != 0 && file->position < chunkEnd) {
                file->position = chunkEnd;
            }
            *endOfTrack = *event;
            if (ticks > store->longestTrack) {
                store->longestTrack = ticks;
            }
            --store->count;
            return true;
        }
    }
}

// Reads a file whose bytes are in memory. 'ownsImage': the bytes are the song's own copy in
// the heap, which events may point into (and change: see TakeData).
MidiFile *ParseFile(const unsigned char *data, size_t size, const char *name, bool ownsImage)
{
    MidiFileBuffer file{data, data != nullptr ? size : 0, 0, false, name};
    const uint32_t tag = ReadBigEndian(&file, 4);
    uint32_t headerLength = ReadBigEndian(&file, 4);
    uint16_t format = static_cast<uint16_t>(ReadBigEndian(&file, 2));
    uint16_t trackCount = static_cast<uint16_t>(ReadBigEndian(&file, 2));
    uint16_t division = static_cast<uint16_t>(ReadBigEndian(&file, 2));
    // A division of 0 would make every time infinite.
    if (file.failed || tag != kHeaderTag || headerLength != 6 || division == 0) {
        Warn(name, "File is NOT midi.");
        return nullptr;
    }

    MidiFile *midi = static_cast<MidiFile *>(Alloc(sizeof(MidiFile)));
    // The head array is only as large as the rest of the file can back.
    bool backed = trackCount <= Remaining(&file) / MIN_TRACK_BYTES;
    MidiEvent **heads =
        backed ? static_cast<MidiEvent **>(Alloc(sizeof(MidiEvent *) * trackCount)) : nullptr;
    MidiEvent *ends =
        backed ? static_cast<MidiEvent *>(Alloc(sizeof(MidiEvent) * trackCount)) : nullptr;
    if (midi == nullptr || heads == nullptr || ends == nullptr) {
        Warn(name, "INVALID TRACK");
        return nullptr;
    }
    MidiTrackStore *store = TakeStore(CurrentHeap());
    // Every event takes at least two bytes (a delta and a status or data byte).
    store->Reserve(Remaining(&file) / 2 + 1);
    std::vector<size_t> &starts = store->starts;
    starts.assign(trackCount + 1, 0);
    const DataSource source{&file, ownsImage};
    for (int i = 0; i < trackCount; ++i) {
        SkipUnknownChunks(&file);
        starts[i] = store->count;
        if (!DecodeTrack(source, store, &ends[i], i)) {
            ReturnStore(store);
            Warn(name, "INVALID TRACK");
            return nullptr;
        }
    }
    starts[trackCount] = store->count;
    // The store may have moved while it grew, so the lists are linked once it is complete.
    for (int i = 0; i < trackCount; ++i) {
        heads[i] = LinkTrack(store->events + starts[i], starts[i + 1] - starts[i], &ends[i]);
    }
    midi->tracks = heads;
    midi->trackCount = trackCount;
    midi->format = format;
    midi->division = division;
    midi->tempo = 500000;
    midi->trackStore = store;
    return midi;
}

} // namespace

extern "C" {

int CreateMidiHeap(void)
{
    if (g_hheap != nullptr) {
        return 0;
    }
    g_hheap = new (std::nothrow) MidiHeap(HEAP_INITIAL_SIZE);
    return g_hheap != nullptr ? 0 : -1;
}

void FreeMidiHeap(void)
{
    // The stores of files read into the shared heap and not merged go with it.
    t_spareStore.reset();
    delete g_hheap;
    g_hheap = nullptr;
}

void *Alloc(size_t bytes)
{
    MidiHeap *heap = CurrentHeap();
    return heap != nullptr ? heap->Alloc(bytes) : nullptr;
}

uint32_t ReadDelta(MidiFileBuffer *file, uint32_t *value)
{
    uint32_t result = 0;
    for (int i = 0; i < 4; ++i) {
        unsigned char byte = ReadByte(file);
        result = (result << 7) | (byte & 0x7F);
        if ((byte & 0x80) == 0) {
            break;
        }
    }
    if (value != nullptr) {
        *value = result;
    }
    return result;
}

void ReadAndReverse(MidiFileBuffer *file, unsigned char *buffer, int n)
{
    for (int i = 0; i < n; ++i) {
        buffer[i] = ReadByte(file);
    }
    for (int i = 0, j = n - 1; i < j; ++i, --j) {
        unsigned char byte = buffer[i];
        buffer[i] = buffer[j];
        buffer[j] = byte;
    }
}

int ReadTrack(MidiFileBuffer *file, MidiEvent **head, int track)
{
    // The caller's bytes may not outlive the list: event data is copied into the heap.
    MidiTrackStore store;
    MidiEvent *endOfTrack = static_cast<MidiEvent *>(Alloc(sizeof(MidiEvent)));
    if (endOfTrack == nullptr || !DecodeTrack(DataSource{file, false}, &store, endOfTrack, track)) {
        return 0;
    }
    MidiEvent *records = static_cast<MidiEvent *>(Alloc(sizeof(MidiEvent) * store.count));
    if (records == nullptr) {
        return 0;
    }
    if (store.count > 0) {
        std::memcpy(records, store.events, sizeof(MidiEvent) * store.count);
    }
    *head = LinkTrack(records, store.count, endOfTrack);
    return 1;
}

MidiFile *ReadMidiFile(const char *path)
{
    const char *name = path != nullptr ? path : "";
    // Opened without blocking (a FIFO named like a song) and read up to a cap (a file that
    // is still being written, or a link to an endless device).
    std::string bytes;
    std::string reason;
    switch (path != nullptr ? ReadRegularFile(path, MAX_SONG_FILE_BYTES, bytes, &reason)
                            : SafeReadResult::Missing) {
    case SafeReadResult::Read:
        break;
    case SafeReadResult::Refused:
        Warn(name, reason.c_str());
        return nullptr;
    case SafeReadResult::Missing:
    case SafeReadResult::Unreadable:
        Warn(name, "File Open Error.");
        return nullptr;
    }

    return ReadMidiBuffer(reinterpret_cast<const unsigned char *>(bytes.data()), bytes.size(),
                          name);
}

MidiEvent *MargeTrack(MidiFile *midi)
{
    return MargeTrackCounted(midi, nullptr);
}

long double GetDeltaMilliSecond(MidiEvent *event, MidiFile *midi)
{
    if (midi == nullptr || event == nullptr || midi->division == 0) {
        return -1;
    }
    return static_cast<long double>(event->delta) * (static_cast<long double>(midi->tempo) / 1000) /
           midi->division;
}

unsigned char GetEventType(MidiEvent *event)
{
    if (event == nullptr) {
        return 0;
    }
    if (event->status == 0xFF) {
        return 0xFF;
    }
    return event->status & 0xF0;
}

int GetChannel(MidiEvent *event)
{
    return event != nullptr ? event->status & 0x0F : 0;
}

int GetNote(MidiEvent *event, char *buffer, int length)
{
    if (event == nullptr || buffer == nullptr || length < 5) {
        return 0;
    }
    static const char *const names[12] = {"C",  "C#", "D",  "D#", "E",  "F",
                                          "F#", "G",  "G#", "A",  "A#", "B"};
    std::memset(buffer, 0, length);
    std::snprintf(buffer, length, "%s%d", names[event->data1 % 12], event->data1 / 12 - 3);
    return 1;
}

} // extern "C"

MidiFile *ReadMidiBuffer(const unsigned char *data, size_t size, const char *name)
{
    if (name == nullptr) {
        name = "";
    }
    if (data == nullptr) {
        size = 0;
    }
    // The song keeps its own copy of the bytes, which its events point into.
    MidiHeap *heap = CurrentHeap();
    unsigned char *image =
        heap != nullptr ? static_cast<unsigned char *>(heap->AllocUninitialized(size)) : nullptr;
    if (image == nullptr) {
        return ParseFile(data, size, name, false);
    }
    if (size > 0) {
        std::memcpy(image, data, size);
    }
    return ParseFile(image, size, name, true);
}

MidiEvent *MargeTrackCounted(MidiFile *midi, size_t *count, std::shared_ptr<PageBlock> *scratch)
{
    if (count != nullptr) {
        *count = 0;
    }
    if (midi == nullptr || midi->tracks == nullptr) {
        return static_cast<MidiEvent *>(Alloc(sizeof(MidiEvent)));
    }
    // Events still in the track lists (End of Track not counted)
    // and the length of the longest track in ticks.
    size_t total = 0;
    uint64_t longestTrack = 0;
    if (midi->trackStore != nullptr) {
        total = midi->trackStore->count;
        longestTrack = midi->trackStore->longestTrack;
    } else {
        for (int i = 0; i < midi->trackCount; ++i) {
            uint64_t ticks = 0;
            for (MidiEvent *e = midi->tracks[i]; e != nullptr && e->next != nullptr; e = e->next) {
                ++total;
                ticks += e->delta;
            }
            longestTrack = ticks > longestTrack ? ticks : longestTrack;
        }
    }
    // Every record is written below, the blank one included.
    MidiHeap *heap = CurrentHeap();
    MidiEvent *first =
        heap != nullptr && total < SIZE_MAX / sizeof(MidiEvent) - 1
            ? static_cast<MidiEvent *>(heap->AllocUninitialized((total + 1) * sizeof(MidiEvent)))
            : nullptr;
    if (first == nullptr) {
        return nullptr;
    }

    MidiEvent *current = nullptr;
    MidiTrackStore *store = midi->trackStore;
    if (store != nullptr && store->capacity > SPARE_STORE_RECORDS && store->block) {
        // A huge song's track lists are not kept for the next file, so their pages go back to
        // the system as the merge passes them: the merged copy then grows into the memory the
        // lists give up instead of doubling the song's footprint. When the memory is handed on
        // (see 'scratch'), its first half stays: the caller's timed table (16-byte records, half
        // a MidiEvent) is written there next, into pages already in memory.
        const size_t kept = scratch != nullptr ? total * sizeof(MidiEvent) / 2 : 0;
        std::vector<size_t> released(store->starts.begin(), store->starts.end() - 1);
        const auto consumed = [store, kept, &released](int track, const MidiEvent *event) {
            const size_t begin = store->starts[track];
            const size_t end = store->starts[track + 1];
            const MidiEvent *records = store->events;
            const size_t upTo = event >= records + begin && event < records + end
                                    ? static_cast<size_t>(event - records)
                                    : end;
            if ((upTo - released[track]) * sizeof(MidiEvent) >= RELEASE_BYTES || upTo == end) {
                const size_t from = std::max(released[track] * sizeof(MidiEvent), kept);
                const size_t to = upTo * sizeof(MidiEvent);
                if (from < to) {
                    store->block->Discard(from, to - from);
                }
                released[track] = upTo;
            }
        };
        current = MergeAll(midi, first, longestTrack, consumed);
    } else {
        current = MergeAll(midi, first, longestTrack, [](int, const MidiEvent *) {});
    }
    *current = MidiEvent{};

    if (midi->trackStore != nullptr) {
        ReturnStore(midi->trackStore, scratch);
        midi->trackStore = nullptr;
    }
    if (count != nullptr) {
        *count = static_cast<size_t>(current - first);
    }
    return first;
}
