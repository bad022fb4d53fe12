// Benchmarks of song reading and analysis and of the synthesizer's rendering, each next to a
// reference measured in the same run (compare the pairs, not absolute times).
#include <benchmark/benchmark.h>
#include <fluidsynth.h>

#include <fstream>
#include <glob.h>
#include <iterator>
#include <string>
#include <vector>

#include "midi/MidiContainer.h"
#include "midi/ReadMidi.h"
#include "midi/SynthMidiOut.h"

namespace {

std::vector<std::string> Songs()
{
    std::vector<std::string> paths;
    glob_t found;
    if (glob("/usr/share/games/openttd/baseset/openmsx/*.mid", 0, nullptr, &found) == 0) {
        for (size_t i = 0; i < found.gl_pathc; ++i) {
            paths.push_back(found.gl_pathv[i]);
        }
    }
    globfree(&found);
    return paths;
}

// Reference: only reading the files' bytes into memory.
void BM_ReferenceReadBytes(benchmark::State &state)
{
    std::vector<std::string> songs = Songs();
    for (auto _ : state) {
        size_t total = 0;
        for (const std::string &path : songs) {
            std::ifstream in(path, std::ios::binary);
            std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
                                    std::istreambuf_iterator<char>());
            total += bytes.size();
        }
        benchmark::DoNotOptimize(total);
    }
    state.counters["songs"] = static_cast<double>(songs.size());
}
BENCHMARK(BM_ReferenceReadBytes)->Unit(benchmark::kMillisecond);

// Every OpenMSX song read, merged and analysed as the title menu does.
void BM_ReadAndAnalyseSongs(benchmark::State &state)
{
    std::vector<std::string> songs = Songs();
    size_t events = 0;
    for (auto _ : state) {
        InitMidiLib();
        events = 0;
        for (const std::string &path : songs) {
            MidiContainer song;
            song.midi = ReadMidiFile(path.c_str());
            song.firstEvent = song.AnalyzeMidi();
            events += song.positions.size();
        }
        ReleaseMidiLib();
    }
    state.counters["events"] = static_cast<double>(events);
}
BENCHMARK(BM_ReadAndAnalyseSongs)->Unit(benchmark::kMillisecond);

const int RATE = 44100;
const int BLOCK = 1024; // frames per audio callback

// Reference: FluidSynth rendering the same notes straight, without stamps or splitting.
void BM_ReferenceFluidRender(benchmark::State &state)
{
    fluid_settings_t *settings = new_fluid_settings();
    fluid_settings_setnum(settings, "synth.sample-rate", RATE);
    fluid_synth_t *synth = new_fluid_synth(settings);
    fluid_synth_sfload(synth, SynthMidiOut::DEFAULT_SOUNDFONT, 1);
    std::vector<float> left(BLOCK), right(BLOCK);
    int note = 0;
    for (auto _ : state) {
        for (int i = 0; i < 8; ++i, ++note) {
            fluid_synth_noteon(synth, note % 16, 40 + note % 40, 100);
            fluid_synth_noteoff(synth, (note + 8) % 16, 40 + (note + 8) % 40);
        }
        fluid_synth_write_float(synth, BLOCK, left.data(), 0, 1, right.data(), 0, 1);
    }
    delete_fluid_synth(synth);
    delete_fluid_settings(settings);
}
BENCHMARK(BM_ReferenceFluidRender)->Unit(benchmark::kMicrosecond);

// The game's synthesizer: 8 notes sent at spread clock times per 1024-frame block.
void BM_SynthRender(benchmark::State &state)
{
    Uint32 now = 0;
    SynthMidiOut synth([&now] { return now; }, "", SynthMidiOut::Output::Manual, RATE);
    synth.Open();
    std::vector<int16_t> block(2 * BLOCK);
    int note = 0;
    for (auto _ : state) {
        for (int i = 0; i < 8; ++i, ++note) {
            now += 3;
            synth.ShortMessage(0x90 | (note % 16) | (40 + note % 40) << 8 | 100 << 16);
            synth.ShortMessage(0x80 | ((note + 8) % 16) | (40 + (note + 8) % 40) << 8);
        }
        synth.Render(block.data(), BLOCK);
    }
    // Share of real time spent rendering: below 1 keeps up with the sound card.
    state.counters["block_ms"] = BLOCK * 1000.0 / RATE;
}
BENCHMARK(BM_SynthRender)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
