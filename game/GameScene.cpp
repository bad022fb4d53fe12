// GameScene: the play scene: lanes and rising balls, the song sent as it plays, judgement, life.
#include "game/GameScene.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "config/ConfigReader.h"
#include "config/PlaySettings.h"
#include "content/ContentsManager.h"
#include "content/NumWriter.h"
#include "devices/MidiOut.h"
#include "framework/KeyMapper.h"
#include "framework/SceneManager.h"
#include "game/GameSceneParameter.h"
#include "game/HitErrorMeter.h"
#include "game/JudgementDisplay.h"
#include "game/LaneKeys.h"
#include "game/LivePlayInput.h"
#include "game/PlayHud.h"
#include "game/PracticeOverlay.h"
#include "game/ReplayInput.h"
#include "game/ReplayRecorder.h"
#include "game/ReplayStore.h"
#include "game/ScoreScene.h"
#include "game/ScoreSceneParameter.h"
#include "platform/GamePaths.h"
#include "platform/MessageBox.h"
#include "text/MessageCatalog.h"
#include "widgets/BaroMeter.h"

namespace {
const int PROGRESS_HEIGHT = 4; // px: the song's progress bar along the bottom edge
const Uint32 FAILED_COLOR = 0x00FF4848;
const Uint32 REPLAY_COLOR = 0x00FFC040;
// Life meter change per judgement, BAD .. EXCELLENT.
const double METER_CHANGE[4] = {-2.0, 0.1, 0.5, 1.0};
const double METER_START = 50.0;

// Screen coordinates are 16-bit.
Sint16 ToCoordinate(long long value)
{
    if (value < -32768)
        return -32768;
    if (value > 32767)
        return 32767;
    return static_cast<Sint16>(value);
}

std::string Format(const char *format, int value)
{
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}
} // namespace

GameScene::GameScene(SceneManager *manager) : Scene(manager) {}

GameScene::~GameScene()
{
    input.reset();
    viewer.reset();
    delete numWriter;
    delete param;
}

bool GameScene::IsUseData(const KeyPosition &position, int part)
{
    return position.isNote && position.channel == part;
}

int GameScene::TimeToPos(int a, int b, int tempo) const
{
    return ScrollMap::FollowingY(param ? param->speed : 100, manager->GetHeight(), a, b, tempo);
}

int GameScene::LaneOf(int note) const
{
    const int lane = note % keyNum;
    return lane < 0 ? lane + keyNum : lane;
}

int GameScene::NoteToPos(int note) const
{
    return layout.LaneX(LaneOf(note));
}

