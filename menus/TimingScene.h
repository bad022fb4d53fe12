// TimingScene: measures the player's timing offset by ear: taps on a steady click.
#pragma once

#include <memory>
#include <string>

#include "content/ImageSet.h"
#include "framework/KeyAssign.h"
#include "framework/Scene.h"

class HitErrorMeter;
class NoticeText;
class TimingCalibration;
struct Mix_Chunk;

// Opened from the options. After four count-in clicks, BEATS clicks follow at a steady pace on
// the configured MIDI output, each sent early by the device's latency so that it is heard on
// its beat; the player taps any lane key on each one. The median error of the taps becomes
// the proposed offset, shown with its spread: ok saves it as "offset" in config, cancel keeps
// the old one. With too few taps, ok starts again. Nothing on screen moves with the beat, so
// the taps follow the sound alone.
class TimingScene : public Scene
{
public:
    static constexpr int COUNT_IN = 4;       ///< clicks before the measured ones
    static constexpr int BEATS = 16;         ///< measured clicks
    static constexpr int INTERVAL = 600;     ///< ms between clicks (100 per minute)
    static constexpr int FIRST_DELAY = 1000; ///< ms from showing the screen to the first click
    static constexpr int CLICK_LENGTH = 80;  ///< ms a click note sounds

    explicit TimingScene(SceneManager *manager);
    ~TimingScene() override;

    // Reads config (devid, offset, lane keys) and opens the MIDI output.
    void Init(void *data) override;
    // The clicks start FIRST_DELAY ms later.
    void OnShowEvent() override;
    // Lane key taps.
    void Input(unsigned int now) override;
    // Sends the clicks that fell due and ends the run after the last beat.
    void Idle(unsigned int now) override;
    // Ok: save the proposal (or start again without one); cancel: leave.
    void Event(SDL_Event *event) override;
    void Draw(SDL_Surface *screen) override;

    // True once the last beat is over and the result is shown.
    bool IsDone() const { return done; }
    // The run's taps and result.
    const TimingCalibration &GetCalibration() const { return *calibration; }
    // The offset in config when the screen opened (ms).
    int GetOldOffset() const { return oldOffset; }
    // Clock (ms) at which a measured beat is heard.
    Uint32 BeatTime(int beat) const;

private:
    // Pixels a text may be wide: the width less a margin on either side.
    int Room() const;
    // Starts a run: the first click FIRST_DELAY ms after 'now'.
    void Restart(Uint32 now);
    // Sends one click note (on) or its end (off) on the percussion channel.
    void SendClick(bool countIn, bool on);
    // Renders the texts for the current state.
    void UpdateTexts();
    void Leave(Mix_Chunk *sound);

    std::unique_ptr<TimingCalibration> calibration;
    HitErrorMeter *meter = nullptr;     ///< child: the taps so far
    NoticeText *deviceNotice = nullptr; ///< child: the configured device is missing
    KeyAssign keys[12];                 ///< lane bindings
    int oldOffset = 0;                  ///< ms
    Uint32 firstClick = 0;              ///< clock (ms) the first count-in click is heard
    int clicksSent = 0;                 ///< clicks whose note went out
    int clicksEnded = 0;                ///< clicks whose note was ended
    int shownTaps = -1;                 ///< tap count the texts were rendered for
    bool done = false;
    bool leaving = false;
    ImageSet title, instructions, status, result, help;
    Mix_Chunk *okChunk = nullptr;     ///< not owned
    Mix_Chunk *cancelChunk = nullptr; ///< not owned
};
