// keyrise-game-bench: time of one play-scene frame (Input, Idle, Draw) on a dense 12-lane song.
//
// Usage: keyrise-game-bench [source-dir] [seconds]   (defaults: . and 60)
// Runs headless (SDL's dummy video driver) at 1024 x 720 in a temporary folder with the game's
// pictures, on a hand-made song with a note every 25 ms spread over 12 lanes plus a dense
// accompaniment, every note hit by a robot. The MIDI output is the capture backend, so the
// figures are the scene's own work: sending, judging, drawing.
// The song is played twice in one run: with the pictures in the loader's pixel format (the
// reference) and converted to the display's format, as the game draws them. Beside them, right
// after each picture of the second run, the same blits are replayed with bare SDL calls: the
// floor that drawing the same sprites can reach, measured under the same load.
#include <SDL.h>
#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <vector>

#include "content/ContentsManager.h"
#include "devices/CaptureMidiOut.h"
#include "devices/MidiOut.h"
#include "framework/SceneManager.h"
#include "game/GameScene.h"
#include "game/GameSceneParameter.h"
#include "smf/ReadMidi.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {
double Microseconds(Clock::duration duration)
{
    return std::chrono::duration<double, std::micro>(duration).count();
}

double Percentile(std::vector<double> values, double fraction)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[static_cast<size_t>(fraction * (values.size() - 1))];
}

double Mean(const std::vector<double> &values)
{
    double sum = 0;
    for (double value : values)
        sum += value;
    return sum / std::max<size_t>(1, values.size());
}

// One blit of a recorded picture: what SDL was asked to copy, and where.
struct RecordedBlit
{
    SDL_Surface *source;
    SDL_Rect from;
    bool whole;
    SDL_Rect to;
};
bool recording = false;
std::vector<RecordedBlit> recorded;

using BlitFunction = int (*)(SDL_Surface *, SDL_Rect *, SDL_Surface *, SDL_Rect *);
BlitFunction RealBlit()
{
    static BlitFunction real = reinterpret_cast<BlitFunction>(dlsym(RTLD_NEXT, "SDL_UpperBlit"));
    return real;
}

// Figures of one play of the song.
struct PlayFigures
{
    std::vector<double> update;  // Input + Idle of one iteration (us)
    std::vector<double> drawing; // Draw of one picture (us)
    std::vector<double> period;  // the work of one 15 ms drawing period (us)
    std::vector<double> bare;    // each picture's blits replayed with SDL alone (us)
    size_t blits = 0;            // blits of all pictures
    int hits = 0;
    bool ok = true;
};
} // namespace

// The game's blits come here (this definition takes the place of SDL's in this program): they
// are recorded while a picture is being recorded and always passed on to SDL.
extern "C" int SDL_UpperBlit(SDL_Surface *src, SDL_Rect *srcrect, SDL_Surface *dst,
                             SDL_Rect *dstrect)
{
    if (recording && dstrect != nullptr) {
        recorded.push_back(RecordedBlit{src, srcrect ? *srcrect : SDL_Rect{0, 0, 0, 0},
                                        srcrect == nullptr, *dstrect});
    }
    return RealBlit()(src, srcrect, dst, dstrect);
}