void GameScene::Init(void *data)
{
    param = static_cast<GameSceneParameter *>(data);
    if (!param)
        param = new GameSceneParameter();
    ContentsManager *contents = manager->GetContentsManager();
    const int height = manager->GetHeight();

    ConfigReader config;
    config.ReadFile(Paths().ConfigFile());

    PlaySettings settings = PlaySettings::Read(config);
    const Replay *replay = param->replay.get();
    if (replay) {
        // A game shown again plays with the settings it was recorded with.
        settings.keyNum = replay->keys;
        settings.autoPlay = replay->autoPlay;
        settings.noFail = replay->noFail;
        settings.failResult = replay->failResult;
        param->part = replay->part;
        param->tempo = replay->tempo;
        param->waitMode = replay->waitMode;
        param->demo = false;
        replaySongOffset = replay->songOffset;
    }
    keyNum = settings.keyNum;

    // Every lane's binding is read, also those beyond keyNum: the held-key pictures and the
    // key names are prepared for all twelve.
    KeyMapper mapper;
    LaneKeys::ReadAll(config, keys);

    param->speed = settings.speed;
    autoPlay = settings.autoPlay;
    latency.Init(config, replay ? replay->latency : GetMidiOutLatency());
    layout.Set(manager->GetWidth(), height, keyNum, !settings.lanesLeft);
    scrollMap.Set(param->speed, height,
                  settings.scrollMode == PlaySettings::kScrollConstant ? ScrollMap::CONSTANT
                                                                       : ScrollMap::FOLLOW_TEMPO);

    const int ball = GetBallSize();
    ballImage.LoadImageWH(contents, "ball", ball, ball);
    for (int i = 0; i < keyNum; i++)
        laneImages[i].LoadImageWH(contents, Format("key%d", i), ball, ball);

    // The latest judgement in one text over the lanes, a bar under the hit lane, and the
    // scale of timing errors under the targets (wide enough to read with few lanes), centred
    // under the lanes. Texts and pictures made for 640 x 480 grow with the screen.
    const int column = layout.GetColumn();
    const int lanesLeft = layout.GetLeft(), lanesWidth = layout.GetRight() - lanesLeft;
    const int fontSize = layout.Scaled(contents->GetDefaultFontSize());
    judgementDisplay = new JudgementDisplay(manager, this);
    judgementDisplay->Load(contents, fontSize * 3 / 2);
    judgementDisplay->SetLayout(lanesLeft, column, ball, ball + 1, lanesLeft + lanesWidth / 2,
                                height * 2 / 5);
    hitErrorMeter = new HitErrorMeter(manager, this);
    const int scaleWidth = std::max(lanesWidth, column * LaneLayout::COLUMNS / 4);
    hitErrorMeter->SetArea(std::max(0, lanesLeft + (lanesWidth - scaleWidth) / 2), ball + 8,
                           scaleWidth, std::max(8, height / 60));
    failedImage.LoadString(contents, Tr("FAILED"), FAILED_COLOR, fontSize * 3);
    if (param->replay) {
        replayImage.LoadString(contents, Tr("REPLAY"), REPLAY_COLOR, fontSize * 3 / 2);
        heldImage.LoadString(contents, Tr("PAUSED"), 0x00FFFFFF, fontSize * 3);
    }
    hud = new PlayHud(manager, this);
    hud->Load(contents, param->title);

    // The meter strip is scaled as the screen's 4:3 area across and stretched to a fifth of
    // the screen height (the percent form of LoadImage); it shows frames 10 pixels of a
    // 640 x 480 screen wide, one every 33 ms.
    meterImage.LoadImage(contents, "meter", layout.GetScalePercent(), height / 5);
    meter = new BaroMeter(manager, this);
    meter->Set(&meterImage);
    SDL_Rect meterPlace{0, ToCoordinate(static_cast<long long>(height * 0.1)), 0, 0};
    meter->SetRelativePosition(meterPlace);
    meter->SetFramesFromWidth(layout.Scaled(10));
    meter->SetInterval(33);
    meter->SetValue(METER_START);

    const int songTempo = param->song ? static_cast<int>(param->song->tempo) : 500000;
    baseTempo = scrollTempo = glideTarget = songTempo;
    combo = 0;

    comboImage.LoadImage(contents, "Combo", layout.GetScalePercent(), layout.GetScalePercent());
    numWriter = new NumWriter();
    numWriter->Init(contents, "num", layout.GetScalePercent(), layout.GetScalePercent());

    badCount = okCount = goodCount = excellentCount = 0;
    maxCombo = 0;
    showKey = settings.showKey;

    for (int i = 0; i < MAX_KEYS; i++) {
        if (keys[i].kind == 0)
            // Never wider than the ball, so that a long name stays within its lane.
            keyNameImages[i].LoadStringWithin(
                contents, KeyMapper::GetShownName(mapper.GetName(keys[i])), 0xFFFFFFFF, ball, ball);
    }
    songLength = param->notes.empty() ? 0 : param->notes.back().time;
    sequencer.Reset(param->notes, param->part, param->song);

    initialTempo = static_cast<uint32_t>(songTempo);
    initialDelay = param->delay;
    std::string pauseName;
    config.GetString(pauseName, "pause", "");
    KeyAssign pauseKey;
    if (!pauseName.empty())
        pauseKey = mapper.GetID(pauseName);
    PracticeOverlay *overlay = new PracticeOverlay(manager, this);
    practice.Init(overlay, &sequencer, keyNum, param->tempo, param->waitMode);
    const int offset = replay ? replay->offset : config.GetInteger("offset", 0);
    // A game shown again trims a copy of the song's offset, never the song's own.
    practice.SetOffsets(offset, replay ? &replaySongOffset : param->songOffset, &latency);
    demo = param->demo;
    practice.SetGameKind(settings.noFail, demo);
    if (replay) {
        replayed = new ReplayInput(param->replay);
        input.reset(replayed);
        // The viewer's own Escape and P; the lanes play nothing.
        viewer.reset(new LivePlayInput(manager, keys, keyNum, pauseKey, -1));
    } else {
        input.reset(
            new LivePlayInput(manager, keys, keyNum, pauseKey, config.GetInteger("mididev", 0)));
        // Every game the player plays is recorded; a demo is the game's, not theirs.
        if (!demo && !param->songPath.empty())
            StartRecording(settings);
    }
    failResult = settings.failResult;
    if (demo)
        latency.Set(latency.GetOutputLatency(), 0); // the game's own presses are on time
    practice.UpdateStatus();
}

