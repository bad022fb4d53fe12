// GameScene: the play scene: lanes and rising balls, the song sent as it plays, judgement, life.
#include "game/GameScene.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "config/ConfigReader.h"
#include "config/PlaySettings.h"
#include "content/ContentsManager.h"
#include "content/NumWriter.h"
#include "devices/MidiKeyboard.h"
#include "devices/MidiOut.h"
#include "framework/KeyMapper.h"
#include "framework/SceneManager.h"
#include "game/ChannelSnapshot.h"
#include "game/GameSceneParameter.h"
#include "game/HitErrorMeter.h"
#include "game/JudgementDisplay.h"
#include "game/LaneKeys.h"
#include "game/PracticeOverlay.h"
#include "game/ScoreScene.h"
#include "game/ScoreSceneParameter.h"
#include "platform/GamePaths.h"
#include "text/MessageCatalog.h"
#include "widgets/BaroMeter.h"

namespace {
const int PROGRESS_HEIGHT = 4; // px: the song's progress bar along the bottom edge
const Uint32 FAILED_COLOR = 0x00FF4848;
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
    keyboard.reset();
    delete numWriter;
    delete param;
}

bool GameScene::IsUseData(const KeyPosition &position, int part)
{
    return position.isNote && position.channel == part;
}

int GameScene::JudgementFor(int error)
{
    if (error < 10)
        return EXCELLENT;
    if (error < 50)
        return GOOD;
    if (error < 100)
        return OK;
    return BAD;
}

int GameScene::TimeToPos(int a, int b, int tempo) const
{
    const int speed = param ? param->speed : 100;
    // A zero tempo (a Set Tempo of 00 00 00) would divide by zero; the slowest spacing is 1 us.
    if (tempo < 1)
        tempo = 1;
    const long long distance =
        static_cast<long long>(manager->GetHeight()) * (static_cast<long long>(a) - b);
    const long double y =
        static_cast<long double>(speed) * distance * 500000.0L / 100.0L / tempo / 1000.0L;
    if (y > static_cast<long double>(INT_MAX))
        return INT_MAX;
    if (y < static_cast<long double>(INT_MIN))
        return INT_MIN;
    return static_cast<int>(y);
}

int GameScene::LaneOf(int note) const
{
    const int lane = note % keyNum;
    return lane < 0 ? lane + keyNum : lane;
}

int GameScene::NoteToPos(int note) const
{
    return (LaneOf(note) + 1) * (manager->GetWidth() / COLUMNS);
}

int GameScene::GetBallSize() const
{
    return static_cast<int>(manager->GetWidth() * 0.9 / COLUMNS);
}

