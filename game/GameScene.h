// GameScene: the play scene: lanes and rising balls, the song sent as it plays, judgement, life.
#pragma once

#include <climits>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "content/ImageSet.h"
#include "framework/KeyAssign.h"
#include "framework/Scene.h"
#include "game/LaneLayout.h"
#include "game/LatencyCompensation.h"
#include "game/PlayInput.h"
#include "game/PracticeSession.h"
#include "game/ScrollMap.h"
#include "game/Sequencer.h"
#include "game/TimingWindows.h"
#include "smf/ReadMidi.h"
#include "song/KeyPosition.h"

class BaroMeter;
class ConfigReader;
class GameSceneParameter;
class HitErrorMeter;
class JudgementDisplay;
class PlayHud;
class Replay;
class ReplayInput;
class ReplayRecorder;
struct PlaySettings;
class NumWriter;

// One judged note, for listeners (logs, tests).
struct JudgementRecord
{
    Uint32 now;      ///< clock (ms) of the turn that judged it (less what a viewer held)
    int noteTime;    ///< the note's time, ms from the start of the song
    int note;        ///< note number
    int lane;        ///< lane 0..keyNum-1
    int value;       ///< GameScene::BAD .. GameScene::EXCELLENT
    int error;       ///< |timing error| in ms; -1 for a miss
    int signedError; ///< press minus note time (ms, offset applied): < 0 early; 0 for a miss
};

// The song's notes of the chosen part rise from the bottom towards one target per lane at the
// top and reach it at their time (LaneLayout says where the lanes stand, ScrollMap how far down a
// ball is); every event of the song is sent to the MIDI output when it
// falls due. Init takes a GameSceneParameter (owned from then on). The song starts 1500 ms
// after the scene is shown. At the end of the song the scene hands its counters to a new
// ScoreScene; Escape or an empty life meter leave without a result.
//
// Practice: P pauses (the sound stops, the balls stand still) and opens a menu to resume after
// a count-in, retry or leave (and [ and ] trim the song's own offset there, in force from the
// resume on); the song may run at 50-150 % of its tempo, with the balls and the
// judgement windows following the scaled clock; F5 and F6 mark the start and end of a section
// that then repeats until F7 clears it; in wait mode the song stops at each note of the part
// until its lane is pressed. A game with any of these but pausing stores no records. Presses
// also come from a MIDI keyboard: a note presses lane (note mod keyNum).
class GameScene : public Scene
{
public:
    static const int MAX_KEYS = 12;            ///< lanes at most
    static const int DEFAULT_KEYS = 4;         ///< lanes for a missing or invalid keynum
    static const int LEAD_IN = 1500;           ///< ms from OnShowEvent to the start of the song
    static const int HIT_WINDOW = 149;         ///< a press reaches notes up to this many ms ahead
    static const int MISS_AFTER = 150;         ///< a note later than this many ms is a miss
    static const int TEMPO_GLIDE = 1000;       ///< ms the scroll tempo takes to follow a new tempo
    static const int ESCAPE_KEY = 27;          ///< SDLK_ESCAPE
    static constexpr int FAILED_NOTICE = 2000; ///< ms the FAILED notice stays before leaving
    static constexpr int CHORD_SPAN = 16; ///< ms after a lane's hit note that its press reaches

    // Judgement values (index of the judgement texts, kind of the effect).
    enum Judgement
    {
        BAD = TimingWindows::BAD,
        OK = TimingWindows::OK,
        GOOD = TimingWindows::GOOD,
        EXCELLENT = TimingWindows::EXCELLENT,
    };

    explicit GameScene(SceneManager *manager);
    ~GameScene() override;

    // Takes the GameSceneParameter; reads config (keynum, key0..key11, speed, scrollmode,
    // lanesleft, AutoPlay, showkey), loads the pictures and sets up the life meter. A null record
    // plays an empty song.
    void Init(void *data) override;
    // The song starts LEAD_IN ms after the scene is shown.
    void OnShowEvent() override;
    // Judges the presses of this frame against the notes up to HIT_WINDOW ms ahead, also in
    // the lead-in. A game shown again first plays every recorded turn the frame came after at
    // its own clock; the viewer's Escape leaves it and P holds it still (and goes on).
    void Input(unsigned int now) override;
    // Sends the events that fell due, counts misses, follows the tempo, ends the song.
    void Idle(unsigned int now) override;
    // Targets, held lanes, the rising balls with their key names, the blinking combo.
    void Draw(SDL_Surface *screen) override;