void GameScene::OnShowEvent()
{
    shownAt = manager->GetNowTime();
    startTime = shownAt + LEAD_IN;
    practice.Clock().Start(startTime, 0);
}

void GameScene::Score(const KeyPosition &record, int value, int error, int signedError, Uint32 now)
{
    // They fade on the manager's clock.
    judgementDisplay->Show(LaneOf(record.note), value, now + held);
    if (error >= 0) {
        hitErrorMeter->Add(signedError, now + held);
        hitErrors.push_back(signedError);
    }

    combo++;
    switch (value) {
    case EXCELLENT:
        excellentCount++;
        break;
    case GOOD:
        goodCount++;
        break;
    case OK:
        okCount++;
        combo = 0;
        break;
    default:
        badCount++;
        combo = 0;
        break;
    }
    meter->AddValue(METER_CHANGE[value]);
    if (combo > maxCombo)
        maxCombo = combo;
    // An empty life meter ends the game with the judgement that emptied it, so that the same
    // presses end it alike however the turns came.
    if (meter->GetValue() <= 0.0 && !practice.IsNoFail()) {
        failed = true;
        failedAt = now;
        judgementDisplay->visible = false;
    }

    if (judgementListener)
        judgementListener(JudgementRecord{now, record.time, record.note, LaneOf(record.note), value,
                                          error, signedError});
}

void GameScene::Hit(const KeyPosition &record, size_t slot, Uint32 now, bool onTime)
{
    // The error is measured in the player's time, whatever the practice tempo, against the
    // note's time moved by the player's offset.
    const double signedError = onTime ? 0.0 : latency.JudgedMsSince(record.time, now);
    const double error = std::fabs(signedError);
    const int clamped = error >= INT_MAX ? INT_MAX : static_cast<int>(error);
    const int sign = signedError < 0 ? -1 : 1;
    Score(record, TimingWindows::For(clamped), clamped, sign * clamped, now);

    // Self Play: the note sounds at the hit (and ends after its written length when its own
    // Note Off went out already). Auto Play: Idle plays the part at its times.
    if (!autoPlay)
        sequencer.PlayHit(record, slot, latency.RunningSendPosition(now));
    else
        sequencer.KeepForItsTime(record, slot);
}

void GameScene::Miss(const KeyPosition &record, Uint32 now)
{
    Score(record, BAD, -1, 0, now);
}

void GameScene::Input(unsigned int now)
{
    if (!param || leaving || (viewer && !ViewerInput(now)))
        return;
    const Uint32 at = now - held;
    if (replayed) {
        // A game shown again takes every recorded turn at the clock it was recorded at, in
        // order, each with what fell due before it, and before the frame's own turn: however
        // late the frame, the game goes as it went.
        uint32_t recorded = 0;
        while (!leaving && replayed->EarlierTurn(at - shownAt, recorded)) {
            turn = input->Read(recorded);
            TakeTurn(shownAt + recorded);
            if (!leaving)
                GoOn(shownAt + recorded);
            beforeTime = shownAt + recorded + held;
        }
        if (leaving)
            return;
    }
    // Read every turn, so that held keys stay right during the lead-in and pauses.
    turn = input->Read(at - shownAt);
    TakeTurn(at);
}

bool GameScene::ViewerInput(Uint32 now)
{
    const PlayTurn keys = viewer->Read(now);
    if (keys.Pressed(PlayTurn::ESCAPE)) {
        Quit();
        return false;
    }
    if (keys.Pressed(PlayTurn::PAUSE)) {
        // The game stands at its latest turn; held no more, it goes on from there.
        if (holding) {
            held += now - heldSince;
        } else {
            heldSince = beforeTime;
            Sequencer::Silence();
        }
        holding = !holding;
    }
    return !holding;
}

