// Benchmarks of song reading (read, merge, analysis, as the game reads a song to play it) and of
// the built-in synthesizer, each next to a reference measured in the same run: midicsv and the
// merged list on the same songs, FluidSynth driven directly.
// Run: build/keyrise-midi-bench   (counters: MB/s as bytes_per_second, events/s, ratios, ms)
#include <benchmark/benchmark.h>
#include <fluidsynth.h>

#include <fcntl.h>
#include <malloc.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "devices/MidiOut.h"
#include "devices/SynthMidiOut.h"
#include "smf/ReadMidi.h"
#include "song/MidiContainer.h"
#include "tests/smf/MidiBytes.h"

extern char **environ;

namespace {

// The process's resident size now (bytes).
double ResidentBytes()
{
    long pages = 0;
    long resident = 0;
    std::ifstream statm("/proc/self/statm");
    statm >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE));
}

size_t FileBytes(const std::vector<std::string> &paths)
{
    size_t total = 0;
    for (const std::string &path : paths) {
        std::ifstream in(path, std::ios::binary | std::ios::ate);
        total += in.good() ? static_cast<size_t>(in.tellg()) : 0;
    }
    return total;
}

// Reads and analyses each song as the game reads the chosen song to play it (one timed table of
// its own, no merged list); returns the events timed.
size_t ReadAll(const std::vector<std::string> &paths)
{
    size_t events = 0;
    for (const std::string &path : paths) {
        const SongEvents read = MidiContainer::ReadEvents(path, path);
        events += read.positions.size();
    }
    return events;
}

// The same through the merged list (ReadMidiFile, MargeTrack and AnalyzeMidi), as songs were
// read to be played before.
size_t ReadAllAsList(const std::vector<std::string> &paths)
{
    size_t events = 0;
    InitMidiLib();
    for (const std::string &path : paths) {
        MidiContainer song;
        song.midi = ReadMidiFile(path.c_str());
        song.firstEvent = song.AnalyzeMidi();
        events += song.positions.size();
    }
    ReleaseMidiLib();
    return events;
}

void ReportReading(benchmark::State &state, size_t bytes, size_t events)
{
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * events));
    state.counters["events"] = static_cast<double>(events);
}

void Append(Bytes &to, const Bytes &bytes)
{
    to.insert(to.end(), bytes.begin(), bytes.end());
}

// A long song: 'tracks' tracks of notes (On and Off in turn, with running status) on their own
// channels, 'events' events in all.
Bytes LargeSong(int tracks, int events)
{
    Bytes file = Header(1, static_cast<uint16_t>(tracks), 480);
    for (int t = 0; t < tracks; ++t) {
        Bytes body;
        body.insert(body.end(), {0x00, static_cast<unsigned char>(0xC0 | t), 0x05});
        unsigned char status = static_cast<unsigned char>(0x90 | t);
        body.insert(body.end(), {0x00, status, 60, 100});
        for (int i = 1; i < events / tracks; ++i) {
            Append(body, Vlq(static_cast<uint32_t>(60 + (i * 7 + t) % 120)));
            body.push_back(static_cast<unsigned char>(40 + i % 48));
            body.push_back(i % 2 == 0 ? 100 : 0);
        }
        Append(file, Track(body));
    }
    return file;
}

// One track of 'changes' tempo events with a note between each two.
Bytes TempoSong(int changes)
{
    Bytes body;
    for (int i = 0; i < changes; ++i) {
        uint32_t tempo = i % 2 == 0 ? 400000 : 600000;
        Append(body, Tempo(0, tempo));
        body.insert(body.end(), {0x78, 0x90, 60, 100}); // 120 ticks later
    }
    Bytes file = Header(1, 1, 480);
    Append(file, Track(body));
    return file;
}

// Appends the bytes.
void Push(Bytes &to, std::initializer_list<unsigned char> bytes)
{
    to.insert(to.end(), bytes);
}

