// ReadMidi: the private heap, the Standard MIDI File reader, the track merger and conversions.
#include "midi/ReadMidi.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/MessageBox.h"
#include "platform/MidiHeap.h"
#include "platform/MidiHeapScope.h"
#include "platform/SafeFile.h"

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
bool ReadLengthAndData(MidiFileBuffer *file, MidiEvent *event, int required)
{
    const uint32_t count = ReadDelta(file, nullptr);
    if (file->failed) {
        return false;
    }
    if (required >= 0 && static_cast<uint32_t>(required) != count) {
        Warn(file->path, "Invalid Data Length of Static Length Meta Event");
        return false;
    }
    if (count > 0) {
        event->data = ReadBlock(file, count, 0);
        if (event->data == nullptr) {
            return false;
        }
    }
    event->length = static_cast<int32_t>(count);
    return true;
}

// Reads the event body after its delta and status byte. 1: event read, 2: End of Track,
// 0: failure (a warning was shown where the failure has a text of its own).
int ReadEventBody(MidiFileBuffer *file, MidiEvent *event)
{
    switch (event->status & 0xF0) {
    case 0x80:
    case 0x90:
    case 0xA0:
    case 0xB0:
    case 0xE0:
        event->data1 = ReadByte(file);
        event->data2 = ReadByte(file);
        return file->failed ? 0 : 1;
    case 0xC0:
    case 0xD0:
        event->data1 = ReadByte(file);
        return file->failed ? 0 : 1;
    default: // 0xF0-0xFF: ReadTrack never passes a status below 0x80
        break;
    }

    if (event->status == 0xF0) {
        // SysEx: stored as F0 followed by the bytes of the file (normally ending in F7).
        uint32_t count = ReadDelta(file, nullptr);
        if (file->failed) {
            return 0;
        }
        event->data = ReadBlock(file, count, 1);
        if (event->data == nullptr) {
            return 0;
        }
        event->data[0] = 0xF0;
        event->length = static_cast<int32_t>(count) + 1;
        return 1;
    }
    if (event->status == 0xF7) {
        // Escape: bytes to be sent exactly as stored.
        return ReadLengthAndData(file, event, -1) ? 1 : 0;
    }
    if (event->status != 0xFF) {
        return 1; // another system status stands alone
    }

    // Unknown meta types stay in the list (their delta keeps its place) and are never acted on.
    event->metaType = ReadByte(file);
    if (!ReadLengthAndData(file, event, MetaLength(event->metaType))) {
        return 0;
    }
    return event->metaType == 0x2F ? 2 : 1;
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
        const uint32_t length = static_cast<uint32_t>(chunk[4]) << 24 |
                                static_cast<uint32_t>(chunk[5]) << 16 |
                                static_cast<uint32_t>(chunk[6]) << 8 | chunk[7];
        if (length > Remaining(file) - 8) {
            return;
        }
        file->position += 8 + static_cast<size_t>(length);
    }
}

// A pending track in the merge: absolute tick of its head event and its index.
struct MergeHead
{
    uint64_t time;
    int track;
    bool operator<(const MergeHead &other) const
    {
        return time != other.time ? time < other.time : track < other.track;
    }
};

// Min-heap of the pending tracks. The merge mostly takes the top, puts the same track back
// with its next event and often finds it on top again (chords, runs of one track), so the top
// is replaced in one sift-down instead of a pop and a push.
class MergeQueue
{
public:
    explicit MergeQueue(size_t capacity) { heads.reserve(capacity); }
    bool IsEmpty() const { return heads.empty(); }
    const MergeHead &Top() const { return heads.front(); }
    void Push(MergeHead head)
    {
        size_t i = heads.size();
        heads.push_back(head);
        while (i > 0 && head < heads[(i - 1) / 2]) {
            heads[i] = heads[(i - 1) / 2];
            i = (i - 1) / 2;
        }
        heads[i] = head;
    }
    void ReplaceTop(MergeHead head) { SiftDown(head); }
    void PopTop()
    {
        MergeHead last = heads.back();
        heads.pop_back();
        if (!heads.empty()) {
            SiftDown(last);
        }
    }

private:
    void SiftDown(MergeHead head)
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

    std::vector<MergeHead> heads;
};

} // namespace

