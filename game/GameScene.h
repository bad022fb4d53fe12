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
#include "game/PracticeClock.h"
#include "game/SectionLoop.h"
#include "smf/ReadMidi.h"
#include "song/KeyPosition.h"

class BaroMeter;
class ConfigReader;
class GameSceneParameter;
class HitErrorMeter;
class JudgementDisplay;
class MidiKeyboard;
class NumWriter;
class PracticeOverlay;

// One judged note, for listeners (logs, tests).
struct JudgementRecord
{
    Uint32 now;      ///< manager clock (ms) of the frame that judged it
    int noteTime;    ///< the note's time, ms from the start of the song
    int note;        ///< note number
    int lane;        ///< lane 0..keyNum-1
    int value;       ///< GameScene::BAD .. GameScene::EXCELLENT
    int error;       ///< |timing error| in ms; -1 for a miss
    int signedError; ///< press minus note time (ms, offset applied): < 0 early; 0 for a miss
};

// The song's notes of the chosen part rise from the bottom towards one target per lane at the
// top and reach it at their time; every event of the song is sent to the MIDI output when it
// falls due. Init takes a GameSceneParameter (owned from then on). The song starts 1500 ms
// after the scene is shown. At the end of the song the scene hands its counters to a new
// ScoreScene; Escape or an empty life meter leave without a result.
//
// Practice: P pauses (the sound stops, the balls stand still) and opens a menu to resume after
// a count-in, retry or leave; the song may run at 50-150 % of its tempo, with the balls and the
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
    static const int COLUMNS = 13;             ///< the screen width is cut into 13 columns
    static constexpr int FAILED_NOTICE = 2000; ///< ms the FAILED notice stays before leaving
    static constexpr int MAX_OFFSET = 300;     ///< ms; a larger config "offset" is taken as this
    static constexpr int COUNT_IN = 1500;      ///< ms from "Resume" to play going on
    static constexpr int PAUSE_KEY = 'p';      ///< SDLK_p: pause and resume
    static constexpr int LOOP_START_KEY = 286; ///< SDLK_F5: marks the start of a section
    static constexpr int LOOP_END_KEY = 287;   ///< SDLK_F6: marks its end; the section repeats
    static constexpr int LOOP_CLEAR_KEY = 288; ///< SDLK_F7: the section stops repeating

    // Judgement values (index of the judgement texts, kind of the effect).
    enum Judgement
    {
        BAD = 0,
        OK = 1,
        GOOD = 2,
        EXCELLENT = 3,
    };

    explicit GameScene(SceneManager *manager);
    ~GameScene() override;

    // Takes the GameSceneParameter; reads config (keynum, key0..key11, speed, AutoPlay,
    // showkey), loads the pictures and sets up the life meter. A null record plays an empty
    // song.
    void Init(void *data) override;
    // The song starts LEAD_IN ms after the scene is shown.
    void OnShowEvent() override;
    // Judges the presses of this frame against the notes up to HIT_WINDOW ms ahead.
    void Input(unsigned int now) override;
    // Sends the events that fell due, counts misses, follows the tempo, ends the song.
    void Idle(unsigned int now) override;
    // Targets, held lanes, the rising balls with their key names, the blinking combo.
    void Draw(SDL_Surface *screen) override;

    // The twelve lane bindings from config ("key0".."key11"; D, F, J, K for lanes 0-3).
    static void ReadLaneKeys(ConfigReader &config, KeyAssign (&lanes)[MAX_KEYS]);
    // True for a playable note (Note On with velocity) of the given part (channel).
    static bool IsUseData(const KeyPosition &position, int part);
    // Judgement for an absolute timing error in ms: <10 EXCELLENT, <50 GOOD, <100 OK, else BAD.
    static int JudgementFor(int error);
    // Vertical pixel offset of a note a - b ms ahead at the given tempo (us per quarter note):
    // speed% x height x (a - b) x 500000 / 100 / tempo / 1000, truncated and clamped to int.
    // With speed 100 and tempo 500000 a note travels one screen height per second.
    int TimeToPos(int a, int b, int tempo) const;
    // x of the lane of a note: (note mod keyNum + 1) x (screen width / 13).
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
    // ms every event is sent before its time: the output device's latency.
    int GetOutputLatency() const { return outputLatency; }
    // ms the player's presses are taken to lag the notes (config "offset", -300..300).
    int GetUserOffset() const { return userOffset; }
    BaroMeter *GetMeter() { return meter; }
    // The target picture, a lane's ball and a lane's key name (pixel sizes for tests).
    const ImageSet &GetBallImage() const { return ballImage; }
    const ImageSet &GetLaneImage(int lane) const { return laneImages[lane]; }
    const ImageSet &GetKeyNameImage(int lane) const { return keyNameImages[lane]; }
    // The ball size: 90 % of a column width (pixels).
    int GetBallSize() const;
    // True once the scene asked to leave (result handed over, Escape or empty meter).
    bool IsLeaving() const { return leaving; }
    // True once the life meter emptied: the FAILED notice shows, then the scene leaves.
    bool IsFailed() const { return failed; }
    JudgementDisplay *GetJudgementDisplay() { return judgementDisplay; }
    HitErrorMeter *GetHitErrorMeter() { return hitErrorMeter; }
    // ms from the start of the song to its last event.
    int GetSongLength() const { return songLength; }
    // True when it handed over to the result screen.
    bool IsFinished() const { return finished; }
    // True while paused or counting in (the song stands still).
    bool IsPaused() const { return pauseState != PLAYING; }
    // True once anything but pausing made this game a practice game (no records).
    bool IsPractice() const { return practice; }
    bool IsWaitMode() const { return waitMode; }
    // True while wait mode holds the song at a note.
    bool IsWaiting() const { return waitingAt != INT_MIN; }
    const PracticeClock &GetClock() const { return clock; }
    const SectionLoop &GetLoop() const { return loop; }
    PracticeOverlay *GetOverlay() { return overlay; }

