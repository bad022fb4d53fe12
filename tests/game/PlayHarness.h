// PlayHarness: hand-made songs and a headless play scene driven one millisecond at a time.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <deque>
#include <fstream>
#include <list>
#include <string>
#include <vector>

#include "devices/CaptureMidiOut.h"
#include "devices/MidiOut.h"
#include "framework/SceneManager.h"
#include "game/GameScene.h"
#include "game/GameSceneParameter.h"
#include "game/ScoreScene.h"
#include "game/ScreenPixels.h"
#include "smf/ReadMidi.h"
#include "song/KeyPosition.h"
#include "support/HeadlessGame.h"

// A song built record by record with times in ms, as the song container would time it.
class TestSong
{
public:
    MidiFile file{};

    TestSong()
    {
        file.tempo = 500000;
        file.division = 480;
    }
    TestSong(const TestSong &) = delete;
    TestSong &operator=(const TestSong &) = delete;

    // A note of 'length' ms: Note On at 'time', Note Off after it.
    void Note(int time, int channel, int note, int length = 50)
    {
        Add(time, static_cast<uint8_t>(0x90 | channel), static_cast<uint8_t>(note), 100);
        Add(time + length, static_cast<uint8_t>(0x80 | channel), static_cast<uint8_t>(note), 0);
    }
    void Add(int time, uint8_t status, uint8_t data1, uint8_t data2)
    {
        MidiEvent &event = NewEvent(time);
        event.status = status;
        event.data1 = data1;
        event.data2 = data2;
    }
    void Tempo(int time, int tempo)
    {
        MidiEvent &event = NewEvent(time);
        event.status = 0xFF;
        event.metaType = 0x51;
        event.length = 3;
        buffers.push_back({static_cast<unsigned char>(tempo >> 16),
                           static_cast<unsigned char>(tempo >> 8),
                           static_cast<unsigned char>(tempo)});
        event.data = buffers.back().data();
    }

    // The timed table in time order (stable: records of one time keep their order of adding).
    std::list<KeyPosition> Positions() const
    {
        std::vector<std::pair<int, const MidiEvent *>> order;
        for (size_t i = 0; i < events.size(); i++)
            order.push_back({times[i], &events[i]});
        std::stable_sort(order.begin(), order.end(),
                         [](const auto &a, const auto &b) { return a.first < b.first; });
        std::list<KeyPosition> positions;
        for (const auto &entry : order) {
            const MidiEvent *event = entry.second;
            KeyPosition position{};
            position.type = event->status == 0xFF ? 0xFF : (event->status & 0xF0);
            position.time = entry.first;
            position.note = -1;
            position.channel = -1;
            position.event = const_cast<MidiEvent *>(event);
            position.isNote = false;
            if ((event->status & 0xF0) == 0x90 && event->data2 != 0) {
                position.note = event->data1;
                position.channel = event->status & 0x0F;
                position.isNote = true;
            }
            positions.push_back(position);
        }
        return positions;
    }

    // A new record for the play scene (owned by the scene once handed over).
    GameSceneParameter *MakeParameter(int part, int *highScore, int *highRate)
    {
        GameSceneParameter *param = new GameSceneParameter();
        param->song = &file;
        param->notes = Positions();
        param->firstEvent = param->notes.empty() ? nullptr : param->notes.front().event;
        param->highScore = highScore;
        param->highRate = highRate;
        param->part = part;
        return param;
    }

private:
    MidiEvent &NewEvent(int time)
    {
        events.push_back(MidiEvent{});
        times.push_back(time);
        return events.back();
    }

    std::deque<MidiEvent> events;
    std::vector<int> times;
    std::deque<std::vector<unsigned char>> buffers;
};

// A headless game with the capture MIDI output, a config file and one play scene, advanced in
// 1 ms steps. The song starts at clock START.
class PlayHarness
{
public:
    static const Uint32 START = GameScene::LEAD_IN; ///< the scene is shown at clock 0

