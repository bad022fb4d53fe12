// MidiContainer: one song: parsed file, merged events timed in ms, levels for its card, scores.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "content/ImageSet.h"
#include "song/KeyPositionTable.h"
#include "song/SongEvents.h"
#include "song/SongSummary.h"

struct MidiFile;
struct MidiEvent;
class CompactSong;
class PlaySong;
struct SongTotals;
class ConfigReader;
class MidiHeap;
class NumWriter;
class SceneManager;

// A song of the song list. A part is a MIDI channel; the parts run from channel 0 to the highest
// channel that has a sounding note. The score tables are indexed [number of keys - 1][part].
class MidiContainer
{
public:
    static const int KEY_COUNTS = 12; ///< numbers of keys 1..12, one score table each

    std::string path;      ///< "data/" + name
    std::string name;      ///< the file name as listed
    std::string scorePath; ///< the score file when not path + ".score"; empty otherwise
    // The song's header, owned by its table ('positions'), or a parsed file in the private MIDI
    // heap set by hand before AnalyzeMidi (not owned); null if unreadable. Sending the events
    // changes its tempo.
    MidiFile *midi = nullptr;
    // Head of the merged event list when AnalyzeMidi built the table from one; null for a song
    // read to be played (its table holds the events themselves) and without a file.
    MidiEvent *firstEvent = nullptr;
    int maxChannel = 0; ///< highest channel with a sounding note, 0 when none
    int programs[128];  ///< last Program Change per channel (0-15 used), 0 when none
    // maxChannel + 1 entries each; null before Load, and for a summarised song without a score
    // file (every record at its default: score 0, rate -1) until records are handed to it.
    int *highScore[KEY_COUNTS];
    int *highRate[KEY_COUNTS];       ///< rate index per part; -1 means none
    int *savedHighScore[KEY_COUNTS]; ///< values as last read from or written to the score file
    int *savedHighRate[KEY_COUNTS];
    KeyPositionTable positions;           ///< one record per event, in time order
    uint32_t startTempo = 500000;         ///< µs per quarter note at tick 0 (its Set Tempo)
    unsigned char tempoLevel = 0;         ///< 0-100: 80 at 120 bpm, 100 at 96 bpm or slower
    unsigned char density[128];           ///< notes per 10 s per channel, capped at 100
    int noteCounts[16] = {};              ///< sounding notes per channel
    unsigned char lengthLevel = 0;        ///< one step per 6 s, capped at 100
    NumWriter *numWriter = nullptr;       ///< the manager's number writer, not owned
    ImageSet *instrumentImages = nullptr; ///< kPartNameCount part-name images, not owned
    int part = 0;                         ///< part chosen on the song's card
    ImageSet title;                       ///< the file name rendered as text
    SongSummary summary;                  ///< what the song index knows of the song
    // Holds midi's records when they live in a heap of the song's own; null otherwise (a song
    // read to be played is held by its table).
    std::shared_ptr<MidiHeap> songHeap;
    // ms the player's presses are taken to lag the notes on this song, added to config
    // "offset" in play: the score file's "offset" (a file without it: 0), and the value as
    // last read from or written to that file.
    int songOffset = 0;
    int savedSongOffset = 0;

    MidiContainer();
    virtual ~MidiContainer();
    MidiContainer(const MidiContainer &) = delete;
    MidiContainer &operator=(const MidiContainer &) = delete;

