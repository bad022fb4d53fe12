// SongSummary: what the song list knows of a song without holding its events.
#pragma once

#include <cstdint>
#include <string>

// Everything a song's card shows and the game needs before play, read once from the file and
// kept in the song index. Channels are the 16 MIDI channels (a part is a channel).
struct SongSummary
{
    static const int CHANNELS = 16;

    std::string name;            ///< path below the song folder ("rock/a.mid")
    int64_t size = 0;            ///< file size in bytes when it was read
    int64_t modified = 0;        ///< file modification time in ns since 1970 when it was read
    bool indexed = false;        ///< the fields below hold the song's values (false: not read yet)
    bool readable = false;       ///< the file could be read as a song
    std::string warning;         ///< the first warning reading gave (why it is unreadable)
    int format = 0;              ///< the header's format word
    int tracks = 0;              ///< track chunks
    int maxChannel = 0;          ///< highest channel with a sounding note, 0 when none
    int lengthMs = 0;            ///< time of the last event, ms
    int tempoLevel = 0;          ///< 0-100 as on the card
    int lengthLevel = 0;         ///< 0-100 as on the card
    int notes[CHANNELS] = {};    ///< sounding notes per channel
    int programs[CHANNELS] = {}; ///< last Program Change per channel
    int density[CHANNELS] = {};  ///< notes per 10 s per channel, capped at 100
    std::string title;           ///< name of the first track (UTF-8), empty when none
    int64_t lastPlayed = 0;      ///< when a game of the song last started, s since 1970; 0 never

    // The highest density of any channel: how busy the song is at its busiest part.
    int MaxDensity() const
    {
        int best = 0;
        for (int d : density) {
            best = d > best ? d : best;
        }
        return best;
    }
};