    HeadlessGame game;
    CaptureMidiOut capture;
    std::vector<JudgementRecord> judgements;
    Uint32 now = 0;
    int highScore = 0;
    int highRate = -1;

    explicit PlayHarness(const std::string &config = "", int width = 800, int height = 600)
        : game(width, height), capture([this]() { return game.Time(); })
    {
        std::ofstream("config") << config;
        InitMidiLib();
        SetMidiOutOverride(&capture);
        OpenMidiOut(0);
    }
    ~PlayHarness()
    {
        CloseMidiOut();
        SetMidiOutOverride(nullptr);
        ReleaseMidiLib();
    }

    SceneManager &Manager() { return game.Manager(); }

    // Adds the play scene with the record and runs the scene change at clock 0.
    GameScene *Start(GameSceneParameter *param)
    {
        GameScene *scene = new GameScene(&Manager());
        scene->SetJudgementListener(
            [this](const JudgementRecord &record) { judgements.push_back(record); });
        Manager().AddScene(scene, param);
        game.Iterate(0);
        now = 0;
        return scene;
    }
    // Starts a game of 'song' for 'part' at 'tempo' percent, the records in the harness's cells.
    GameScene *Start(TestSong &song, int part = 0, int tempo = 100, bool waitMode = false)
    {
        GameSceneParameter *param = song.MakeParameter(part, &highScore, &highRate);
        param->tempo = tempo;
        param->waitMode = waitMode;
        return Start(param);
    }

    // The play scene while it is in the scene list, else null.
    GameScene *Scene()
    {
        for (SceneObject *scene : Manager().GetScenes()) {
            if (GameScene *game = dynamic_cast<GameScene *>(scene))
                return game;
        }
        return nullptr;
    }
    ScoreScene *Result()
    {
        for (SceneObject *scene : Manager().GetScenes()) {
            if (ScoreScene *result = dynamic_cast<ScoreScene *>(scene))
                return result;
        }
        return nullptr;
    }

    // The judgements so far as "VALUE error signedError" texts (ms; a miss has error -1).
    std::vector<std::string> Judged() const
    {
        static const char *const names[] = {"BAD", "OK", "GOOD", "EXCELLENT"};
        std::vector<std::string> texts;
        for (const JudgementRecord &record : judgements)
            texts.push_back(
                std::string(record.value >= 0 && record.value < 4 ? names[record.value] : "?") +
                " " + std::to_string(record.error) + " " + std::to_string(record.signedError));
        return texts;
    }

    // One iteration at the next millisecond.
    void Step() { game.Iterate(++now); }
    // Iterations up to and including clock 'until'.
    void RunTo(Uint32 until)
    {
        while (now < until)
            Step();
    }
    // Runs to song position 'position' (ms) with 'key' pressed in that iteration only.
    void PressAt(int position, int key) { PressAt(position, std::vector<int>{key}); }
    void PressAt(int position, const std::vector<int> &keys)
    {
        PressAtClock(START + position, keys);
    }
    // Runs to clock 'at' with the keys held in that iteration only.
    void PressAtClock(Uint32 at, const std::vector<int> &keys)
    {
        RunTo(at - 1);
        for (int key : keys)
            game.HoldKey(key, true);
        Step();
        for (int key : keys)
            game.HoldKey(key, false);
    }

    // Messages sent so far other than note-off sweeps, as "time status data..." lines.
    std::vector<std::string> Sent() const
    {
        std::vector<std::string> lines;
        const auto &messages = capture.Messages();
        for (size_t i = 0; i < messages.size(); i++) {
            if (IsSweepAt(i)) {
                lines.push_back(std::to_string(messages[i].time) + " stop");
                i += 2047;
                continue;
            }
            lines.push_back(Line(messages[i]));
        }
        return lines;
    }