void GameScene::TakeTurn(Uint32 now)
{
    if (recorder && !failed)
        recorder->Record(now - shownAt, turn);
    if (failed)
        return;
    // The practice keys wait for the song's start; a press in the lead-in reaches the notes
    // at the song's start like any other.
    if (latency.SongPosition(now) >= 0) {
        PracticeSession::Action action;
        if (!practice.Input(now, turn, action)) {
            Act(action);
            return;
        }
    }
    if (leaving || sequencer.NothingInPlay())
        return;
    if (demo) {
        // The game presses for the player: every note of the part in the first frame at or
        // after its time, whatever the lane keys do. Its press is on the note's time; a frame
        // that came late (a busy machine) does not make it late.
        sequencer.ForEachInPlay([&](const KeyPosition &record, size_t slot) {
            if (latency.JudgedMsSince(record.time, now) < 0)
                return false;
            if (sequencer.IsOpen(slot))
                Hit(record, slot, now, true);
            return true;
        });
        return;
    }
    // The presses are judged at their time, after what fell due before it (misses, wait
    // mode, the repeated section), as a turn every millisecond would have judged them.
    CatchUp(now);
    if (failed || sequencer.NothingInPlay())
        return;
    // One press serves one note per lane, plus the notes of that lane no more than CHORD_SPAN
    // ms after it (chord notes that share the lane).
    bool served[MAX_KEYS] = {};
    int servedTime[MAX_KEYS] = {};
    sequencer.ForEachInPlay([&](const KeyPosition &record, size_t slot) {
        if (failed)
            return false;
        // The window is measured where the press counts, offset applied: a player whose
        // presses come early by more than the window still reaches the note they aim at.
        if (-latency.JudgedMsSince(record.time, now) > HIT_WINDOW)
            return false;
        if (!sequencer.IsOpen(slot))
            return true;
        const int lane = LaneOf(record.note);
        if (!turn.LanePressed(lane) ||
            (served[lane] && record.time - servedTime[lane] > CHORD_SPAN))
            return true;
        if (!served[lane]) {
            served[lane] = true;
            servedTime[lane] = record.time;
        }
        Hit(record, slot, now);
        return true;
    });
    // Wait mode goes on at the press that completed its chord.
    practice.ApplyWait(now);
    if (failed)
        SendStopEvent();
}

void GameScene::FollowTempo(Uint32 frame)
{
    const int songTempo = param->song ? static_cast<int>(param->song->tempo) : scrollTempo;
    if (songTempo == scrollTempo) {
        baseTempo = glideTarget = songTempo;
        return;
    }
    // A new tempo (also one that arrives during a glide) starts a glide from where the scroll
    // tempo stands. The glide is linear and takes TEMPO_GLIDE ms: each frame moves it by the
    // frame's share of the whole change, rounded up so that it never stalls.
    if (songTempo != glideTarget) {
        baseTempo = scrollTempo;
        glideTarget = songTempo;
    }
    const long long span = std::llabs(static_cast<long long>(glideTarget) - baseTempo);
    long long step = (static_cast<long long>(frame) * span + TEMPO_GLIDE - 1) / TEMPO_GLIDE;
    if (step < 1)
        step = 1;
    const long long remaining = std::llabs(static_cast<long long>(songTempo) - scrollTempo);
    if (remaining <= step) {
        scrollTempo = baseTempo = songTempo;
        return;
    }
    scrollTempo += static_cast<int>(songTempo > scrollTempo ? step : -step);
}

void GameScene::HandOver()
{
    manager->DeleteScene(this);
    ScoreSceneParameter *result = new ScoreSceneParameter();
    result->highScore = param->highScore;
    result->highRate = param->highRate;
    result->bad = badCount;
    result->ok = okCount;
    result->good = goodCount;
    result->excellent = excellentCount;
    result->maxCombo = maxCombo;
    result->errors = hitErrors;
    // A practice game shows its result, beside the record that stands, but stores nothing;
    // so do a failed game and a demo.
    result->practice = practice.IsPractice();
    result->failed = failed;
    result->demo = demo;
    result->watched = param->replay != nullptr;
    result->replay = param->replay ? param->replay : kept;
    result->retry.reset(MakeRetryParameter());
    result->historyPath = demo || param->replay ? std::string() : param->historyPath;
    result->replayProblem = replayProblem;
    result->bestReplayProblem = bestReplayProblem;
    result->part = param->part;
    result->keys = keyNum;
    manager->AddScene(new ScoreScene(manager), result);
    leaving = true;
    finished = true;
}