// Plays the song once, robot pressing every note, in a fresh manager. convert: pictures in the
// display's format; replay: record each picture's blits and time them again with bare SDL.
static PlayFigures Play(int seconds, bool convert, bool replay)
{
    PlayFigures figures;
    Uint32 now = 0;
    SceneManager manager;
    manager.SetTimeSource([&now]() { return now; }, [](Uint32) {});
    manager.GetContentsManager()->SetDisplayFormatConversion(convert);
    if (!manager.Init("image/rune-P.ttf", 24, "image", "png", "wav", "wav") ||
        !manager.CreateWindow(1024, 720, 32, 0)) {
        std::fprintf(stderr, "keyrise-game-bench: cannot set up the window\n");
        figures.ok = false;
        return figures;
    }
    manager.PrepareKeyState();
    CaptureMidiOut capture([&now]() { return now; });
    InitMidiLib();
    SetMidiOutOverride(&capture);
    OpenMidiOut(0);

    // The song: part 0 has a note every 25 ms walking over the 12 lanes (chords of two on
    // every 8th), channel 1 an accompaniment note every 10 ms.
    MidiFile file{};
    file.tempo = 500000;
    file.division = 480;
    std::deque<MidiEvent> events;
    std::vector<KeyPosition> positions;
    auto add = [&](int time, int status, int note, int velocity) {
        events.push_back(MidiEvent{});
        MidiEvent &event = events.back();
        event.status = static_cast<uint8_t>(status);
        event.data1 = static_cast<uint8_t>(note);
        event.data2 = static_cast<uint8_t>(velocity);
        const bool sounding = (status & 0xF0) == 0x90 && velocity > 0;
        KeyPosition position{};
        position.event = &event;
        position.time = time;
        position.type = status & 0xF0;
        position.note = sounding ? note : -1;
        position.channel = sounding ? (status & 0x0F) : -1;
        position.isNote = sounding;
        positions.push_back(position);
    };
    const int length = seconds * 1000;
    for (int t = 0, n = 0; t < length; t += 25, n++) {
        add(t, 0x90, 48 + n % 12, 100);
        if (n % 8 == 0)
            add(t, 0x90, 48 + (n + 6) % 12, 100);
        add(t, 0x91, 36 + n % 24, 80);
        add(t + 10, 0x91, 40 + n % 24, 80);
        add(t + 20, 0x81, 36 + n % 24, 0);
        add(t + 20, 0x80, 48 + n % 12, 0);
    }
    std::stable_sort(positions.begin(), positions.end(),
                     [](const KeyPosition &a, const KeyPosition &b) { return a.time < b.time; });

    int highScore = 0;
    int highRate = -1;
    GameSceneParameter *param = new GameSceneParameter();
    param->song = &file;
    param->notes.assign(positions.begin(), positions.end());
    param->highScore = &highScore;
    param->highRate = &highRate;
    param->part = 0;
    GameScene *scene = new GameScene(&manager);
    manager.AddScene(scene, param);
    manager.CheckChangeScene(now);
    manager.SetBeforeTimes(now);

    std::vector<int> laneKeys;
    for (int lane = 0; lane < GameScene::MAX_KEYS; lane++)
        laneKeys.push_back(scene->GetKey(lane).code);
    Uint8 *keys = manager.GetKeyState();
    SDL_Surface *screen = manager.GetScreen();

    double periodWork = 0;
    size_t next = 0;
    const Uint32 start = scene->startTime;
    for (now = 1; now < start + static_cast<Uint32>(length); now++) {
        // The robot presses every lane whose note is due in this frame.
        manager.CopyKeyState();
        for (int key : laneKeys)
            keys[key] = 0;
        const int position = static_cast<int>(now - start);
        for (; next < positions.size() && positions[next].time <= position; next++) {
            if (positions[next].time == position && GameScene::IsUseData(positions[next], 0))
                keys[laneKeys[scene->LaneOf(positions[next].note)]] = 1;
        }
        if (scene->IsLeaving())
            break;
        const Clock::time_point t0 = Clock::now();
        manager.Input(now);
        manager.Idle(now);
        const Clock::time_point t1 = Clock::now();
        figures.update.push_back(Microseconds(t1 - t0));
        periodWork += figures.update.back();
        if (now % 15 == 0) {
            recording = replay;
            manager.Draw(screen);
            figures.drawing.push_back(Microseconds(Clock::now() - t1));
            recording = false;
            periodWork += figures.drawing.back();
            figures.period.push_back(periodWork);
            periodWork = 0;
            if (replay) {
                // The same picture as a bare SDL program would draw it: clear, then the blits.
                const Clock::time_point t2 = Clock::now();
                SDL_FillRect(screen, nullptr, 0);
                for (RecordedBlit blit : recorded)
                    RealBlit()(blit.source, blit.whole ? nullptr : &blit.from, screen, &blit.to);
                figures.bare.push_back(Microseconds(Clock::now() - t2));
                figures.blits += recorded.size();
                recorded.clear();
            }
        }
        capture.Clear();
    }
    figures.hits = scene->GetExcellentCount();
    if (scene->GetBadCount() != 0 || figures.hits == 0) {
        std::fprintf(stderr, "keyrise-game-bench: the robot missed notes (%d BAD)\n",
                     scene->GetBadCount());
        figures.ok = false;
    }

    CloseMidiOut();
    SetMidiOutOverride(nullptr);
    ReleaseMidiLib();
    return figures;
}

