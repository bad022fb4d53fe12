// PlaySong: a song read to be played: the file's bytes and one timed KeyPosition per event.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "smf/CompactSong.h"
#include "smf/PageBlock.h"
#include "smf/ReadMidi.h"
#include "song/KeyPositionTable.h"

// Reads a file the way ReadMidiFile and MidiContainer::AnalyzeMidi do together (same checks,
// same warnings, the same events in the same order at the same times) without building the
// merged list: each track is decoded straight from the file's bytes as the merge reaches it,
// and the merge writes the timed table itself, one KeyPosition per event that holds the event
// and points into the file's bytes for its data. Nothing else is kept but the totals.
class PlaySong
{
public:
    PlaySong() = default;
    PlaySong(const PlaySong &) = delete;
    PlaySong &operator=(const PlaySong &) = delete;

    // Reads the file at 'path' (opened and capped as every song file). False after the
    // reader's warnings when it cannot be read; the song is then empty.
    bool Read(const std::string &path);
    // The same on bytes in memory, which the song copies; 'name' is used in the warnings.
    bool ReadBytes(const unsigned char *data, size_t size, const std::string &name);

    // The header as a MidiFile without tracks (tempo 500000 µs per quarter note after reading):
    // what sending the events changes the tempo of.
    MidiFile *Header() { return &header; }
    const SongTotals &Totals() const { return totals; }
    // The tempo (µs per quarter note) of the last Set Tempo at tick 0, else 500000.
    uint32_t StartTempo() const { return startTempo; }
    // The first track's first name as written in the file; empty when it names nothing.
    std::string Title() const;
    // Totals().events records, in time order; null when none.
    const KeyPosition *Records() const { return records; }

    // The timed table of 'song', sharing it (and so the file's bytes and the header), also when
    // it has no events.
    static KeyPositionTable Table(const std::shared_ptr<PlaySong> &song);

private:
    bool Parse(const std::string &name);
    void Clear();

    std::string image; ///< the file's bytes
    PageBlock block;   ///< holds 'records'
    KeyPosition *records = nullptr;
    MidiFile header{};
    SongTotals totals;
    uint32_t startTempo = 500000;
};