void GameScene::Idle(unsigned int now)
{
    if (!holding)
        GoOn(now - held);
}

void GameScene::GoOn(Uint32 now)
{
    // Events go out the device's latency before their time, so sending may begin in the
    // lead-in; the end of the song and the quit test wait for the start.
    if (!param || leaving || latency.SendPosition(now) < 0)
        return;
    if (failed) {
        KeepRecording(failedAt);
        // The notice stays FAILED_NOTICE ms (Escape skips it), then the result marked FAILED
        // ("failresult") or the song list.
        if (now - failedAt >= static_cast<Uint32>(FAILED_NOTICE) ||
            turn.Pressed(PlayTurn::ESCAPE)) {
            if (failResult) {
                HandOver();
                return;
            }
            manager->DeleteScene(this);
            leaving = true;
        }
        return;
    }
    const bool started = latency.SongPosition(now) >= 0;
    if (started) {
        PracticeSession::Action action;
        if (!practice.Idle(now, turn, action)) {
            Act(action);
            return;
        }
    }
    CatchUp(now);
    if (!started || failed)
        return;
    // beforeTime is the manager's clock of the previous turn, the time held included.
    const Uint32 frame = now + held - beforeTime;
    FollowTempo(frame);
    if (sequencer.NothingInPlay()) {
        // The song is over. One note-off sweep silences what still rings, the Note Offs of
        // late hits included.
        sequencer.StopOnce();
        param->delay -= static_cast<int>(frame);
        if (param->delay < 0) {
            KeepRecording(now);
            HandOver();
            return;
        }
    }
    if (turn.Pressed(PlayTurn::ESCAPE))
        Quit();
}

void GameScene::CatchUp(Uint32 now)
{
    SectionLoop &loop = practice.Loop();
    PracticeClock &clock = practice.Clock();
    if (latency.SongPosition(now) >= 0 && !practice.IsPaused()) {
        // A repeated section starts over in the first ms in which the song stands at its end,
        // whenever the turn that finds it comes (a tiny one goes round at most 100 times).
        const long long end = static_cast<long long>(loop.GetEnd()) * 100;
        for (int round = 0; round < 100 && loop.IsActive() && clock.IsRunning() &&
                            clock.Position(now) >= loop.GetEnd();
             round++) {
            const Uint32 at = clock.FirstClockPast(end - 100, now);
            if (clock.Exact(at) > end)
                clock.HoldAt(loop.GetEnd());
            SendAndMiss(at);
            loop.Repeated();
            RestartAt(loop.GetStart(), at);
            practice.UpdateStatus();
        }
        practice.ApplyWait(now);
    }
    SendAndMiss(now);
}

void GameScene::SendAndMiss(Uint32 now)
{
    int sending = latency.SendPosition(now);
    if (practice.GetLoop().IsActive())
        sending = std::min(sending, practice.GetLoop().GetEnd());
    const int judged = latency.JudgedPosition(now);
    sequencer.SendPendingNoteOffs(sending);

    // Misses can lie ahead of the position when the offset is negative: walk far enough.
    const int walkEnd = std::max(sending, judged - latency.ToSongMs(MISS_AFTER) + 2);
    sequencer.Advance(sending, walkEnd, autoPlay, [&](const KeyPosition &record) {
        if (failed || latency.JudgedMsSince(record.time, now) <= MISS_AFTER)
            return false;
        Miss(record, now);
        return true;
    });
    if (failed)
        SendStopEvent();
}

void GameScene::StartRecording(const PlaySettings &settings)
{
    Replay head;
    std::string reason;
    if (!ReplayRecorder::IdentifySong(param->songPath, head, reason)) {
        replayProblem = param->songPath + ": " + reason;
        return ShowWarning(param->songPath, "this game is not recorded: " + reason);
    }
    head.songName = param->songName;
    head.part = param->part;
    head.keys = keyNum;
    head.tempo = practice.GetClock().GetTempo();
    head.waitMode = practice.IsWaitMode();
    head.offset = practice.GetOffsetTrim().GetGlobal();
    head.songOffset = practice.GetOffsetTrim().GetSong();
    head.latency = latency.GetOutputLatency();
    recorder.reset(new ReplayRecorder(head, settings));
}