    // True for a playable note (Note On with velocity) of the given part (channel).
    static bool IsUseData(const KeyPosition &position, int part);
    // Vertical pixel offset of a note a - b ms ahead at the given tempo (us per quarter note),
    // following the tempo: ScrollMap::FollowingY with the scene's speed and screen height.
    // With speed 100 and tempo 500000 a note travels one screen height per second.
    int TimeToPos(int a, int b, int tempo) const;
    // x of the lane of a note (the left edge of its balls).
    int NoteToPos(int note) const;
    // Lane of a note: note mod keyNum.
    int LaneOf(int note) const;

    // Called for every hit and miss (tests and logs); empty by default.
    void SetJudgementListener(std::function<void(const JudgementRecord &)> listener)
    {
        judgementListener = std::move(listener);
    }

    GameSceneParameter *GetParameter() { return param; }
    int GetKeyNum() const { return keyNum; }
    const KeyAssign &GetKey(int lane) const { return keys[lane]; }
    bool IsAutoPlay() const { return autoPlay; }
    bool IsShowKey() const { return showKey; }
    int GetCombo() const { return combo; }
    int GetMaxCombo() const { return maxCombo; }
    int GetBadCount() const { return badCount; }
    int GetOkCount() const { return okCount; }
    int GetGoodCount() const { return goodCount; }
    int GetExcellentCount() const { return excellentCount; }
    int GetScrollTempo() const { return scrollTempo; }
    int GetBaseTempo() const { return baseTempo; }
    BaroMeter *GetMeter() { return meter; }
    // The target picture, a lane's ball and a lane's key name (pixel sizes for tests).
    const ImageSet &GetBallImage() const { return ballImage; }
    const ImageSet &GetLaneImage(int lane) const { return laneImages[lane]; }
    const ImageSet &GetKeyNameImage(int lane) const { return keyNameImages[lane]; }
    // The ball size (pixels).
    int GetBallSize() const { return layout.GetBallSize(); }
    // Where the lanes stand and how the balls move.
    const LaneLayout &GetLayout() const { return layout; }
    const ScrollMap &GetScrollMap() const { return scrollMap; }
    // True once the scene asked to leave (result handed over, Escape or empty meter).
    bool IsLeaving() const { return leaving; }
    // True once the life meter emptied: the FAILED notice shows, then the scene leaves.
    bool IsFailed() const { return failed; }
    // True when the game plays the part itself (a demo, never recorded).
    bool IsDemo() const { return demo; }
    // True when it handed over to the result screen.
    bool IsFinished() const { return finished; }
    // Signed timing error (ms) of every hit so far, in order.
    const std::vector<int> &GetHitErrors() const { return hitErrors; }
    // Where the turns' input comes from.
    const PlayInput *GetInput() const { return input.get(); }
    // The turn being played: what is pressed and held.
    const PlayTurn &GetTurn() const { return turn; }
    // ms from the start of the song to its last event.
    int GetSongLength() const { return songLength; }

    // What goes beyond the play loop, each in a class of its own.
    PracticeSession &GetPractice() { return practice; }
    const LatencyCompensation &GetLatency() const { return latency; }
    JudgementDisplay *GetJudgementDisplay() { return judgementDisplay; }
    HitErrorMeter *GetHitErrorMeter() { return hitErrorMeter; }
    PlayHud *GetHud() { return hud; }

private:
    // Judges the part's note in 'slot', hit in this frame, and sends it or keeps it for its
    // time. onTime: the press was on the note's time, whenever the frame came (the demo's).
    void Hit(const KeyPosition &record, size_t slot, Uint32 now, bool onTime = false);
    // Counts a note that got too late: BAD, -2 on the meter, combo broken.
    void Miss(const KeyPosition &record, Uint32 now);
    // Adds the judgement to the counters, the meter and the combo, and shows its effect.
    void Score(const KeyPosition &record, int value, int error, int signedError, Uint32 now);
    // Everything due up to clock 'now': the repeated section's start-over, wait mode's hold,
    // the events to send and the misses.
    void CatchUp(Uint32 now);
    // One turn of 'turn' at the game's clock 'now': recorded, the practice keys, the presses
    // judged.
    void TakeTurn(Uint32 now);
    // What follows a turn at the game's clock 'now': the song goes on, the game ends.
    void GoOn(Uint32 now);
    // The viewer's keys while a recorded game is shown; false when it is held or left.
    bool ViewerInput(Uint32 now);
    // Sends what fell due by 'now' and counts the notes that got too late.
    void SendAndMiss(Uint32 now);
    // Records the player's game, when its song file can be read.
    void StartRecording(const PlaySettings &settings);
    // The game reached its result at 'at': its replay is kept (once).
    void KeepRecording(Uint32 at);
    // Moves the scroll tempo one frame towards the song's current tempo.
    void FollowTempo(Uint32 frame);
    // Ends the song: counters to a new ScoreScene, this scene deleted.
    void HandOver();
    // Carries out what the practice keys asked for: a retry or leaving.
    void Act(PracticeSession::Action action);
    // Jumps to song position 'at' (ms): the repeated section starts over.
    void RestartAt(int at, Uint32 now);
    // A new play scene on the same song and settings replaces this one.
    void Retry();
    // A record for that new play scene (the song's tempo set back to its own).
    GameSceneParameter *MakeRetryParameter();
    // Leaves without a result (Escape, "Leave", empty meter).
    void Quit();
    // True when the lane is held on the keyboard, the joystick or the MIDI keyboard (or in the
    // replay).
    bool LaneDown(int lane);