// A big format-1 song: track 0 a tempo map of 4,000 changes (one every two beats), then
// 'tracks' tracks of dense notes on their own channels (Note On and Note On with velocity 0 in
// turn, with running status), broken now and then by a controller or a pitch bend, each track
// about megabytes / tracks MB long. 20 MB and 15 tracks make 16 tracks and 6.6 million events.
Bytes BigSong(double megabytes, int tracks)
{
    const size_t perTrack = static_cast<size_t>(megabytes * 1e6 / tracks);
    Bytes tempoMap{0x00, 0xFF, 0x58, 0x04, 0x04, 0x02, 0x18, 0x08};
    Push(tempoMap, {0x00, 0xFF, 0x03, 0x08, 'B', 'i', 'g', 'S', 'o', 'n', 'g', '0'});
    for (int i = 0; i < 4000; ++i) {
        const uint32_t tempo = 400000 + (static_cast<uint32_t>(i) * 7919) % 300000;
        Append(tempoMap, Vlq(i == 0 ? 0 : 960));
        Push(tempoMap, {0xFF, 0x51, 0x03, static_cast<unsigned char>(tempo >> 16),
                        static_cast<unsigned char>(tempo >> 8), static_cast<unsigned char>(tempo)});
    }
    Bytes file = Header(1, static_cast<uint16_t>(tracks + 1), 480);
    Append(file, Track(tempoMap));
    const int deltas[6] = {30, 60, 120, 0, 240, 15};
    for (int t = 0; t < tracks; ++t) {
        const unsigned char channel = static_cast<unsigned char>(t % 16 == 9 ? 10 : t % 16);
        const unsigned char on = 0x90 | channel;
        Bytes body;
        Push(body, {0x00, static_cast<unsigned char>(0xC0 | channel),
                    static_cast<unsigned char>((t * 5) % 128)});
        Push(body, {0x00, static_cast<unsigned char>(0xB0 | channel), 7, 100});
        Push(body, {0x00, on, 60, 100});
        unsigned char notes[64];
        for (int k = 0; k < 64; ++k) {
            notes[k] = static_cast<unsigned char>(48 + (t * 3 + k) % 40);
        }
        // The body does not count the End of Track that Track() appends.
        for (int i = 1; body.size() < perTrack; ++i) {
            const unsigned char value = static_cast<unsigned char>(i % 128);
            if (i % 97 == 0) {
                Push(body, {0x00, static_cast<unsigned char>(0xB0 | channel), 1, value});
                Push(body, {0x00, on, notes[i % 64], 90});
            } else if (i % 251 == 0) {
                Push(body, {0x00, static_cast<unsigned char>(0xE0 | channel), value, 64});
                Push(body, {0x00, on, notes[i % 64], 90});
            } else {
                Append(body, Vlq(i % 2 != 0 ? deltas[i % 6] : 0));
                Push(body, {notes[(i / 2) % 64], static_cast<unsigned char>(i % 2 != 0 ? 0 : 96)});
            }
        }
        Append(file, Track(body));
    }
    return file;
}

// Reference: only reading the files' bytes into memory.
void BM_ReferenceReadBytes(benchmark::State &state)
{
    std::vector<std::string> songs = RealSongs();
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
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * FileBytes(songs)));
    state.counters["songs"] = static_cast<double>(songs.size());
}
BENCHMARK(BM_ReferenceReadBytes)->Unit(benchmark::kMillisecond);

// Every song of the corpus read and analysed to be played. Argument 1: Debian's OpenMSX songs
// only.
void BM_ReadAndAnalyseCorpus(benchmark::State &state)
{
    std::vector<std::string> songs = RealSongs(state.range(0) == 1);
    size_t events = 0;
    for (auto _ : state) {
        events = ReadAll(songs);
    }
    ReportReading(state, FileBytes(songs), events);
    state.counters["songs"] = static_cast<double>(songs.size());
}
BENCHMARK(BM_ReadAndAnalyseCorpus)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Reference: the same through the merged list, as before.
void BM_ReferenceListReadCorpus(benchmark::State &state)
{
    std::vector<std::string> songs = RealSongs(state.range(0) == 1);
    size_t events = 0;
    for (auto _ : state) {
        events = ReadAllAsList(songs);
    }
    ReportReading(state, FileBytes(songs), events);
    state.counters["songs"] = static_cast<double>(songs.size());
}
BENCHMARK(BM_ReferenceListReadCorpus)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Every song of the corpus as the song library reads it for its summary. Argument 1: Debian's
// OpenMSX songs only.
void BM_LibraryReadCorpus(benchmark::State &state)
{
    std::vector<std::string> songs = RealSongs(state.range(0) == 1);
    const size_t events = ReadAll(songs);
    for (auto _ : state) {
        for (const std::string &path : songs) {
            const size_t slash = path.rfind('/');
            benchmark::DoNotOptimize(
                MidiContainer::ReadSummary(path.substr(0, slash), path.substr(slash + 1)));
        }
    }
    ReportReading(state, FileBytes(songs), events);
    state.counters["songs"] = static_cast<double>(songs.size());
}
BENCHMARK(BM_LibraryReadCorpus)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Reads and analyses one song to be played from a file holding the bytes, once per iteration.
void ReadOneSong(benchmark::State &state, const Bytes &bytes)
{
    TempMidiFile file(bytes);
    size_t events = 0;
    for (auto _ : state) {
        events = ReadAll({file.Path()});
    }
    ReportReading(state, bytes.size(), events);
}

// One song of 200,000 events in 8 tracks.
void BM_ReadAndAnalyseLargeSong(benchmark::State &state)
{
    ReadOneSong(state, LargeSong(8, 200000));
}
BENCHMARK(BM_ReadAndAnalyseLargeSong)->Unit(benchmark::kMillisecond);

