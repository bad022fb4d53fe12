// PracticeSession: the play scene's practice: pause with count-in, tempo, section loop, wait mode.
#include "game/PracticeSession.h"

#include <cstdio>
#include <string>
#include <vector>

#include "framework/SceneManager.h"
#include "game/LatencyCompensation.h"
#include "game/PracticeOverlay.h"
#include "game/Sequencer.h"
#include "text/MessageCatalog.h"

void PracticeSession::Init(SceneManager *newManager, PracticeOverlay *newOverlay,
                           Sequencer *newSequencer, int newKeyNum, int tempo, bool wait,
                           const KeyAssign &newPauseKey)
{
    manager = newManager;
    overlay = newOverlay;
    sequencer = newSequencer;
    keyNum = newKeyNum;
    clock.SetTempo(tempo, 0);
    waitMode = wait;
    practice = clock.GetTempo() != 100 || waitMode;
    pauseKey = newPauseKey;
}

void PracticeSession::SetOffsets(int globalOffset, int *songCell, LatencyCompensation *newLatency)
{
    songOffset = songCell;
    latency = newLatency;
    trim.Set(globalOffset, songOffset != nullptr ? *songOffset : 0);
    if (latency != nullptr)
        latency->Set(latency->GetOutputLatency(), trim.GetEffective());
}

void PracticeSession::SetGameKind(int newNoFail, bool newDemo)
{
    noFail = newNoFail;
    demo = newDemo;
    if (noFail == 2)
        practice = true; // a game that cannot fail is not recorded
}

int PracticeSession::LaneOf(int note) const
{
    const int lane = note % keyNum;
    return lane < 0 ? lane + keyNum : lane;
}

void PracticeSession::Pause(Uint32 now)
{
    clock.Hold(now);
    Sequencer::Silence();
    pauseState = PAUSED;
    overlay->SetSettings(clock.GetTempo(), waitMode);
    overlay->SetOffsets(trim.GetSong(), trim.GetEffective());
    overlay->ShowPause();
}

void PracticeSession::SetTempo(int percent, Uint32 now)
{
    clock.SetTempo(percent, now);
    if (clock.GetTempo() != 100)
        practice = true;
    overlay->SetSettings(clock.GetTempo(), waitMode);
    UpdateStatus();
}

void PracticeSession::SetWaitMode(bool on)
{
    // Only chosen while paused: the song is held anyway, and the end of the count-in lets
    // Idle hold it again or not.
    waitMode = on;
    if (on)
        practice = true;
    overlay->SetSettings(clock.GetTempo(), waitMode);
    UpdateStatus();
}

void PracticeSession::TrimOffset(Uint32 now, const PlayTurn &turn)
{
    bool trimmed = false;
    if (turn.Pressed(PlayTurn::EARLIER))
        trimmed |= trim.Step(-1);
    if (turn.Pressed(PlayTurn::LATER))
        trimmed |= trim.Step(1);
    const int held = (turn.Held(PlayTurn::LATER) ? 1 : 0) - (turn.Held(PlayTurn::EARLIER) ? 1 : 0);
    trimmed |= trim.Hold(held, now);
    if (!trimmed)
        return;
    // The song's record takes it at once, so that leaving with Escape keeps it too; it is
    // saved with the song's records when the song selection is back.
    if (songOffset != nullptr)
        *songOffset = trim.GetSong();
    overlay->SetOffsets(trim.GetSong(), trim.GetEffective());
}

void PracticeSession::StartCountIn(Uint32 now)
{
    pauseState = COUNTING_IN;
    countInEnd = now + COUNT_IN;
    overlay->ShowCountIn(COUNT_IN);
    // The judgement and the balls follow the trimmed offset from here on; the game's own
    // presses in a demo stay on time.
    if (latency != nullptr && !demo)
        latency->Set(latency->GetOutputLatency(), trim.GetEffective());
}

void PracticeSession::PausedInput(Uint32 now, const PlayTurn &turn, Action &action)
{
    const bool pausePressed = turn.Pressed(PlayTurn::PAUSE);
    if (turn.Pressed(PlayTurn::UP))
        overlay->Move(-1);
    if (turn.Pressed(PlayTurn::DOWN))
        overlay->Move(1);
    if (turn.Pressed(PlayTurn::SLOWER))
        SetTempo(clock.GetTempo() - PracticeClock::TEMPO_STEP, now);
    if (turn.Pressed(PlayTurn::FASTER))
        SetTempo(clock.GetTempo() + PracticeClock::TEMPO_STEP, now);
    if (turn.Pressed(PlayTurn::WAIT))
        SetWaitMode(!waitMode);
    TrimOffset(now, turn);
    const bool chosen = turn.Pressed(PlayTurn::OK);
    if (pausePressed || (chosen && overlay->GetChoice() == PracticeOverlay::RESUME)) {
        StartCountIn(now);
    } else if (chosen && overlay->GetChoice() == PracticeOverlay::RETRY) {
        action = RETRY;
    } else if (chosen && overlay->GetChoice() == PracticeOverlay::LEAVE) {
        action = LEAVE;
    }
}

