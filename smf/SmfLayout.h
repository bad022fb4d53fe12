// SmfLayout: the fixed facts of the Standard MIDI File layout that both song readers go by.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

// Shortest possible track chunk: "MTrk", its length and an End of Track event (00 FF 2F 00).
const size_t MIN_TRACK_BYTES = 12;

// Chunk tags as big-endian numbers: "MThd" and "MTrk" in ASCII.
const uint32_t kHeaderTag = 0x4D546864;
const uint32_t kTrackTag = 0x4D54726B;

// The big-endian number of 'bytes' bytes (at most 4) at 'at'; the caller checks the bounds.
inline uint32_t BigEndianAt(const unsigned char *at, int bytes)
{
    uint32_t value = 0;
    for (int i = 0; i < bytes && i < 4; ++i) {
        value = (value << 8) | at[i];
    }
    return value;
}

// Required data length of a meta type: -1 any length, -2 a type this reader does not know.
inline int MetaLength(unsigned char type)
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

// Skips chunks of kinds the readers do not know (the standard allows other chunk types between
// tracks): a chunk whose type is four printable ASCII characters other than "MTrk" and whose
// length fits in the file. Anything else is left for the track reader to refuse. Returns the
// position after the skipped chunks (bytes from the start of the file of 'size' bytes).
inline size_t SkipUnknownChunks(const unsigned char *data, size_t size, size_t position)
{
    while (position < size && size - position >= 8) {
        const unsigned char *chunk = data + position;
        if (std::memcmp(chunk, "MTrk", 4) == 0) {
            return position;
        }
        for (int i = 0; i < 4; ++i) {
            if (chunk[i] < 0x20 || chunk[i] > 0x7E) {
                return position;
            }
        }
        const uint32_t length = BigEndianAt(chunk + 4, 4);
        if (length > size - position - 8) {
            return position;
        }
        position += 8 + static_cast<size_t>(length);
    }
    return position;
}