void GameScene::KeepRecording(Uint32 at)
{
    if (!recorder)
        return;
    recorder->Finish(at - shownAt,
                     ReplayRecorder::ResultOf(badCount, okCount, goodCount, excellentCount,
                                              maxCombo, hitErrors, failed));
    // A game that stores records may become the best of its song, part and number of keys.
    const std::string best = param->scorePath.empty()
                                 ? ""
                                 : ReplayStore::BestPath(param->scorePath, param->part, keyNum);
    if (!recorder->Keep(Paths().ReplayFolder(), best, !practice.IsPractice() && !failed).empty())
        kept = std::make_shared<Replay>(recorder->GetReplay());
    replayProblem = recorder->GetProblem();
    bestReplayProblem = recorder->GetBestProblem();
    recorder.reset();
}

void GameScene::Draw(SDL_Surface *screen)
{
    if (!param)
        return;
    const int width = manager->GetWidth();
    const int height = manager->GetHeight();
    const int column = layout.GetColumn();

    for (int i = 0; i < keyNum; i++) {
        SDL_Rect place{ToCoordinate(layout.LaneX(i)), 0, 0, 0};
        if (LaneDown(i))
            laneImages[i].Draw(screen, &place);
        ballImage.Draw(screen, &place);
    }

    // Positions are measured from the song position of this frame. The walk ends at the first
    // record below the screen: every later one is further down.
    // The balls reach their targets when a press is judged on time; the picture stops when
    // the game is failed.
    const int shown =
        latency.JudgedPosition(failed ? failedAt : (holding ? heldSince : beforeTime) - held);
    const int practiceTempo = practice.GetClock().GetTempo();
    sequencer.ForEachInPlay([&](const KeyPosition &record, size_t slot) {
        const int y = scrollMap.Y(record.time, shown, scrollTempo, practiceTempo);
        if (y > height)
            return false;
        if (!sequencer.IsOpen(slot))
            return true;
        const int lane = LaneOf(record.note);
        SDL_Rect place{ToCoordinate(NoteToPos(record.note)), ToCoordinate(y), 0, 0};
        laneImages[lane].Draw(screen, &place);
        if (showKey && keyNameImages[lane].surface) {
            const ImageSet &ballPicture = laneImages[lane];
            const ImageSet &name = keyNameImages[lane];
            SDL_Rect namePlace{
                ToCoordinate(place.x - (name.sourceRect.w - ballPicture.sourceRect.w) / 2),
                ToCoordinate(place.y - (name.sourceRect.h - ballPicture.sourceRect.h) / 2), 0, 0};
            keyNameImages[lane].Draw(screen, &namePlace);
        }
        return true;
    });

    // The pause menu and the count-in stand in the middle of the screen: the judgement and
    // the combo give way to them.
    judgementDisplay->visible = !failed && !practice.IsPaused();
    const int statusHeight = practice.GetOverlay()->GetStatusHeight();
    hud->Show(badCount, okCount, goodCount, excellentCount, songLength - std::max(0, shown),
              practiceTempo, height - std::max(PROGRESS_HEIGHT, statusHeight));
    // The combo stands where no ball passes: right of the lanes when it fits there (its number
    // after the word, or under it), else at the bottom, where the balls are still far from
    // their targets.
    if (combo >= 2 && !practice.IsPaused()) {
        const int comboWidth = comboImage.surface ? comboImage.sourceRect.w : 0;
        const int comboHeight = comboImage.surface ? comboImage.sourceRect.h : 0;
        const int room = width - layout.GetRight() - column / 2;
        const int widest = numWriter->GetWidth(9999);
        SDL_Rect place{ToCoordinate(layout.GetRight() + column / 2), ToCoordinate(height / 2), 0,
                       0};
        SDL_Rect digits{ToCoordinate(place.x + comboWidth), place.y, 0, 0};
        if (room < comboWidth + widest && room >= std::max(comboWidth, widest)) {
            digits = SDL_Rect{place.x, ToCoordinate(place.y + comboHeight), 0, 0};
        } else if (room < comboWidth + widest) {
            place.x = ToCoordinate((layout.GetLeft() + layout.GetRight()) / 2 -
                                   (comboWidth + numWriter->GetWidth(combo)) / 2);
            // Over the status lines of practice and the demo and the title line.
            place.y = ToCoordinate(height - std::max(PROGRESS_HEIGHT, statusHeight) -
                                   hud->GetHeight() - comboHeight - 4);
            digits = SDL_Rect{ToCoordinate(place.x + comboWidth), place.y, 0, 0};
        }
        comboImage.Draw(screen, &place);
        numWriter->Print(combo, screen, &digits, -1);
    }

    // The song's progress along the bottom edge: elapsed of the whole length.
    if (songLength > 0) {
        const int elapsed = std::max(0, std::min(songLength, shown));
        SDL_Rect track{0, ToCoordinate(height - PROGRESS_HEIGHT), static_cast<Uint16>(width),
                       PROGRESS_HEIGHT};
        SDL_FillRect(screen, &track, SDL_MapRGB(screen->format, 0x40, 0x40, 0x40));
        track.w = static_cast<Uint16>(static_cast<long long>(width) * elapsed / songLength);
        SDL_FillRect(screen, &track, SDL_MapRGB(screen->format, 0xC0, 0xC0, 0xC0));
    }

    // A recorded game shown again says so in the top right corner, clear of the lanes' targets.
    if (replayImage.surface) {
        SDL_Rect place{ToCoordinate(width - replayImage.sourceRect.w - column / 4),
                       ToCoordinate(layout.GetBallSize() + column / 4), 0, 0};
        replayImage.Draw(screen, &place);
    }
    if (holding && heldImage.surface) {
        SDL_Rect place{ToCoordinate((width - heldImage.sourceRect.w) / 2),
                       ToCoordinate((height - heldImage.sourceRect.h) / 2), 0, 0};
        heldImage.Draw(screen, &place);
    }
    if (failed && failedImage.surface) {
        SDL_Rect place{ToCoordinate((width - failedImage.sourceRect.w) / 2),
                       ToCoordinate((height - failedImage.sourceRect.h) / 2), 0, 0};
        failedImage.Draw(screen, &place);
    }
}

