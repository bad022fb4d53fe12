// ReadMidi: Standard MIDI File records, the file reader, its private heap and tick-to-millisecond
// conversion.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

// One event. The same record serves in a track's list and in the merged list of all tracks.
// A song keeps one per event, so the fields are laid out without padding (32 bytes); the
// constructor takes them in their documented order (status ... delta, next, track).
struct MidiEvent
{
    uint8_t status;   ///< status byte with channel (0x80-0xEF), 0xF0 SysEx, 0xF7 escape, 0xFF meta
    uint8_t data1;    ///< first data byte (note, controller, program ...); 0 where absent
    uint8_t data2;    ///< second data byte (velocity, value ...); 0 where absent
    uint8_t metaType; ///< meta event type when status is 0xFF, else 0
    int32_t length;   ///< bytes in data: SysEx counts its leading 0xF0; meta: data bytes; else 0
    /// SysEx: 0xF0 then the stored bytes; F7 escape: raw bytes; meta: data. Points into the
    /// song's copy of the file, which lives as long as the song; null when length is 0.
    unsigned char *data;
    uint32_t delta;  ///< ticks since the previous event of the same list
    int32_t track;   ///< index (0-based) of the track chunk the event was read from
    MidiEvent *next; ///< successor in the same list (mostly the record after), null at the end

    // MidiEvent{} is all zeros.
    MidiEvent() = default;
    MidiEvent(uint8_t status, uint8_t data1, uint8_t data2, uint8_t metaType, int32_t length,
              unsigned char *data, uint32_t delta, MidiEvent *next, int32_t track)
        : status(status), data1(data1), data2(data2), metaType(metaType), length(length),
          data(data), delta(delta), track(track), next(next)
    {
    }
};

static_assert(sizeof(MidiEvent) <= 32, "a song keeps one MidiEvent per event");

struct MidiTrackStore;

// One parsed file. Its records live in the private heap (InitMidiLib .. ReleaseMidiLib).
struct MidiFile
{
    MidiEvent **tracks;  ///< head of each track's list; MargeTrack advances these heads
    uint16_t division;   ///< ticks per quarter note (never 0: such files are refused)
    uint32_t tempo;      ///< current tempo in microseconds per quarter note; 500000 after reading
    uint16_t trackCount; ///< number of track chunks read
    uint16_t format;     ///< the header's format word (0, 1 or 2)
    /// Where the track lists are kept from reading until MargeTrack, which hands the space on
    /// to the next file read; null once merged or for a file built by hand.
    MidiTrackStore *trackStore;
};

// The file being read: the whole file in memory and a read position. Every read is checked
// against the end; a read past it sets 'failed' and yields zeros.
struct MidiFileBuffer
{
    const unsigned char *data; ///< the file's bytes
    size_t size;               ///< bytes in data
    size_t position;           ///< next byte to read
    bool failed;               ///< a read ran past the end
    const char *path;          ///< the file's name, for warnings (may be null)
};

extern "C" {

// Creates the private heap that holds every record read or merged until FreeMidiHeap (the
// device layer's InitMidiLib calls it). Returns 0, or -1 on failure.
int CreateMidiHeap(void);
// Frees the private heap and every song in it (the device layer's ReleaseMidiLib calls it once
// the device is closed).
void FreeMidiHeap(void);
// Zero-filled block from the private heap; null without a heap. Never freed on its own.
void *Alloc(size_t bytes);

// Reads a Standard MIDI File. Null on failure, after a warning naming the file for each error
// text ("File Open Error.", "File is NOT midi.", "INVALID TRACK", ...).
MidiFile *ReadMidiFile(const char *path);
// Reads one track chunk at the buffer's position into *head. 1 on success, 0 on failure.
int ReadTrack(MidiFileBuffer *file, MidiEvent **head, int track);
// Reads a variable-length quantity (at most 4 bytes; the 4th byte ends it whatever its top
// bit), stores it in *value when value is not null, and returns it.
uint32_t ReadDelta(MidiFileBuffer *file, uint32_t *value);
// Reads n bytes and reverses their order (big-endian numbers become host order on x86).
void ReadAndReverse(MidiFileBuffer *file, unsigned char *buffer, int n);
// Merges all tracks into one list ordered by absolute tick (ties: lower track first) that ends
// with one blank record. Consumes the track heads. Null only when the heap is exhausted. The
// merged records lie one after the other in one array (next is the record after).
MidiEvent *MargeTrack(MidiFile *midi);
// The event's delta in milliseconds at the file's current tempo, unrounded; -1 without a file.
long double GetDeltaMilliSecond(MidiEvent *event, MidiFile *midi);
// 0xFF for meta events, else status & 0xF0 (so 0xF0 for SysEx and other system messages).
unsigned char GetEventType(MidiEvent *event);
// status & 0x0F.
int GetChannel(MidiEvent *event);
// Writes the note name of data1 ("C2" for note 60, "C-3" for note 0) after clearing the whole
// buffer. 1 on success, 0 (nothing written) when length is below 5.
int GetNote(MidiEvent *event, char *buffer, int length);

} // extern "C"

class PageBlock;

// ReadMidiFile on bytes already in memory (copied: the song keeps its own copy); 'name' is used
// in the warnings.
MidiFile *ReadMidiBuffer(const unsigned char *data, size_t size, const char *name);
// MargeTrack that also gives the number of merged events (the blank record not counted) and,
// when 'scratch' is not null, hands over the memory that held the track lists when the reader
// does not keep it for the next file (a huge song); null otherwise. Its pages are then reused
// instead of fresh ones.
MidiEvent *MargeTrackCounted(MidiFile *midi, size_t *count,
                             std::shared_ptr<PageBlock> *scratch = nullptr);