int main(int argc, char **argv)
{
    const fs::path source = fs::absolute(argc > 1 ? argv[1] : ".");
    const int seconds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 60;
    if (!fs::exists(source / "assets" / "image")) {
        std::fprintf(stderr, "keyrise-game-bench: no assets/image under %s\n", source.c_str());
        return 1;
    }
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);

    char pattern[] = "/tmp/keyrise-bench-XXXXXX";
    if (!mkdtemp(pattern))
        return 1;
    const fs::path dir = pattern;
    fs::copy(source / "assets" / "image", dir / "image");
    fs::copy(source / "assets" / "wav", dir / "wav");
    std::error_code error;
    fs::create_symlink("/usr/share/fonts/truetype/vlgothic/VL-PGothic-Regular.ttf",
                       dir / "image" / "rune-P.ttf", error);
    if (chdir(dir.c_str()) != 0)
        return 1;
    // The lanes keep the default layout for 12 lanes: twelve different keys.
    std::ofstream("config") << "keynum 12\nshowkey 1\nAutoPlay 1\n";

    const PlayFigures loaderFormat = Play(seconds, false, false);
    const PlayFigures displayFormat = Play(seconds, true, true);
    fs::remove_all(dir, error);
    if (!loaderFormat.ok || !displayFormat.ok)
        return 1;

    std::printf("play scene, 1024x720, 12 lanes, %d s song, %d hits, %zu iterations, %zu "
                "pictures per run\n",
                seconds, displayFormat.hits, displayFormat.update.size(),
                displayFormat.drawing.size());
    // Ratios use medians: on a shared machine a few pictures are slowed by other work.
    const double bare = Percentile(displayFormat.bare, 0.5);
    for (const PlayFigures *run : {&loaderFormat, &displayFormat}) {
        const double update = Mean(run->update);
        const double drawing = Percentile(run->drawing, 0.5);
        std::printf("%s\n", run == &loaderFormat ? "pictures in the loader's format (reference):"
                                                 : "pictures in the display's format:");
        std::printf("  Input+Idle per iteration: mean %.1f us, p99 %.1f us\n", update,
                    Percentile(run->update, 0.99));
        std::printf("  Draw per picture:         median %.1f us = %.1f %% of the 15 ms period "
                    "(mean %.1f us, p99 %.1f us), %.2fx the bare blits\n",
                    drawing, drawing / 150.0, Mean(run->drawing), Percentile(run->drawing, 0.99),
                    drawing / std::max(bare, 0.001));
        std::printf("  work of a 15 ms period (15 iterations + 1 picture): median %.1f us = %.1f "
                    "%%, p99 %.1f us\n",
                    Percentile(run->period, 0.5), Percentile(run->period, 0.5) / 150.0,
                    Percentile(run->period, 0.99));
    }
    std::printf("bare SDL, the same blits (%zu a picture) in display format, after a clear: "
                "median %.1f us (mean %.1f us, p99 %.1f us)\n",
                displayFormat.blits / std::max<size_t>(1, displayFormat.bare.size()), bare,
                Mean(displayFormat.bare), Percentile(displayFormat.bare, 0.99));
    std::printf("display format against loader format: drawing %.2fx faster\n",
                Percentile(loaderFormat.drawing, 0.5) /
                    std::max(Percentile(displayFormat.drawing, 0.5), 0.001));
    return 0;
}
