// keyrise-midi-info: prints what the game sees in MIDI files (parts, levels, length, events).
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "midi/MidiContainer.h"
#include "midi/ReadMidi.h"

namespace {

const char *EventName(const MidiEvent *event)
{
    switch (event->status & 0xF0) {
    case 0x80:
        return "note-off";
    case 0x90:
        return event->data2 != 0 ? "note-on" : "note-on(0)";
    case 0xA0:
        return "key-pressure";
    case 0xB0:
        return "control";
    case 0xC0:
        return "program";
    case 0xD0:
        return "chan-pressure";
    case 0xE0:
        return "pitch-bend";
    default:
        break;
    }
    if (event->status == 0xFF) {
        return event->metaType == 0x51 ? "tempo" : "meta";
    }
    return event->status == 0xF0 || event->status == 0xF7 ? "sysex" : "system";
}

int Inspect(const char *path, bool events)
{
    MidiContainer song;
    song.path = path;
    song.midi = ReadMidiFile(path);
    if (song.midi == nullptr) {
        return 1;
    }
    unsigned format = song.midi->format;
    unsigned division = song.midi->division;
    unsigned tracks = song.midi->trackCount;
    song.firstEvent = song.AnalyzeMidi();

    int notes[16] = {};
    long double truncatedSum = 0; // the sum of separately truncated steps, for comparison
    uint32_t tempo = song.midi->tempo;
    for (const KeyPosition &position : song.positions) {
        if (position.isNote) {
            ++notes[position.channel];
        }
        MidiEvent *event = position.event;
        MidiFile scratch = *song.midi;
        scratch.tempo = tempo;
        truncatedSum += std::trunc(GetDeltaMilliSecond(event, &scratch));
        if (event->status == 0xFF && event->metaType == 0x51 && event->length >= 3) {
            tempo = event->data[0] << 16 | event->data[1] << 8 | event->data[2];
        }
    }
    int duration = song.positions.empty() ? 0 : song.positions.back().time;

    std::printf("%s\n", path);
    std::printf("  format %u, division %u ticks per quarter note, %u tracks, %zu events\n", format,
                division, tracks, song.positions.size());
    std::printf("  duration %d ms (summing truncated steps would give %.0Lf ms)\n", duration,
                truncatedSum);
    std::printf("  levels: tempo %d, length %d\n", song.tempoLevel, song.lengthLevel);
    std::printf("  parts 0..%d\n", song.maxChannel);
    for (int c = 0; c <= song.maxChannel; ++c) {
        std::printf("    part %2d: %5d notes, program %3d, density %3d\n", c, notes[c],
                    song.programs[c], song.density[c]);
    }
    if (events) {
        for (const KeyPosition &position : song.positions) {
            const MidiEvent *event = position.event;
            std::printf("  %9d ms  track %2d  %02X %3d %3d  %s\n", position.time, event->track,
                        event->status, event->data1, event->data2, EventName(event));
        }
    }
    return 0;
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
            files.clear();
            break;
        } else {
            files.push_back(argv[i]);
        }
    }
    if (files.empty()) {
        std::fprintf(stderr, "usage: keyrise-midi-info [--events] <file.mid>...\n");
        return 2;
    }
    if (InitMidiLib() != 0) {
        std::fprintf(stderr, "keyrise-midi-info: out of memory\n");
        return 1;
    }
    int result = 0;
    for (const char *file : files) {
        if (Inspect(file, events) != 0) {
            result = 1;
        }
    }
    ReleaseMidiLib();
    return result;
}