private:
    // A Note Off the scene sends itself (Self Play, see Hit).
    struct PendingNoteOff
    {
        int time;        ///< song position (ms) at which it is due
        MidiEvent event; ///< the Note Off
    };

    // Song position (ms since the start of the song, rounded up) of a clock value; negative in
    // the lead-in.
    int SongPosition(Uint32 now) const { return clock.Position(now); }
    // Song position the presses are judged at: the player's offset taken off.
    int JudgedPosition(Uint32 now) const
    {
        return SongPosition(now) - userOffset * clock.GetTempo() / 100;
    }
    // Song position up to which events are sent: the device's latency ahead while the song
    // runs (held, it sends nothing beyond the position).
    int SendPosition(Uint32 now) const
    {
        return SongPosition(now) + (clock.IsRunning() ? outputLatency * clock.GetTempo() / 100 : 0);
    }
    // Player's ms from a note's time to the moment a press at 'now' counts for, offset applied:
    // positive when late.
    double JudgedMsSince(int time, Uint32 now) const
    {
        return clock.PlayerMsSince(time, now) - userOffset;
    }
    // What became of one of the part's notes.
    enum NoteState : uint8_t
    {
        WAITING,   ///< not hit or missed yet: the player's to play
        HIT_EARLY, ///< Auto Play: hit before its time; sent when due like any other event
        DONE,      ///< hit or missed, and sent if it is to be: out of play
    };
    static constexpr size_t NO_SLOT = SIZE_MAX; ///< the record is not one of the part's notes
    // Calls visit(record, slot) for every record still in play, in table order, until visit
    // returns false; 'slot' numbers the part's notes in table order (NO_SLOT for any other
    // record). In play are the part's notes that are not DONE and every other record from
    // nextDue on.
    template <typename Visit> void ForEachInPlay(Visit visit);
    // True for one of the part's notes that waits for the player.
    bool IsOpen(size_t slot) const { return slot != NO_SLOT && noteStates[slot] == WAITING; }
    // Moves firstInPlay over the records that have left play.
    void SkipFinished();
    // True when no record is in play any more: the song is over.
    bool NothingInPlay();
    // Judges the part's note in 'slot', hit in this frame, creates its effect, sends it or keeps
    // it for its time.
    void Hit(const KeyPosition &record, size_t slot, Uint32 now);
    // Counts a note that got too late: BAD, -2 on the meter, combo broken.
    void Miss(const KeyPosition &record, Uint32 now);
    // Adds the judgement to the counters, the meter and the combo, and shows its effect.
    void Score(const KeyPosition &record, int value, int error, int signedError, Uint32 now);
    // Sends one record's event to the MIDI output.
    void Send(const KeyPosition &record);
    // Moves the scroll tempo one frame towards the song's current tempo.
    void FollowTempo(Uint32 frame);
    // Sends the Self Play Note Offs that fell due.
    void SendPendingNoteOffs(int position);
    // The Note Off that ends each of the part's notes.
    void FindNoteEnds();
    // Ends the song: counters to a new ScoreScene, this scene deleted.
    void HandOver();

    // Practice (pause, tempo, section loop, wait mode, MIDI keyboard).
    enum PauseState
    {
        PLAYING,
        PAUSED,
        COUNTING_IN
    };
    // The practice keys of this frame; false when the song stands still (paused).
    bool PracticeInput(Uint32 now);
    // Ends a count-in that has run out; false while the song stands still.
    bool PracticeIdle(Uint32 now);
    void Pause(Uint32 now);
    void SetTempo(int percent, Uint32 now);
    void SetWaitMode(bool on);
    // Holds the song at the part's next note while its lanes are not pressed (wait mode).
    void ApplyWait(Uint32 now);
    // Silences every channel, also notes held by the sustain pedal.
    void Silence();
    // Jumps to song position 'at' (ms): silence, the channels' state there, the events from
    // there on again.
    void RestartAt(int at, Uint32 now);
    // A new play scene on the same song and settings replaces this one.
    void Retry();
    // Leaves without a result (Escape, "Leave", empty meter).
    void Quit();
    // Refreshes the overlay's status lines.
    void UpdateStatus();
    // True when the lane is held on the keyboard, the joystick or the MIDI keyboard.
    bool LaneDown(int lane);

    GameSceneParameter *param = nullptr; ///< owned
    ImageSet ballImage;                  ///< the target at the top of each lane
    ImageSet failedImage;                ///< "FAILED", shown when the life meter empties
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
    bool failed = false;                          ///< the life meter emptied
    Uint32 failedAt = 0;                          ///< clock (ms) when it did
    int songLength = 0;                           ///< ms to the last event of the song
    std::vector<int> hitErrors; ///< signed error (ms) of every hit, for the result screen
    int outputLatency = 0;      ///< ms events are sent early (the device's latency)
    int userOffset = 0;         ///< ms presses are taken to lag the notes

    // Send position (ms) up to which events have been sent: records before it are done.
    int playedUpTo = INT_MIN;
    bool stopSent = false; ///< the note-off sweep at the end of the song went out
    bool leaving = false;  ///< DeleteScene was called; nothing more happens
    bool finished = false; ///< the result screen was added
    // The scene's place in the shared table param->notes, which it only reads. The part's
    // notes are numbered in table order (their slot); nothing else is kept per record.
    // nextDue: the first record the send position has not passed yet; every record before it
    // that is not one of the part's notes has gone out.
    size_t nextDue = 0;
    size_t firstInPlay = 0;            ///< no record before it is in play
    size_t firstInPlaySlot = 0;        ///< slot of the first part's note from firstInPlay on
    std::vector<NoteState> noteStates; ///< what became of each of the part's notes, by slot
    // Index in the table of the Note Off that ends each of the part's notes, by slot; NO_END
    // when none was found. Whether it has gone out is told by nextDue, which never steps back
    // while the song is held (the send position does).
    std::vector<size_t> noteEnds;
    static constexpr size_t NO_END = SIZE_MAX;
    std::vector<PendingNoteOff> pendingNoteOffs;
    std::function<void(const JudgementRecord &)> judgementListener;

    PracticeClock clock;            ///< the song position
    SectionLoop loop;               ///< the repeated section, if any
    uint32_t initialTempo = 500000; ///< the song's tempo (us per quarter) at Init
    int initialDelay = 2000;        ///< the record's delay at Init (for a retry)
    PauseState pauseState = PLAYING;
    Uint32 countInEnd = 0;              ///< manager clock (ms) at which play goes on
    PracticeOverlay *overlay = nullptr; ///< child of the scene
    KeyAssign pauseKey;                 ///< extra pause binding ("pause" in config)
    bool waitMode = false;
    int waitingAt = INT_MIN; ///< song ms wait mode holds at; INT_MIN: none
    bool practice = false;
    std::unique_ptr<MidiKeyboard> keyboard; ///< the MIDI keyboard, if one is set up
    bool midiPressed[MAX_KEYS] = {};        ///< lanes pressed on the MIDI keyboard this frame
};