bool GameScene::LaneDown(int lane)
{
    return turn.LaneHeld(lane);
}

void GameScene::RestartAt(int at, Uint32 now)
{
    const SectionLoop &loop = practice.GetLoop();
    sequencer.JumpTo(at, loop.IsActive() ? loop.GetEnd() : INT_MAX, initialTempo);
    practice.Restarted(at, now);
}

void GameScene::Act(PracticeSession::Action action)
{
    // A game shown again ends where its player retried.
    if (action == PracticeSession::RETRY && !param->replay)
        Retry();
    else if (action == PracticeSession::LEAVE)
        Quit();
}

GameSceneParameter *GameScene::MakeRetryParameter()
{
    GameSceneParameter *again = new GameSceneParameter();
    again->firstDelay = param->firstDelay;
    again->song = param->song;
    again->firstEvent = param->firstEvent;
    again->notes = param->notes; // the same shared table
    again->highScore = param->highScore;
    again->highRate = param->highRate;
    again->songOffset = param->songOffset;
    again->delay = initialDelay;
    again->part = param->part;
    again->title = param->title;
    again->songPath = param->songPath;
    again->songName = param->songName;
    again->scorePath = param->scorePath;
    again->historyPath = param->historyPath;
    again->tempo = practice.GetClock().GetTempo();
    again->waitMode = practice.IsWaitMode();
    again->demo = demo;
    // The next game starts at the song's own tempo, whatever Set Tempo events were sent.
    if (param->song)
        param->song->tempo = initialTempo;
    return again;
}

void GameScene::Retry()
{
    Sequencer::Silence();
    GameSceneParameter *again = MakeRetryParameter();
    GameScene *scene = new GameScene(manager);
    scene->SetJudgementListener(judgementListener);
    manager->DeleteScene(this);
    manager->AddScene(scene, again);
    leaving = true;
}

void GameScene::Quit()
{
    SendStopEvent();
    manager->DeleteScene(this);
    leaving = true;
}