bool PracticeSession::Input(Uint32 now, const PlayTurn &turn, Action &action)
{
    action = GO_ON;
    // A count-in that ran out before this turn ended at its time: the turn's presses count.
    if (pauseState == COUNTING_IN && static_cast<Sint32>(now - countInEnd) >= 0)
        EndCountIn();
    if (pauseState == COUNTING_IN)
        return false;
    if (pauseState == PAUSED) {
        PausedInput(now, turn, action);
        return false;
    }
    if (turn.Pressed(PlayTurn::PAUSE)) {
        Pause(now);
        return false;
    }
    const int position = clock.Position(now);
    if (turn.Pressed(PlayTurn::LOOP_START)) {
        loop.MarkStart(position);
        UpdateStatus();
    }
    if (turn.Pressed(PlayTurn::LOOP_END) && loop.MarkEnd(position)) {
        // The section starts over when Idle finds its end reached, in this very frame.
        practice = true;
        UpdateStatus();
    }
    if (turn.Pressed(PlayTurn::LOOP_CLEAR)) {
        loop.Clear();
        UpdateStatus();
    }
    return true;
}

bool PracticeSession::Idle(Uint32 now, const PlayTurn &turn, Action &action)
{
    action = GO_ON;
    if (pauseState == PLAYING)
        return true;
    // Escape keeps its meaning while paused.
    if (turn.Pressed(PlayTurn::ESCAPE)) {
        action = LEAVE;
        return false;
    }
    if (pauseState == PAUSED)
        return false;
    if (static_cast<Sint32>(now - countInEnd) < 0) {
        overlay->ShowCountIn(static_cast<int>(countInEnd - now));
        return false;
    }
    EndCountIn();
    return true;
}

void PracticeSession::EndCountIn()
{
    pauseState = PLAYING;
    overlay->HidePause();
    // The song goes on at the end of the count-in, whenever the turn that finds it comes.
    clock.Run(countInEnd);
    // Wait mode holds the song again at once if it waited when paused.
    waitingAt = INT_MIN;
}

void PracticeSession::ApplyWait(Uint32 now)
{
    if (!waitMode) {
        if (waitingAt != INT_MIN) {
            waitingAt = INT_MIN;
            clock.Run(now);
        }
        return;
    }
    // The part's first note not played yet, looked for up to where the song stands: before it
    // while running, up to the held moment while holding.
    const long long at =
        waitingAt != INT_MIN ? static_cast<long long>(waitingAt) * 100 + 1 : clock.Exact(now);
    const KeyPosition *next = nullptr;
    sequencer->ForEachInPlay([&](const KeyPosition &record, size_t slot) {
        if (static_cast<long long>(record.time) * 100 >= at)
            return false;
        if (sequencer->IsOpen(slot))
            next = &record;
        return next == nullptr;
    });
    if (waitingAt != INT_MIN) {
        // Holding: go on once no note of the held moment is left (a chord waits for all its
        // lanes).
        if (next == nullptr) {
            waitingAt = INT_MIN;
            clock.Run(now);
        }
        UpdateStatus();
        return;
    }
    if (next != nullptr) {
        // The song has just passed the note: hold it there, before the note is due.
        waitingAt = next->time;
        clock.HoldAt(next->time);
        UpdateStatus();
    }
}

void PracticeSession::Restarted(int at, Uint32 now)
{
    waitingAt = INT_MIN;
    clock.Start(now, at);
}

void PracticeSession::UpdateStatus()
{
    std::vector<std::string> lines;
    char text[96];
    if (demo)
        lines.push_back(Tr("Demo: the game plays your part"));
    else if (IsNoFail())
        lines.push_back(Tr("No-fail practice - not recorded"));
    if (clock.GetTempo() != 100) {
        std::snprintf(text, sizeof text, Tr("Tempo %d %%"), clock.GetTempo());
        lines.push_back(text);
    }
    if (waitMode && waitingAt == INT_MIN) {
        lines.push_back(Tr("Wait mode"));
    } else if (waitMode) {
        // The lanes the song waits for, numbered from 1.
        bool waitedFor[12] = {};
        sequencer->ForEachInPlay([&](const KeyPosition &record, size_t slot) {
            if (record.time > waitingAt)
                return false;
            if (sequencer->IsOpen(slot))
                waitedFor[LaneOf(record.note)] = true;
            return true;
        });
        std::string line = Tr("Waiting for lane");
        for (int lane = 0; lane < keyNum; lane++)
            if (waitedFor[lane])
                line += " " + std::to_string(lane + 1);
        lines.push_back(line);
    }
    if (loop.IsActive()) {
        std::snprintf(text, sizeof text, Tr("Loop %.1f s - %.1f s (F7: clear)"),
                      loop.GetStart() / 1000.0, loop.GetEnd() / 1000.0);
        lines.push_back(text);
    } else if (loop.IsStartMarked()) {
        std::snprintf(text, sizeof text, Tr("Loop from %.1f s (F6: end)"),
                      loop.GetStart() / 1000.0);
        lines.push_back(text);
    }
    overlay->SetStatus(lines);
}