void GameScene::ReadLaneKeys(ConfigReader &config, KeyAssign (&lanes)[MAX_KEYS])
{
    KeyMapper mapper;
    const int laneCount = PlaySettings::Read(config).keyNum;
    for (int i = 0; i < MAX_KEYS; i++)
        lanes[i] = LaneKeys::Read(config, mapper, i, laneCount);
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

    const PlaySettings settings = PlaySettings::Read(config);
    keyNum = settings.keyNum;

    // Every lane's binding is read, also those beyond keyNum: the held-key pictures and the
    // key names are prepared for all twelve.
    KeyMapper mapper;
    ReadLaneKeys(config, keys);

    param->speed = settings.speed;
    autoPlay = settings.autoPlay;
    userOffset = std::max(-MAX_OFFSET, std::min(MAX_OFFSET, config.GetInteger("offset", 0)));
    outputLatency = GetMidiOutLatency();

    const int ball = GetBallSize();
    ballImage.LoadImageWH(contents, "ball", ball, ball);
    for (int i = 0; i < keyNum; i++)
        laneImages[i].LoadImageWH(contents, Format("key%d", i), ball, ball);

    // The latest judgement in one text over the lanes, a bar under the hit lane, and the
    // scale of timing errors under the targets (wide enough to read with few lanes).
    const int column = manager->GetWidth() / COLUMNS;
    const int lanesWidth = keyNum * column;
    const int fontSize = contents->GetDefaultFontSize();
    judgementDisplay = new JudgementDisplay(manager, this);
    judgementDisplay->Load(contents, fontSize * 3 / 2);
    judgementDisplay->SetLayout(column, column, ball, ball + 1, column + lanesWidth / 2,
                                height * 2 / 5);
    hitErrorMeter = new HitErrorMeter(manager, this);
    const int scaleWidth = std::max(lanesWidth, manager->GetWidth() / 4);
    hitErrorMeter->SetArea(column, ball + 8, scaleWidth, std::max(8, height / 60));
    failedImage.LoadString(contents, Tr("FAILED"), FAILED_COLOR, fontSize * 3);

    // The meter strip keeps its width and is stretched to a fifth of the screen height (the
    // percent form of LoadImage); it shows 10-pixel frames, one every 33 ms.
    meterImage.LoadImage(contents, "meter", 100, height / 5);
    meter = new BaroMeter(manager, this);
    meter->Set(&meterImage);
    SDL_Rect meterPlace{0, ToCoordinate(static_cast<long long>(height * 0.1)), 0, 0};
    meter->SetRelativePosition(meterPlace);
    meter->SetFramesFromWidth(10);
    meter->SetInterval(33);
    meter->SetValue(METER_START);

    const int songTempo = param->song ? static_cast<int>(param->song->tempo) : 500000;
    baseTempo = scrollTempo = glideTarget = songTempo;
    combo = 0;

    comboImage.LoadImage(contents, "Combo");
    numWriter = new NumWriter();
    numWriter->Init(contents, "num", 100, 100);

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
    // Every record is in play at the start, and each of the part's notes waits for the player.
    const size_t partNotes = static_cast<size_t>(
        std::count_if(param->notes.begin(), param->notes.end(), [this](const KeyPosition &record) {
            return IsUseData(record, param->part);
        }));
    noteStates.assign(partNotes, WAITING);
    FindNoteEnds();

    initialTempo = static_cast<uint32_t>(songTempo);
    initialDelay = param->delay;
    clock.SetTempo(param->tempo, 0);
    waitMode = param->waitMode;
    practice = clock.GetTempo() != 100 || waitMode;
    std::string pauseName;
    config.GetString(pauseName, "pause", "");
    if (!pauseName.empty())
        pauseKey = mapper.GetID(pauseName);
    keyboard.reset(new MidiKeyboard(config.GetInteger("mididev", 0)));
    overlay = new PracticeOverlay(manager, this);
    UpdateStatus();
}

void GameScene::FindNoteEnds()
{
    noteEnds.assign(noteStates.size(), NO_END);
    // For each sounding note of the part, the first later Note Off (or Note On with velocity
    // 0) of the same channel and note ends it.
    std::map<int, std::vector<size_t>> open; // note -> slots of the Note Ons waiting for an end
    size_t slots = 0;
    const KeyPositionTable &table = param->notes;
    for (size_t index = 0; index < table.size(); index++) {
        const KeyPosition &record = table[index];
        const bool partNote = IsUseData(record, param->part);
        const size_t slot = partNote ? slots++ : NO_SLOT;
        const MidiEvent *event = record.event;
        if (!event)
            continue;
        const int type = event->status & 0xF0;
        const int channel = event->status & 0x0F;
        if (channel != param->part || (type != 0x80 && type != 0x90))
            continue;
        if (partNote) {
            open[event->data1].push_back(slot);
        } else {
            auto waiting = open.find(event->data1);
            if (waiting == open.end())
                continue;
            for (size_t start : waiting->second)
                noteEnds[start] = index;
            open.erase(waiting);
        }
    }
}

template <typename Visit> void GameScene::ForEachInPlay(Visit visit)
{
    SkipFinished();
    const KeyPositionTable &table = param->notes;
    size_t slots = firstInPlaySlot;
    for (size_t index = firstInPlay; index < table.size(); index++) {
        const KeyPosition &record = table[index];
        size_t slot = NO_SLOT;
        if (IsUseData(record, param->part)) {
            slot = slots++;
            if (noteStates[slot] == DONE)
                continue;
        } else if (index < nextDue) {
            continue;
        }
        if (!visit(record, slot))
            return;
    }
}

void GameScene::SkipFinished()
{
    // Records only ever leave play (until a jump), so the first one in play only moves on.
    const KeyPositionTable &table = param->notes;
    while (firstInPlay < table.size()) {
        if (IsUseData(table[firstInPlay], param->part)) {
            if (noteStates[firstInPlaySlot] != DONE)
                return;
            firstInPlaySlot++;
        } else if (firstInPlay >= nextDue) {
            return;
        }
        firstInPlay++;
    }
}

bool GameScene::NothingInPlay()
{
    SkipFinished();
    return firstInPlay >= param->notes.size();
}