    // Reads data/<fileName>, analyses it, renders the title and reads the score file. A file
    // that cannot be read (or whose path is too long) leaves an empty song with default scores.
    void Load(SceneManager *manager, std::string fileName, ImageSet *images);
    // Takes a summary from the song index: name, path, parts, note counts, programs,
    // densities and levels (no events), then reads the score file (without one the score
    // tables are null). folder: the song folder
    // the name is below.
    void SetSummary(const SongSummary &songSummary, const std::string &folder = "data");
    // The same for a song whose file is songPath and whose score file is scorePath.
    void SetSummaryAt(const SongSummary &songSummary, const std::string &songPath,
                      const std::string &scoreFile);
    // Reads the score file into freshly sized score arrays (defaults where it has no entry).
    void ReadScores();
    // Reads the song's events into a table of the song's own unless they are held already
    // (ReadEvents and TakeEvents on this thread). True when the song has events to play.
    bool LoadEvents();
    // Reads the song at 'path' (listed as 'name') into a table of its own and analyses it. Pure:
    // touches no container but a local one, so it is safe on any thread (the song selection's
    // loader runs it).
    static SongEvents ReadEvents(const std::string &path, const std::string &name);
    // Takes what ReadEvents read of this song: its events, table, levels and parts, and its
    // heap. When the file is not the one summarised (new size or time, or never read), the
    // summary is replaced with what the file holds now and summaryChanged is set. The score
    // arrays are read again when the number of parts changed. True when the song has events.
    bool TakeEvents(SongEvents &&read);
    // Lets the events go (the song keeps its summary and scores).
    void ReleaseEvents();
    // Reads folder/name on this thread into a heap of its own that goes before returning, and
    // returns its summary (the first warning when it cannot be read). Safe on any thread.
    static SongSummary ReadSummary(const std::string &folder, const std::string &name);
    // The summary of a song read for its totals (see CompactSong): what ReadSummary gives for
    // a readable file, without its name, size and time.
    static SongSummary SummaryOf(const CompactSong &song);
    static SongSummary SummaryOf(PlaySong &song);
    // Merges the tracks and builds 'positions', the levels and the programs. Returns the merged
    // list head, or null without a file.
    MidiEvent *AnalyzeMidi();
    // True when a score, a rate or the song's offset differs from its saved copy.
    bool IsChanged();
    // Writes every score and rate to the score file (other keys in it are kept, unless the file
    // would grow past what its reader accepts: then they are left out and named in
    // leftOutKeys) and makes the saved copies equal to the current values. When the file cannot be
    // written the saved copies stay as they were (so IsChanged stays true) and the result is false.
    // The song's offset is written only when it changed (it is the player's latest trim, not
    // the higher of two; 0 is left out).
    bool Save();
    // Renders the title again after the content cache dropped its pictures.
    void ReLoadImage(SceneManager *manager, ImageSet *images);

    // True for a key a score file holds for the game: "highscore_ins<part>_key<keys>" or
    // "highrate_..." with part 0-15 and keys 1-12, and "offset". Their 385 lines of at most 34
    // bytes keep a score file below 14 KB.
    static bool IsScoreKey(const std::string &key);
    // The keys of the score file the last Save left out to stay within the size limit.
    std::vector<std::string> leftOutKeys;

    // The score file's path: path + ".score" unless the song's library put it elsewhere (the
    // song's folder is not the player's to write).
    std::string GetScorePath() const { return scorePath.empty() ? path + ".score" : scorePath; }
    // Frees the 48 score arrays, then allocates each with maxChannel + 1 entries, scores 0 and
    // rates -1. Used by Load and by copies that take another song's channel count.
    void AllocateScoreArrays();
    // Frees the 48 score arrays (they become null).
    void FreeScoreArrays();

    bool summaryChanged = false; ///< LoadEvents found the file changed since its summary

private:
    // Reads 'path' (a too long path is refused with a warning) into one timed table, takes the
    // first track's name as the summary's title and the levels and parts from the totals, as
    // AnalyzeMidi would work them out.
    void ReadFile();
    // A readable song's summary from what its events add up to (no name, title, size or time).
    static SongSummary SummaryOfTotals(const SongTotals &totals, int format, int tracks);
    // The summary of what was read: levels, parts, notes; 'warning' when unreadable.
    SongSummary MakeSummary(const std::string &warning) const;
    // Takes every score entry 'scores' holds into both the current and the saved arrays;
    // score entries it lacks keep their value, a missing offset is 0.
    void TakeScores(const ConfigReader &scores);

    int scoreParts = 0; ///< entries of each score array
};
