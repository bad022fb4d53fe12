// songinfo: prints what the game reads from MIDI files, as "key: value" lines or as an event table.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "smf/CompactSong.h"
#include "song/MidiContainer.h"

namespace {

const int CHANNELS = 16;

void PrintRow(const char *key, const int *values)
{
    std::printf("%s:", key);
    for (int c = 0; c < CHANNELS; ++c) {
        std::printf(" %d", values[c]);
    }
    std::printf("\n");
}

// Reads one song the way the game reads a song to play: its events timed, in one array that
// goes when the song does. False (after the reader's warnings on stderr) when it cannot be read.
bool Read(const char *path, CompactSong &song)
{
    return song.Read(path, CompactSong::Keep::Events);
}

bool PrintSummary(const char *path)
{
    CompactSong song;
    if (!Read(path, song)) {
        return false;
    }
    const SongSummary summary = MidiContainer::SummaryOf(song);
    std::printf("file: %s\n", path);
    std::printf("format: %u\n", static_cast<unsigned>(song.Format()));
    std::printf("tracks: %u\n", static_cast<unsigned>(song.TrackCount()));
    std::printf("division: %u\n", static_cast<unsigned>(song.Division()));
    std::printf("parts: %d\n", summary.maxChannel + 1);
    PrintRow("notes", summary.notes);
    PrintRow("programs", summary.programs);
    PrintRow("density", summary.density);
    std::printf("tempo_level: %d\n", summary.tempoLevel);
    std::printf("length_level: %d\n", summary.lengthLevel);
    std::printf("length_ms: %d\n", summary.lengthMs);
    std::printf("events: %zu\n", song.Totals().events);
    std::printf("\n");
    return true;
}

bool PrintEvents(const char *path)
{
    CompactSong song;
    if (!Read(path, song)) {
        return false;
    }
    const TimedEvent *events = song.Events();
    for (size_t i = 0; i < song.Totals().events; ++i) {
        const TimedEvent &e = events[i];
        const bool isNote = e.IsNote();
        std::printf("%d\t%d\t%d\t%d\t%d\t%d\t%d\t%d\n", e.time, e.Type(), e.status, e.data1,
                    e.data2, isNote ? e.status & 0x0F : -1, isNote ? e.data1 : -1, isNote ? 1 : 0);
    }
    return true;
}

int Usage()
{
    std::fprintf(stderr, "usage: songinfo FILE...\n"
                         "       songinfo --events FILE\n"
                         "Prints format, parts, notes, programs, densities, levels and length of\n"
                         "each song, or with --events one line per timed event:\n"
                         "time type status data1 data2 channel note isNote (tab-separated).\n");
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    bool events = false;
    std::vector<const char *> files;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--events") == 0) {
            events = true;
        } else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            return Usage();
        } else {
            files.push_back(argv[i]);
        }
    }
    // One event table at a time: tables of several songs could not be told apart.
    if (files.empty() || (events && files.size() != 1)) {
        return Usage();
    }
    int status = 0;
    for (const char *file : files) {
        bool read = events ? PrintEvents(file) : PrintSummary(file);
        if (!read) {
            status = 1;
        }
    }
    std::fflush(stdout);
    return status;
}