void GameScene::OnShowEvent()
{
    startTime = manager->GetNowTime() + LEAD_IN;
    clock.Start(startTime, 0);
}

void GameScene::Send(const KeyPosition &record)
{
    if (record.event)
        SendEvent(record.event, param->song);
}

void GameScene::Score(const KeyPosition &record, int value, int error, int signedError, Uint32 now)
{
    judgementDisplay->Show(LaneOf(record.note), value, now);
    if (error >= 0) {
        hitErrorMeter->Add(signedError, now);
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

    if (judgementListener)
        judgementListener(JudgementRecord{now, record.time, record.note, LaneOf(record.note), value,
                                          error, signedError});
}

void GameScene::Hit(const KeyPosition &record, size_t slot, Uint32 now)
{
    // The error is measured in the player's time, whatever the practice tempo, against the
    // note's time moved by the player's offset.
    const double signedError = JudgedMsSince(record.time, now);
    const double error = std::fabs(signedError);
    const int clamped = error >= INT_MAX ? INT_MAX : static_cast<int>(error);
    const int sign = signedError < 0 ? -1 : 1;
    Score(record, JudgementFor(clamped), clamped, sign * clamped, now);

    if (!autoPlay) {
        // Self Play: the note sounds at the hit. When its written Note Off has gone out
        // already, the note would ring on to the end of the song: end it after its written
        // length instead. Whether it went out is what was sent, not where the send position
        // stands: held in wait mode, that steps back behind Note Offs sent before the hold.
        Send(record);
        const size_t end = noteEnds[slot];
        if (end != NO_END && end < nextDue) {
            // Due its written length after the send position the song runs at: the same while
            // it runs, and where it goes on from when a hold ends with this hit.
            const int running = SongPosition(now) + outputLatency * clock.GetTempo() / 100;
            PendingNoteOff off;
            off.time = running + (param->notes[end].time - record.time);
            off.event = MidiEvent{};
            off.event.status = static_cast<uint8_t>(0x80 | (record.event->status & 0x0F));
            off.event.data1 = record.event->data1;
            pendingNoteOffs.push_back(off);
        }
        noteStates[slot] = DONE;
        return;
    }
    // Auto Play: Idle plays the part at its times. A note whose time has been played already
    // is done; an early hit stays in play as an ordinary event until it is due.
    noteStates[slot] = record.time < playedUpTo ? DONE : HIT_EARLY;
}

void GameScene::Miss(const KeyPosition &record, Uint32 now)
{
    Score(record, BAD, -1, 0, now);
}

void GameScene::Input(unsigned int now)
{
    if (!param || leaving)
        return;
    // The keyboard is read every frame, so that its held notes stay right during the lead-in
    // and pauses; presses then do nothing.
    for (bool &lane : midiPressed)
        lane = false;
    if (keyboard)
        for (int note : keyboard->Poll())
            midiPressed[LaneOf(note)] = true;
    if (failed || SongPosition(now) < 0 || !PracticeInput(now) || leaving || NothingInPlay())
        return;
    const int frame = static_cast<int>(now - beforeTime);

    bool pressed[MAX_KEYS];
    for (int i = 0; i < MAX_KEYS; i++)
        pressed[i] = manager->AssignedKeyPress(keys[i]) || midiPressed[i];

    // One press serves one note per lane, plus the notes of that lane no more than one frame
    // after it (chord notes that share the lane).
    bool served[MAX_KEYS] = {};
    int servedTime[MAX_KEYS] = {};
    ForEachInPlay([&](const KeyPosition &record, size_t slot) {
        if (-clock.PlayerMsSince(record.time, now) > HIT_WINDOW)
            return false;
        if (!IsOpen(slot))
            return true;
        const int lane = LaneOf(record.note);
        if (!pressed[lane] || (served[lane] && record.time - servedTime[lane] > frame))
            return true;
        if (!served[lane]) {
            served[lane] = true;
            servedTime[lane] = record.time;
        }
        Hit(record, slot, now);
        return true;
    });
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

void GameScene::SendPendingNoteOffs(int position)
{
    for (auto off = pendingNoteOffs.begin(); off != pendingNoteOffs.end();) {
        if (off->time < position) {
            SendEvent(&off->event, param->song);
            off = pendingNoteOffs.erase(off);
        } else {
            ++off;
        }
    }
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
    if (practice) {
        // A practice game shows its result but stores nothing.
        result->practice = true;
        result->highScore = nullptr;
        result->highRate = nullptr;
    }
    manager->AddScene(new ScoreScene(manager), result);
    leaving = true;
    finished = true;
}

void GameScene::Idle(unsigned int now)
{
    // Events go out the device's latency before their time, so sending may begin in the
    // lead-in; judging, the end of the song and the quit test wait for the start.
    if (!param || leaving || SendPosition(now) < 0)
        return;
    if (failed) {
        // The notice stays FAILED_NOTICE ms (Escape skips it), then the song list returns.
        if (now - failedAt >= static_cast<Uint32>(FAILED_NOTICE) ||
            manager->KeyPressed(ESCAPE_KEY)) {
            manager->DeleteScene(this);
            leaving = true;
        }
        return;
    }
    const bool started = SongPosition(now) >= 0;
    if (started) {
        if (!PracticeIdle(now))
            return;
        ApplyWait(now);
        // A running loop holds the song at its end, so that nothing after the section is sent.
        if (loop.IsActive() && clock.Exact(now) > static_cast<long long>(loop.GetEnd()) * 100)
            clock.HoldAt(loop.GetEnd());
    }
    const int position = SongPosition(now);
    int sending = SendPosition(now);
    if (loop.IsActive())
        sending = std::min(sending, loop.GetEnd());
    const int judged = JudgedPosition(now);
    const Uint32 frame = now - beforeTime;

    if (started)
        FollowTempo(frame);
    SendPendingNoteOffs(sending);

    // Misses can lie ahead of the position when the offset is negative: walk far enough.
    const int walkEnd = std::max(sending, judged - MISS_AFTER * clock.GetTempo() / 100 + 2);
    ForEachInPlay([&](const KeyPosition &record, size_t slot) {
        if (record.time > walkEnd)
            return false;
        const bool player = IsOpen(slot);
        // Due: not sent yet and its send time has passed. playedUpTo is the send position of
        // the previous frame, so every record is due in exactly one frame, and a record that
        // is not the player's note leaves play in that frame.
        if (record.time >= playedUpTo && record.time < sending) {
            if (!player || autoPlay)
                Send(record);
            if (!player) {
                if (slot != NO_SLOT)
                    noteStates[slot] = DONE;
                return true;
            }
        }
        if (started && player && JudgedMsSince(record.time, now) > MISS_AFTER) {
            Miss(record, now);
            noteStates[slot] = DONE;
        }
        return true;
    });
    playedUpTo = sending;
    // Every record before the send position that is not the part's note has gone out now (the
    // send position may step back while the song is held; the cursor does not).
    const KeyPositionTable &table = param->notes;
    while (nextDue < table.size() && table[nextDue].time < sending)
        nextDue++;
    if (!started)
        return;
    if (loop.IsPastEnd(position)) {
        loop.Repeated();
        RestartAt(loop.GetStart(), now);
        UpdateStatus();
    }

    if (NothingInPlay()) {
        // The song is over. One note-off sweep silences what still rings, the Note Offs of
        // late hits included; nothing is sent after it, so it is not repeated while the result
        // screen is awaited.
        if (!stopSent) {
            SendStopEvent();
            pendingNoteOffs.clear();
            stopSent = true;
        }
        param->delay -= static_cast<int>(frame);
        if (param->delay < 0) {
            HandOver();
            return;
        }
    }

    if (manager->KeyPressed(ESCAPE_KEY)) {
        Quit();
    } else if (meter && meter->GetValue() <= 0.0) {
        // An empty life meter ends the game without a result, after a notice that says so.
        SendStopEvent();
        failed = true;
        failedAt = now;
        judgementDisplay->visible = false;
    }
}

void GameScene::Draw(SDL_Surface *screen)
{
    if (!param)
        return;
    const int width = manager->GetWidth();
    const int height = manager->GetHeight();
    const int column = width / COLUMNS;

    for (int i = 0; i < keyNum; i++) {
        SDL_Rect place{ToCoordinate((i + 1) * column), 0, 0, 0};
        if (LaneDown(i))
            laneImages[i].Draw(screen, &place);
        ballImage.Draw(screen, &place);
    }

    // Positions are measured from the song position of this frame. The walk ends at the first
    // record below the screen: every later one is further down.
    // The balls reach their targets when a press is judged on time; the picture stops when
    // the game is failed.
    const int shown = JudgedPosition(failed ? failedAt : beforeTime);
    ForEachInPlay([&](const KeyPosition &record, size_t slot) {
        const int y = TimeToPos(record.time, shown, scrollTempo);
        if (y > height)
            return false;
        if (!IsOpen(slot))
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

    // The combo stands where no ball passes: right of the lanes when it fits there, else at
    // the bottom, where the balls are still far from their targets.
    if (combo >= 2) {
        const int comboWidth = comboImage.surface ? comboImage.sourceRect.w : 0;
        const int comboHeight = comboImage.surface ? comboImage.sourceRect.h : 0;
        const int lanesRight = (keyNum + 1) * column;
        SDL_Rect place{0, 0, 0, 0};
        if (width - lanesRight >= comboWidth + numWriter->GetWidth(9999) + column / 2) {
            place.x = ToCoordinate(lanesRight + column / 2);
            place.y = ToCoordinate(height / 2);
        } else {
            place.x = ToCoordinate(column + keyNum * column / 2 -
                                   (comboWidth + numWriter->GetWidth(combo)) / 2);
            place.y = ToCoordinate(height - PROGRESS_HEIGHT - comboHeight - 4);
        }
        comboImage.Draw(screen, &place);
        SDL_Rect digits{ToCoordinate(place.x + comboWidth), place.y, 0, 0};
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

    if (failed && failedImage.surface) {
        SDL_Rect place{ToCoordinate((width - failedImage.sourceRect.w) / 2),
                       ToCoordinate((height - failedImage.sourceRect.h) / 2), 0, 0};
        failedImage.Draw(screen, &place);
    }
}

bool GameScene::LaneDown(int lane)
{
    if (manager->AssignedKeyDown(keys[lane]))
        return true;
    if (keyboard)
        for (int note = lane; note < 128; note += keyNum)
            if (keyboard->IsHeld(note))
                return true;
    return false;
}

void GameScene::Silence()
{
    // All Sound Off cuts what the sustain pedal holds; the note-off sweep is for devices that
    // do not know it.
    for (int channel = 0; channel < 16; channel++) {
        MidiEvent soundOff{};
        soundOff.status = static_cast<uint8_t>(0xB0 | channel);
        soundOff.data1 = 120;
        SendEvent(&soundOff, nullptr);
    }
    SendStopEvent();
}

void GameScene::Pause(Uint32 now)
{
    clock.Hold(now);
    Silence();
    pauseState = PAUSED;
    overlay->SetSettings(clock.GetTempo(), waitMode);
    overlay->ShowPause();
}

void GameScene::SetTempo(int percent, Uint32 now)
{
    clock.SetTempo(percent, now);
    if (clock.GetTempo() != 100)
        practice = true;
    overlay->SetSettings(clock.GetTempo(), waitMode);
    UpdateStatus();
}

void GameScene::SetWaitMode(bool on)
{
    // Only chosen while paused: the song is held anyway, and the end of the count-in lets
    // Idle hold it again or not.
    waitMode = on;
    if (on)
        practice = true;
    overlay->SetSettings(clock.GetTempo(), waitMode);
    UpdateStatus();
}

bool GameScene::PracticeInput(Uint32 now)
{
    const bool pausePressed =
        manager->KeyPressed(PAUSE_KEY) ||
        ((pauseKey.kind != 0 || pauseKey.code != 0) && manager->AssignedKeyPress(pauseKey));
    if (pauseState == COUNTING_IN)
        return false;
    if (pauseState == PAUSED) {
        if (manager->IsUp())
            overlay->Move(-1);
        if (manager->IsDown())
            overlay->Move(1);
        if (manager->KeyPressed(SDLK_MINUS) || manager->KeyPressed(SDLK_KP_MINUS) ||
            manager->IsLeft())
            SetTempo(clock.GetTempo() - PracticeClock::TEMPO_STEP, now);
        if (manager->KeyPressed(SDLK_EQUALS) || manager->KeyPressed(SDLK_PLUS) ||
            manager->KeyPressed(SDLK_KP_PLUS) || manager->IsRight())
            SetTempo(clock.GetTempo() + PracticeClock::TEMPO_STEP, now);
        if (manager->KeyPressed(SDLK_w))
            SetWaitMode(!waitMode);
        const bool chosen = manager->KeyPressed(SDLK_RETURN) || manager->IsOk();
        if (pausePressed || (chosen && overlay->GetChoice() == PracticeOverlay::RESUME)) {
            pauseState = COUNTING_IN;
            countInEnd = now + COUNT_IN;
            overlay->ShowCountIn(COUNT_IN);
        } else if (chosen && overlay->GetChoice() == PracticeOverlay::RETRY) {
            Retry();
        } else if (chosen && overlay->GetChoice() == PracticeOverlay::LEAVE) {
            Quit();
        }
        return false;
    }
    if (pausePressed) {
        Pause(now);
        return false;
    }
    const int position = SongPosition(now);
    if (manager->KeyPressed(LOOP_START_KEY)) {
        loop.MarkStart(position);
        UpdateStatus();
    }
    if (manager->KeyPressed(LOOP_END_KEY) && loop.MarkEnd(position)) {
        // The section starts over when Idle finds its end reached, in this very frame.
        practice = true;
        UpdateStatus();
    }
    if (manager->KeyPressed(LOOP_CLEAR_KEY)) {
        loop.Clear();
        UpdateStatus();
    }
    return true;
}

bool GameScene::PracticeIdle(Uint32 now)
{
    if (pauseState == PLAYING)
        return true;
    // Escape keeps its meaning while paused.
    if (manager->KeyPressed(ESCAPE_KEY)) {
        Quit();
        return false;
    }
    if (pauseState == PAUSED)
        return false;
    if (static_cast<Sint32>(now - countInEnd) < 0) {
        overlay->ShowCountIn(static_cast<int>(countInEnd - now));
        return false;
    }
    pauseState = PLAYING;
    overlay->HidePause();
    clock.Run(now);
    // Wait mode holds the song again at once if it waited when paused.
    waitingAt = INT_MIN;
    return true;
}

void GameScene::ApplyWait(Uint32 now)
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
    ForEachInPlay([&](const KeyPosition &record, size_t slot) {
        if (static_cast<long long>(record.time) * 100 >= at)
            return false;
        if (IsOpen(slot))
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

void GameScene::RestartAt(int at, Uint32 now)
{
    Silence();
    const KeyPositionTable &table = param->notes;
    ChannelSnapshot snapshot(table, at, loop.IsActive() ? loop.GetEnd() : INT_MAX, initialTempo);
    snapshot.Send();
    if (param->song)
        param->song->tempo = snapshot.Tempo();
    // Every record from 'at' on is in play again, each of the part's notes waiting for the
    // player; nothing before 'at' is. The cursor walks from where it stands to 'at', counting
    // the part's notes it passes.
    const size_t target = static_cast<size_t>(
        std::partition_point(table.begin(), table.end(),
                             [at](const KeyPosition &record) { return record.time < at; }) -
        table.begin());
    while (firstInPlay > target)
        if (IsUseData(table[--firstInPlay], param->part))
            firstInPlaySlot--;
    while (firstInPlay < target)
        if (IsUseData(table[firstInPlay++], param->part))
            firstInPlaySlot++;
    nextDue = target;
    // The states of the notes before the cursor are never read again.
    std::fill(noteStates.begin() + firstInPlaySlot, noteStates.end(), WAITING);
    pendingNoteOffs.clear();
    stopSent = false;
    playedUpTo = at;
    waitingAt = INT_MIN;
    clock.Start(now, at);
}

void GameScene::Retry()
{
    Silence();
    GameSceneParameter *again = new GameSceneParameter();
    again->firstDelay = param->firstDelay;
    again->song = param->song;
    again->firstEvent = param->firstEvent;
    again->notes = param->notes; // the same shared table
    again->highScore = param->highScore;
    again->highRate = param->highRate;
    again->delay = initialDelay;
    again->part = param->part;
    again->tempo = clock.GetTempo();
    again->waitMode = waitMode;
    if (param->song)
        param->song->tempo = initialTempo;
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

void GameScene::UpdateStatus()
{
    std::vector<std::string> lines;
    char text[96];
    if (clock.GetTempo() != 100) {
        std::snprintf(text, sizeof text, Tr("Tempo %d %%"), clock.GetTempo());
        lines.push_back(text);
    }
    if (waitMode && waitingAt == INT_MIN) {
        lines.push_back(Tr("Wait mode"));
    } else if (waitMode) {
        // The lanes the song waits for, numbered from 1.
        bool waitedFor[MAX_KEYS] = {};
        ForEachInPlay([&](const KeyPosition &record, size_t slot) {
            if (record.time > waitingAt)
                return false;
            if (IsOpen(slot))
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
