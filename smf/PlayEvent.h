// PlayEvent: one event of a song as it is sent in play, kept by value in the song's timed table.
#pragma once

#include <cstdint>

#include "smf/ReadMidi.h"

// Either the event itself, decoded from the file's bytes (a song read to be played keeps one
// per event and no MidiEvent at all), or a record of a merged list (tables built from a list,
// and songs made by hand), whose fields are then read from the record as it is when sent.
// 16 bytes; data bytes stay in the song's copy of its file, which outlives the table.
class PlayEvent
{
public:
    PlayEvent() : list(nullptr), status(0), data1(0), data2(0), metaType(0), length(0), fromList(0)
    {
    }
    // The list's record (null: no event).
    PlayEvent(MidiEvent *event)
        : list(event), status(0), data1(0), data2(0), metaType(0), length(0), fromList(1)
    {
    }
    // An event read from a file: 'bytes' are its data bytes in the file (SysEx: those after its
    // length, without the 0xF0; escape: the raw bytes; meta: its data), 'count' of them.
    static PlayEvent Decoded(uint8_t status, uint8_t data1, uint8_t data2, uint8_t metaType,
                             const unsigned char *bytes, uint32_t count)
    {
        PlayEvent event;
        event.bytes = bytes;
        event.status = status;
        event.data1 = data1;
        event.data2 = data2;
        event.metaType = metaType;
        event.length = count;
        return event;
    }

    // The list's record; null for a decoded event (or none).
    operator MidiEvent *() const { return fromList ? list : nullptr; }
    // True unless this is no event at all (a null list record).
    bool IsEvent() const { return !fromList || list != nullptr; }

    uint8_t Status() const { return fromList ? list->status : status; }
    uint8_t Data1() const { return fromList ? list->data1 : data1; }
    uint8_t Data2() const { return fromList ? list->data2 : data2; }
    uint8_t MetaType() const { return fromList ? list->metaType : metaType; }
    // Meta events: the data bytes and their number (null and 0 when none).
    const unsigned char *MetaData() const { return fromList ? list->data : bytes; }
    uint32_t MetaLength() const
    {
        return fromList ? static_cast<uint32_t>(list->length < 0 ? 0 : list->length) : length;
    }
    // The bytes a SysEx or escape event sends: for a SysEx its 0xF0 then the file's bytes. Writes
    // them (at most 'room') to 'out' unless it is null, and returns how many there are; 0 sends
    // nothing.
    uint32_t LongBytes(unsigned char *out, uint32_t room) const;

private:
    union {
        MidiEvent *list;            ///< fromList: the record
        const unsigned char *bytes; ///< decoded: the data bytes in the file
    };
    uint8_t status;       ///< status byte with channel, 0xF0 SysEx, 0xF7 escape, 0xFF meta
    uint8_t data1;        ///< first data byte; 0 where absent
    uint8_t data2;        ///< second data byte; 0 where absent
    uint8_t metaType;     ///< meta type when status is 0xFF, else 0
    uint32_t length : 31; ///< decoded: bytes at 'bytes' (a file is at most 2^31 bytes here)
    uint32_t fromList : 1;
};

static_assert(sizeof(PlayEvent) == 16, "a song keeps one PlayEvent per event");

inline uint32_t PlayEvent::LongBytes(unsigned char *out, uint32_t room) const
{
    if (fromList) {
        if (list == nullptr || list->length <= 0 || list->data == nullptr) {
            return 0;
        }
        const uint32_t count = static_cast<uint32_t>(list->length);
        for (uint32_t i = 0; out != nullptr && i < count && i < room; ++i) {
            out[i] = list->data[i];
        }
        return count;
    }
    // The list reader stores a SysEx as its 0xF0 and the bytes after it.
    const uint32_t skip = status == 0xF0 ? 1 : 0;
    const uint32_t count = length + skip;
    if (out != nullptr && room > 0 && skip != 0) {
        out[0] = 0xF0;
    }
    for (uint32_t i = skip; out != nullptr && i < count && i < room; ++i) {
        out[i] = bytes[i - skip];
    }
    return count;
}
