// songinfo: prints what the game reads from MIDI files, as "key: value" lines or as an event table.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "devices/MidiOut.h"
#include "smf/ReadMidi.h"
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

// Reads and analyses one song the way the song list does. False (after the reader's warnings on
// stderr) when the file cannot be read.
bool Analyse(const char *path, MidiContainer &song)
{
    song.path = path;
    song.midi = ReadMidiFile(path);
    if (song.midi == nullptr) {
        return false;
    }
    song.firstEvent = song.AnalyzeMidi();
    return true;
}

bool PrintSummary(const char *path)
{
    MidiContainer song;
    if (!Analyse(path, song)) {
        return false;
    }
    int notes[CHANNELS] = {};
    for (const KeyPosition &position : song.positions) {
        if (position.isNote && position.channel >= 0 && position.channel < CHANNELS) {
            ++notes[position.channel];
        }
    }
    int density[CHANNELS];
    for (int c = 0; c < CHANNELS; ++c) {
        density[c] = song.density[c];
    }
    std::printf("file: %s\n", path);
    std::printf("format: %u\n", static_cast<unsigned>(song.midi->format));
    std::printf("tracks: %u\n", static_cast<unsigned>(song.midi->trackCount));
    std::printf("division: %u\n", static_cast<unsigned>(song.midi->division));
    std::printf("parts: %d\n", song.maxChannel + 1);
    PrintRow("notes", notes);
    PrintRow("programs", song.programs);
    PrintRow("density", density);
    std::printf("tempo_level: %d\n", song.tempoLevel);
    std::printf("length_level: %d\n", song.lengthLevel);
    std::printf("length_ms: %d\n", song.positions.empty() ? 0 : song.positions.back().time);
    std::printf("events: %zu\n", song.positions.size());
    std::printf("\n");
    return true;
}

bool PrintEvents(const char *path)
{
    MidiContainer song;
    if (!Analyse(path, song)) {
        return false;
    }
    for (const KeyPosition &p : song.positions) {
        const MidiEvent *e = p.event;
        std::printf("%d\t%d\t%d\t%d\t%d\t%d\t%d\t%d\n", p.time, p.type, e->status, e->data1,
                    e->data2, p.channel, p.note, p.isNote ? 1 : 0);
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
    if (InitMidiLib() != 0) {
        std::fprintf(stderr, "songinfo: out of memory\n");
        return 1;
    }
    int status = 0;
    for (const char *file : files) {
        bool read = events ? PrintEvents(file) : PrintSummary(file);
        if (!read) {
            status = 1;
        }
    }
    std::fflush(stdout);
    ReleaseMidiLib();
    return status;
}