    GameSceneParameter *param = nullptr; ///< owned
    ImageSet ballImage;                  ///< the target at the top of each lane
    ImageSet failedImage;                ///< "FAILED", shown when the life meter empties
    ImageSet replayImage;                ///< "REPLAY", shown while a recorded game is shown
    ImageSet laneImages[MAX_KEYS];       ///< ball of each lane, also shown while its key is held
    ImageSet meterImage;                 ///< "meter"
    ImageSet comboImage;                 ///< "Combo"
    ImageSet keyNameImages[MAX_KEYS];    ///< key name of each keyboard binding
    int keyNum = DEFAULT_KEYS;           ///< lanes, 1..12
    KeyAssign keys[MAX_KEYS];            ///< lane bindings
    int baseTempo = 500000;              ///< us per quarter note when the glide started
    int scrollTempo = 500000;            ///< us per quarter note that sets the ball spacing
    int glideTarget = 500000;            ///< the song tempo the glide heads for
    int combo = 0;
    BaroMeter *meter = nullptr; ///< life meter, a child of the scene
    bool autoPlay = true;       ///< the player's part sounds at its times by itself
    bool showKey = true;        ///< key names drawn on the balls
    int badCount = 0;
    int okCount = 0;
    int goodCount = 0;
    int excellentCount = 0;
    int maxCombo = 0;
    NumWriter *numWriter = nullptr;               ///< combo digits, owned
    JudgementDisplay *judgementDisplay = nullptr; ///< child: the latest judgement
    HitErrorMeter *hitErrorMeter = nullptr;       ///< child: the scale of timing errors
    PlayHud *hud = nullptr;                       ///< child: title, accuracy, time left
    bool failed = false;                          ///< the life meter emptied
    Uint32 failedAt = 0;                          ///< clock (ms) when it did
    int songLength = 0;                           ///< ms to the last event of the song
    std::vector<int> hitErrors; ///< signed error (ms) of every hit, for the result screen
    bool leaving = false;       ///< DeleteScene was called; nothing more happens
    bool demo = false;          ///< the game presses for the player
    bool failResult = false;    ///< "failresult": a failed game ends on the result screen
    bool finished = false;      ///< the result screen was added
    std::function<void(const JudgementRecord &)> judgementListener;
    LaneLayout layout;   ///< the lanes' places and sizes on this screen
    ScrollMap scrollMap; ///< where a ball stands, from the time to its note

    // The scene's place in the shared table param->notes, which it only reads.
    Sequencer sequencer;
    PracticeSession practice; ///< the song position, pause, tempo, loop, wait mode
    LatencyCompensation latency{practice.GetClock()};
    uint32_t initialTempo = 500000;    ///< the song's tempo (us per quarter) at Init
    int initialDelay = 2000;           ///< the record's delay at Init (for a retry)
    std::unique_ptr<PlayInput> input;  ///< the devices, or the replay shown
    ReplayInput *replayed = nullptr;   ///< input, when it is a replay
    std::unique_ptr<PlayInput> viewer; ///< the keys of whoever watches a replay
    bool holding = false;              ///< the viewer holds the game still
    Uint32 heldSince = 0;              ///< manager clock (ms) of the turn it stands at
    Uint32 held = 0;    ///< ms the viewer held the game: the game's clock is the manager's less it
    ImageSet heldImage; ///< "PAUSED", while the viewer holds the game
    std::unique_ptr<ReplayRecorder> recorder; ///< records the player's game; null: not recorded
    PlayTurn turn;                            ///< this turn's input
    std::shared_ptr<const Replay> kept;       ///< this game's replay once kept
    std::string replayProblem;     ///< why this game's replay was not kept; empty if it was
    std::string bestReplayProblem; ///< why it was not kept as the best; empty if it was
    Uint32 shownAt = 0;            ///< manager clock (ms) when the scene was shown
    int replaySongOffset = 0;      ///< the song's offset cell of a game shown again (ms)
};