extern "C" {

int InitMidiLib(void)
{
    if (g_hheap != nullptr) {
        return 0;
    }
    g_hheap = new (std::nothrow) MidiHeap(HEAP_INITIAL_SIZE);
    if (g_hheap == nullptr) {
        CloseMidiOut();
        return -1;
    }
    return 0;
}

void ReleaseMidiLib(void)
{
    CloseMidiOut();
    delete g_hheap;
    g_hheap = nullptr;
}

void *Alloc(size_t bytes)
{
    // A song read into a heap of its own (a worker thread's, or one that goes with the song).
    if (MidiHeap *own = MidiHeapScope::Current()) {
        return own->Alloc(bytes);
    }
    return g_hheap != nullptr ? g_hheap->Alloc(bytes) : nullptr;
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
    // The chunk tag is read as one big-endian number and compared with the tag's four ASCII
    // bytes, so no byte array is involved.
    const uint32_t tag = ReadBigEndian(file, 4);
    if (file->failed || tag != kTrackTag) {
        return 0;
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
    MidiEvent *previous = nullptr;
    while (true) {
        MidiEvent *event = static_cast<MidiEvent *>(Alloc(sizeof(MidiEvent)));
        if (event == nullptr) {
            return 0;
        }
        event->track = track;
        if (previous == nullptr) {
            *head = event;
        } else {
            previous->next = event;
        }
        previous = event;

        event->delta = ReadDelta(file, nullptr);
        event->status = ReadByte(file);
        if (file->failed) {
            return 0;
        }
        if (event->status < 0x80) {
            event->status = runningStatus;
            --file->position; // the byte is read again as data
            if (event->status == 0) {
                Warn(file->path, "Invalid Status Byte");
                return 0;
            }
        }
        int result = ReadEventBody(file, event);
        if (result == 0) {
            return 0;
        }
        if (event->status < 0xF0) {
            runningStatus = event->status;
        }
        if (result == 2) {
            if (chunkEnd != 0 && file->position < chunkEnd) {
                file->position = chunkEnd;
            }
            return 1;
        }
    }
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
    MidiEvent *first = static_cast<MidiEvent *>(Alloc(sizeof(MidiEvent)));
    if (first == nullptr || midi == nullptr || midi->tracks == nullptr) {
        return first;
    }
    // Absolute times are kept in 64 bits so that long tracks cannot wrap around.
    std::vector<uint64_t> clocks(midi->trackCount, 0);
    MergeQueue pending(midi->trackCount);
    for (int i = 0; i < midi->trackCount; ++i) {
        MidiEvent *head = midi->tracks[i];
        if (head != nullptr && head->next != nullptr) {
            pending.Push({head->delta, i});
        }
    }

    MidiEvent *current = first;
    uint64_t previousTime = 0;
    while (!pending.IsEmpty()) {
        const MergeHead pick = pending.Top();
        MidiEvent *event = midi->tracks[pick.track];

        current->status = event->status;
        current->data1 = event->data1;
        current->data2 = event->data2;
        current->metaType = event->metaType;
        current->length = event->length;
        current->track = event->track;
        uint64_t gap = pick.time - previousTime;
        current->delta = gap > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(gap);
        previousTime = pick.time;
        if (event->length > 0 && event->data != nullptr) {
            current->data = static_cast<unsigned char *>(Alloc(event->length));
            if (current->data == nullptr) {
                return nullptr;
            }
            std::memcpy(current->data, event->data, event->length);
        }

        clocks[pick.track] = pick.time;
        midi->tracks[pick.track] = event->next;
        MidiEvent *head = event->next;
        if (head->next != nullptr) {
            pending.ReplaceTop({clocks[pick.track] + head->delta, pick.track});
        } else {
            pending.PopTop();
        }

        current->next = static_cast<MidiEvent *>(Alloc(sizeof(MidiEvent)));
        if (current->next == nullptr) {
            return nullptr;
        }
        current = current->next;
    }
    return first;
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
    if (midi == nullptr || heads == nullptr) {
        Warn(name, "INVALID TRACK");
        return nullptr;
    }
    for (int i = 0; i < trackCount; ++i) {
        SkipUnknownChunks(&file);
        if (ReadTrack(&file, &heads[i], i) == 0) {
            Warn(name, "INVALID TRACK");
            return nullptr;
        }
    }
    midi->tracks = heads;
    midi->trackCount = trackCount;
    midi->format = format;
    midi->division = division;
    midi->tempo = 500000;
    return midi;
}