    // The bytes the scene sends for a record: none for meta events.
    static std::vector<unsigned char> BytesOf(const MidiEvent *event)
    {
        if (event->status == 0xFF)
            return {};
        if (event->status == 0xF0 || event->status == 0xF7) {
            if (event->length <= 0 || !event->data)
                return {};
            return std::vector<unsigned char>(event->data, event->data + event->length);
        }
        std::vector<unsigned char> bytes = {event->status, event->data1, event->data2};
        bytes.resize(CaptureMidiOut::ShortMessageLength(event->status));
        return bytes;
    }

    // The same for an event of a song's table, which may hold the event itself.
    static std::vector<unsigned char> BytesOf(const PlayEvent &event)
    {
        if (const MidiEvent *record = event)
            return BytesOf(record);
        const uint8_t status = event.Status();
        if (status == 0xFF)
            return {};
        if (status == 0xF0 || status == 0xF7) {
            std::vector<unsigned char> bytes(event.LongBytes(nullptr, 0));
            event.LongBytes(bytes.data(), static_cast<uint32_t>(bytes.size()));
            return bytes;
        }
        std::vector<unsigned char> bytes = {status, event.Data1(), event.Data2()};
        bytes.resize(CaptureMidiOut::ShortMessageLength(status));
        return bytes;
    }

    static std::string Line(const CapturedMidiMessage &message)
    {
        std::string line = std::to_string(message.time);
        char hex[4];
        for (unsigned char byte : message.bytes) {
            std::snprintf(hex, sizeof hex, " %02X", byte);
            line += hex;
        }
        return line;
    }

    // True when a complete note-off sweep (channels 1-16, notes 0-127) starts at message i.
    bool IsSweepAt(size_t i) const
    {
        const auto &messages = capture.Messages();
        if (i + 2048 > messages.size())
            return false;
        for (int k = 0; k < 2048; k++) {
            const auto &bytes = messages[i + k].bytes;
            if (bytes.size() < 2 || bytes[0] != 0x80 + k / 128 || bytes[1] != k % 128)
                return false;
        }
        return true;
    }
};

// Index of the first differing line, for readable failures on long logs.
inline void ExpectSameLines(const std::vector<std::string> &actual,
                            const std::vector<std::string> &expected,
                            const std::string &what = "sent")
{
    size_t i = 0;
    while (i < actual.size() && i < expected.size() && actual[i] == expected[i])
        i++;
    if (i == actual.size() && i == expected.size())
        return;
    ADD_FAILURE() << what << ": first difference at line " << i << " of " << actual.size()
                  << " (expected " << expected.size() << " lines): got '"
                  << (i < actual.size() ? actual[i] : "<end>") << "', expected '"
                  << (i < expected.size() ? expected[i] : "<end>") << "'";
}

// Messages whose bytes start with the given ones.
inline std::vector<CapturedMidiMessage> MessagesStartingWith(const CaptureMidiOut &capture,
                                                             std::vector<unsigned char> prefix)
{
    std::vector<CapturedMidiMessage> found;
    for (const auto &message : capture.Messages()) {
        if (message.bytes.size() >= prefix.size() &&
            std::equal(prefix.begin(), prefix.end(), message.bytes.begin()))
            found.push_back(message);
    }
    return found;
}

// The top 80 rows of the first lane (the width of its ball) of a 640x480 play screen at 'clock', in
// a game of one note at 1000 ms of song time played at 'tempo' percent.
inline std::vector<Uint32> FirstLaneTopAt(const std::string &config, int tempo, Uint32 clock)
{
    PlayHarness still(config, 640, 480);
    TestSong one;
    one.Note(1000, 0, 60);
    const int left = still.Start(one, 0, tempo)->GetLayout().LaneX(0);
    still.RunTo(clock);
    SDL_Surface *screen = still.Manager().GetScreen();
    SDL_FillRect(screen, nullptr, 0);
    still.Manager().Draw(screen);
    std::vector<Uint32> lane;
    for (int y = 0; y < 80; y++)
        for (int x = left; x < left + 44; x++)
            lane.push_back(PixelAt(screen, x, y));
    return lane;
}