// A song with 20,000 tempo changes: the time of each event must not depend on the number of
// tempo changes before it.
void BM_ReadAndAnalyseTempoChanges(benchmark::State &state)
{
    ReadOneSong(state, TempoSong(static_cast<int>(state.range(0))));
}
BENCHMARK(BM_ReadAndAnalyseTempoChanges)->Arg(2000)->Arg(20000)->Unit(benchmark::kMillisecond);

// Runs a program with its output thrown away; true when it ran and ended with status 0.
bool RunQuietly(const std::vector<std::string> &arguments)
{
    std::vector<char *> argv;
    for (const std::string &argument : arguments) {
        argv.push_back(const_cast<char *>(argument.c_str()));
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid;
    int started = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (started != 0) {
        return false;
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

double Seconds(std::chrono::steady_clock::duration duration)
{
    return std::chrono::duration<double>(duration).count();
}

// Runs midicsv on each song (one process per song, its CSV to /dev/null) and our reading of all
// of them, and sets the counters: keyrise_speedup = midicsv's time / ours; spawn_ms = the share
// of starting a process per song (measured with /bin/true), which midicsv pays and we do not.
void CompareWithMidicsv(benchmark::State &state, const std::vector<std::string> &songs, int rounds)
{
    if (!RunQuietly({"midicsv", songs.empty() ? "/dev/null" : songs[0], "/dev/null"})) {
        state.SkipWithError("midicsv is not installed (Debian package midicsv)");
        return;
    }
    for (auto _ : state) {
        for (const std::string &path : songs) {
            RunQuietly({"midicsv", path, "/dev/null"});
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * FileBytes(songs)));

    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < rounds; ++i) {
        benchmark::DoNotOptimize(ReadAll(songs));
    }
    double ours = Seconds(std::chrono::steady_clock::now() - start) / rounds;
    start = std::chrono::steady_clock::now();
    for (const std::string &path : songs) {
        RunQuietly({"midicsv", path, "/dev/null"});
    }
    double theirs = Seconds(std::chrono::steady_clock::now() - start);
    start = std::chrono::steady_clock::now();
    for (size_t i = 0; i < songs.size(); ++i) {
        RunQuietly({"/bin/true"});
    }
    double spawn = Seconds(std::chrono::steady_clock::now() - start);
    state.counters["keyrise_ms"] = ours * 1000;
    state.counters["midicsv_ms"] = theirs * 1000;
    state.counters["spawn_ms"] = spawn * 1000;
    state.counters["keyrise_speedup"] = theirs / ours;
    state.counters["speedup_wo_spawn"] = (theirs - spawn) / ours;
}

// Reference: midicsv on the corpus.
void BM_ReferenceMidicsvCorpus(benchmark::State &state)
{
    CompareWithMidicsv(state, RealSongs(), 20);
}
BENCHMARK(BM_ReferenceMidicsvCorpus)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// The big song: 20 MB, 16 tracks, 4,000 tempo changes.
void BM_ReadAndAnalyseBigSong(benchmark::State &state)
{
    ReadOneSong(state, BigSong(20, 15));
}
BENCHMARK(BM_ReadAndAnalyseBigSong)->Unit(benchmark::kMillisecond)->Iterations(5);

// The peak memory of reading the big song to play it, per event: how far the process's peak
// resident size rose above what it held before. Meaningful only alone in a fresh process:
//   keyrise-midi-bench --benchmark_filter=PlayPathPeak
// KEYRISE_BIG_SONG names a file to read instead of the one made here.
void BM_PlayPathPeakBigSong(benchmark::State &state)
{
    const char *named = std::getenv("KEYRISE_BIG_SONG");
    std::unique_ptr<TempMidiFile> made;
    if (named == nullptr) {
        made = std::make_unique<TempMidiFile>(BigSong(20, 15));
    }
    const std::string path = named != nullptr ? named : made->Path();
    malloc_trim(0);
    const double before = ResidentBytes();
    size_t events = 0;
    for (auto _ : state) {
        const SongEvents read = MidiContainer::ReadEvents(path, path);
        events = read.positions.size();
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const double peak = static_cast<double>(usage.ru_maxrss) * 1024;
    state.counters["events"] = static_cast<double>(events);
    state.counters["file_MB"] = static_cast<double>(FileBytes({path})) / 1e6;
    state.counters["peak_MB"] = (peak - before) / 1e6;
    state.counters["peak_bytes_per_event"] = events > 0 ? (peak - before) / events : 0;
}
BENCHMARK(BM_PlayPathPeakBigSong)->Unit(benchmark::kMillisecond)->Iterations(1);

// Reference: midicsv on the big song.
void BM_ReferenceMidicsvBigSong(benchmark::State &state)
{
    TempMidiFile file(BigSong(20, 15));
    CompareWithMidicsv(state, {file.Path()}, 3);
}
BENCHMARK(BM_ReferenceMidicsvBigSong)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

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

// Note timing, measured offline: notes are sent at known clock times while a 1024-frame audio
// callback renders whenever the stream has played what it had (as a sound card asks), and each
// note's onset is found in the rendered stream. 'send' starts a note, 'render' renders one
// callback. Returns the largest deviation from the send time after removing the smallest, in ms.
template <typename Send, typename Render>
double OnsetSpreadMs(int rate, Send send, Render render, Uint32 &now)
{
    const int callback = 1024;
    std::vector<Uint32> sendTimes;
    for (int i = 0; i < 40; ++i) {
        sendTimes.push_back(100 + 250 * i + (i * 7) % 23); // every phase of a callback
    }
    std::vector<int16_t> stream, block(2 * callback);
    size_t next = 0;
    for (now = 0; now < sendTimes.back() + 400; ++now) {
        while (static_cast<int64_t>(stream.size() / 2) <= static_cast<int64_t>(now) * rate / 1000) {
            render(block.data(), callback);
            stream.insert(stream.end(), block.begin(), block.end());
        }
        if (next < sendTimes.size() && now == sendTimes[next]) {
            send(true);
        }
        if (next < sendTimes.size() && now == sendTimes[next] + 100) {
            send(false); // silence before the next note
            ++next;
        }
    }
    std::vector<double> errors;
    for (Uint32 sent : sendTimes) {
        int64_t ideal = static_cast<int64_t>(sent) * rate / 1000;
        for (int64_t frame = ideal; frame < static_cast<int64_t>(stream.size() / 2); ++frame) {
            if (stream[2 * frame] != 0 || stream[2 * frame + 1] != 0) {
                errors.push_back((frame - ideal) * 1000.0 / rate);
                break;
            }
        }
    }
    if (errors.size() != sendTimes.size()) {
        return -1;
    }
    return *std::max_element(errors.begin(), errors.end()) -
           *std::min_element(errors.begin(), errors.end());
}

// The game's synthesizer: each message starts at its own frame, a fixed latency after its stamp.
void BM_OnsetSpreadSynthMidiOut(benchmark::State &state)
{
    double spread = 0;
    for (auto _ : state) {
        Uint32 now = 0;
        SynthMidiOut synth([&now] { return now; }, "", SynthMidiOut::Output::Manual, 48000);
        synth.SetEffects(false);
        synth.Open();
        spread = OnsetSpreadMs(
            48000,
            [&](bool on) {
                synth.ShortMessage(on ? (0x90 | 60 << 8 | 120 << 16) : (0xB0 | 120 << 8));
            },
            [&](int16_t *out, int frames) { synth.Render(out, frames); }, now);
    }
    state.counters["max_error_ms"] = spread;
}
BENCHMARK(BM_OnsetSpreadSynthMidiOut)->Unit(benchmark::kMillisecond)->Iterations(1);

// Reference: FluidSynth called directly when the note is due; the note starts with the next
// rendered callback.
void BM_ReferenceOnsetSpreadDirectFluid(benchmark::State &state)
{
    double spread = 0;
    for (auto _ : state) {
        fluid_settings_t *settings = new_fluid_settings();
        fluid_settings_setnum(settings, "synth.sample-rate", 48000);
        fluid_settings_setint(settings, "synth.reverb.active", 0);
        fluid_settings_setint(settings, "synth.chorus.active", 0);
        fluid_synth_t *synth = new_fluid_synth(settings);
        fluid_synth_sfload(synth, SynthMidiOut::DEFAULT_SOUNDFONT, 1);
        Uint32 now = 0;
        spread = OnsetSpreadMs(
            48000,
            [&](bool on) {
                if (on) {
                    fluid_synth_noteon(synth, 0, 60, 120);
                } else {
                    fluid_synth_all_sounds_off(synth, 0);
                }
            },
            [&](int16_t *out, int frames) {
                // Floats, converted without dither: silence stays exactly 0.
                std::vector<float> left(frames), right(frames);
                fluid_synth_write_float(synth, frames, left.data(), 0, 1, right.data(), 0, 1);
                for (int i = 0; i < frames; ++i) {
                    out[2 * i] = static_cast<int16_t>(std::lrint(left[i] * 32767));
                    out[2 * i + 1] = static_cast<int16_t>(std::lrint(right[i] * 32767));
                }
            },
            now);
        delete_fluid_synth(synth);
        delete_fluid_settings(settings);
    }
    state.counters["max_error_ms"] = spread;
}
BENCHMARK(BM_ReferenceOnsetSpreadDirectFluid)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

BENCHMARK_MAIN();
