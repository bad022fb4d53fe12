// keyrise-game-bench: time of one play-scene frame (Input, Idle, Draw) on a dense 12-lane song.
//
// Usage: keyrise-game-bench [source-dir] [seconds]   (defaults: . and 60)
// Runs headless (SDL's dummy video driver) at 1024 x 720 in a temporary folder with the game's
// pictures, on a hand-made song with a note every 25 ms spread over 12 lanes plus a dense
// accompaniment, every note hit by a robot. The MIDI output is the capture backend, so the
// figures are the scene's own work: sending, judging, drawing.
#include <SDL.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <vector>

#include "framework/SceneManager.h"
#include "game/GameScene.h"
#include "game/GameSceneParameter.h"
#include "midi/CaptureMidiOut.h"
#include "midi/ReadMidi.h"

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
} // namespace

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
    std::ofstream("config")
        << "keynum 12\nshowkey 1\nAutoPlay 1\nkey4 A\nkey5 S\nkey6 G\nkey7 H\nkey8 L\n"
           "key9 Z\nkey10 X\nkey11 C\n";

    int status = 0;
    {
        Uint32 now = 0;
        SceneManager manager;
        manager.SetTimeSource([&now]() { return now; }, [](Uint32) {});
        if (!manager.Init("image/rune-P.ttf", 24, "image", "png", "wav", "wav") ||
            !manager.CreateWindow(1024, 720, 32, 0)) {
            std::fprintf(stderr, "keyrise-game-bench: cannot set up the window\n");
            return 1;
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
        std::stable_sort(
            positions.begin(), positions.end(),
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

        std::vector<double> update;  // Input + Idle of one iteration (us)
        std::vector<double> drawing; // Draw of one picture (us)
        std::vector<double> period;  // the work of one 15 ms drawing period (us)
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
            update.push_back(Microseconds(t1 - t0));
            periodWork += update.back();
            if (now % 15 == 0) {
                manager.Draw(screen);
                drawing.push_back(Microseconds(Clock::now() - t1));
                periodWork += drawing.back();
                period.push_back(periodWork);
                periodWork = 0;
            }
            capture.Clear();
        }
        if (scene->GetBadCount() != 0 || scene->GetExcellentCount() == 0) {
            std::fprintf(stderr, "keyrise-game-bench: the robot missed notes (%d BAD)\n",
                         scene->GetBadCount());
            status = 1;
        }

        double updateSum = 0, drawSum = 0;
        for (double value : update)
            updateSum += value;
        for (double value : drawing)
            drawSum += value;
        const double updateMean = updateSum / std::max<size_t>(1, update.size());
        const double drawMean = drawSum / std::max<size_t>(1, drawing.size());
        std::printf(
            "play scene, 1024x720, 12 lanes, %d s song, %d hits, %zu iterations, %zu pictures\n",
            seconds, scene->GetExcellentCount(), update.size(), drawing.size());
        std::printf("Input+Idle per iteration: mean %.1f us, p99 %.1f us\n", updateMean,
                    Percentile(update, 0.99));
        std::printf("Draw per picture:         mean %.1f us, p99 %.1f us\n", drawMean,
                    Percentile(drawing, 0.99));
        std::printf(
            "one frame (Input+Idle+Draw): mean %.1f us = %.1f %% of the 15 ms drawing period\n",
            updateMean + drawMean, (updateMean + drawMean) / 150.0);
        std::printf("work of a 15 ms period (15 iterations + 1 picture): mean %.1f us = %.1f %%, "
                    "p99 %.1f us\n",
                    (updateSum + drawSum) / std::max<size_t>(1, period.size()),
                    (updateSum + drawSum) / std::max<size_t>(1, period.size()) / 150.0,
                    Percentile(period, 0.99));

        CloseMidiOut();
        SetMidiOutOverride(nullptr);
        ReleaseMidiLib();
    }
    fs::remove_all(dir, error);
    return status;
}
