// PracticeSession: the play scene's practice: pause with count-in, tempo, section loop, wait mode.
#pragma once

#include <climits>

#include "framework/KeyAssign.h"
#include "game/OffsetTrim.h"
#include "game/PlayTurn.h"
#include "game/PracticeClock.h"
#include "game/SectionLoop.h"

class LatencyCompensation;
class PracticeOverlay;
class SceneManager;
class Sequencer;

// Owns the song position (a PracticeClock) and the repeated section, reads the practice keys and
// tells the overlay what to show. P pauses (the song stands still) and opens a menu to resume
// after a count-in, retry or leave; while paused, - and + (or left and right) change the tempo
// and W turns wait mode on or off; F5 and F6 mark the start and end of a section that then
// repeats until F7 clears it; in wait mode the song stops at each note of the part until its
// lanes are pressed. Anything but pausing makes the game a practice game (no records).
// While paused, [ and ] also trim the song's own offset (OffsetTrim), in force from the resume.
class PracticeSession
{
public:
    static constexpr int COUNT_IN = 1500;      ///< ms from "Resume" to play going on
    static constexpr int PAUSE_KEY = 'p';      ///< SDLK_p: pause and resume
    static constexpr int LOOP_START_KEY = 286; ///< SDLK_F5: marks the start of a section
    static constexpr int LOOP_END_KEY = 287;   ///< SDLK_F6: marks its end; the section repeats
    static constexpr int LOOP_CLEAR_KEY = 288; ///< SDLK_F7: the section stops repeating
    static constexpr int ESCAPE_KEY = 27;      ///< SDLK_ESCAPE: leaves, also while paused

    // What the scene is to do after a frame's practice keys.
    enum Action
    {
        GO_ON, ///< nothing beyond what the session did
        RETRY, ///< "Retry" chosen: a new game on the same song and settings
        LEAVE, ///< "Leave" chosen, or Escape while paused
    };

    // Set up for a game: the pause menu 'overlay' (a child of the scene), the song's sequencer
    // (read for wait mode and the status lines), the number of lanes, the tempo in percent,
    // wait mode, and an extra pause binding (kind and code 0: none).
    void Init(SceneManager *manager, PracticeOverlay *overlay, Sequencer *sequencer, int keyNum,
              int tempo, bool waitMode, const KeyAssign &pauseKey);

    // The offsets: the global one (config "offset", ms) and the song's own, read from and
    // trimmed into 'songOffset' (the song's record cell; null: trims last this game only). The
    // sum goes to 'latency' now and again whenever play resumes.
    void SetOffsets(int globalOffset, int *songOffset, LatencyCompensation *latency);
    // What kind of game it is: "nofail" (0 never, 1 in practice games, 2 always, which makes
    // every game a practice game) and whether the game plays the part itself (a demo never
    // fails and says so on the status lines).
    void SetGameKind(int noFail, bool demo);
    // The practice keys of the turn at clock 'now' (ms) while the song runs or is paused. A
    // count-in that has run out ends first. False when the song stands still (paused or
    // counting in) or the scene is to act.
    bool Input(Uint32 now, const PlayTurn &turn, Action &action);
    // Ends a count-in that has run out (Escape leaves while paused). False while the song
    // stands still or the scene is to act.
    bool Idle(Uint32 now, const PlayTurn &turn, Action &action);
    // Holds the song at the part's next note while its lanes are not pressed (wait mode), and
    // lets it go on once they all are.
    void ApplyWait(Uint32 now);
    // After a jump to song position 'at' (ms): the song runs from there at clock 'now'.
    void Restarted(int at, Uint32 now);
    // Refreshes the overlay's status lines.
    void UpdateStatus();

    PracticeClock &Clock() { return clock; }
    const PracticeClock &GetClock() const { return clock; }
    SectionLoop &Loop() { return loop; }
    const SectionLoop &GetLoop() const { return loop; }
    PracticeOverlay *GetOverlay() { return overlay; }
    const OffsetTrim &GetOffsetTrim() const { return trim; }
    // True while paused or counting in (the song stands still).
    bool IsPaused() const { return pauseState != PLAYING; }
    // True once anything but pausing made this game a practice game (no records).
    bool IsPractice() const { return practice; }
    // True while an empty life meter cannot end the game ("nofail": in practice games by
    // default, or always; a demo never fails).
    bool IsNoFail() const { return demo || noFail == 2 || (noFail == 1 && practice); }
    bool IsDemo() const { return demo; }
    bool IsWaitMode() const { return waitMode; }
    // True while wait mode holds the song at a note.
    bool IsWaiting() const { return waitingAt != INT_MIN; }

private:
    enum PauseState
    {
        PLAYING,
        PAUSED,
        COUNTING_IN
    };
    void Pause(Uint32 now);
    void SetTempo(int percent, Uint32 now);
    void SetWaitMode(bool on);
    // The offset keys while paused: a press steps, a held key repeats.
    void TrimOffset(Uint32 now, const PlayTurn &turn);
    // Ends the pause: the count-in starts, with the trimmed offset in force.
    void StartCountIn(Uint32 now);
    // Input while paused: the menu, tempo and wait mode.
    void PausedInput(Uint32 now, const PlayTurn &turn, Action &action);
    // Play goes on from the end of the count-in.
    void EndCountIn();
    int LaneOf(int note) const;

    SceneManager *manager = nullptr;
    PracticeOverlay *overlay = nullptr; ///< child of the scene
    Sequencer *sequencer = nullptr;     ///< the scene's
    int keyNum = 4;
    PracticeClock clock; ///< the song position
    SectionLoop loop;    ///< the repeated section, if any
    PauseState pauseState = PLAYING;
    Uint32 countInEnd = 0; ///< manager clock (ms) at which play goes on
    KeyAssign pauseKey;    ///< extra pause binding ("pause" in config)
    bool waitMode = false;
    int waitingAt = INT_MIN; ///< song ms wait mode holds at; INT_MIN: none
    bool practice = false;
    int noFail = 1;    ///< "nofail": 0 never, 1 in practice games, 2 always
    bool demo = false; ///< the game presses for the player

    OffsetTrim trim;                        ///< the global and the song's offset
    int *songOffset = nullptr;              ///< the song's record cell (ms); null: none
    LatencyCompensation *latency = nullptr; ///< the scene's; takes the sum on resume
};
