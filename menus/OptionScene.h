// OptionScene: the settings screen (screen size and mode, keys, play mode, MIDI device, speed,
// scroll).
#pragma once

#include <SDL.h>

#include <string>
#include <vector>

#include "framework/Scene.h"

class NoticeText;
class SpriteImage;
class StringSelector;
struct Mix_Chunk;

// Thirteen rows, one above the other; up and down move the focus, left and right change the focused
// row, ok on the last row ("save" / "cancel") writes "config" and closes the screen. Rows 0 and
// 1 (window sizes, full-screen sizes) share one line; only the one that matches row 2 (window
// or full screen) is shown and can take the focus.
class OptionScene : public Scene
{
public:
    // The rows, top to bottom.
    enum Row
    {
        kWindowSize = 0,  ///< "%d x %d" from SDL's window modes, or the fixed sizes
        kFullSize = 1,    ///< "%d x %d" from SDL's full-screen modes, or the fixed sizes
        kScreenMode = 2,  ///< "Window Mode", "Fullscreen Mode"
        kKeyNum = 3,      ///< "Keys:1" .. "Keys:12"
        kKeyConfig = 4,   ///< "Key Config": ok opens the key configuration
        kShowKey = 5,     ///< "Normal", "Typing Mode"
        kAutoPlay = 6,    ///< "Self Play", "Auto Play"
        kDevice = 7,      ///< the MIDI output devices by name
        kMidiIn = 8,      ///< the MIDI keyboard: all hardware keyboards, or one input by name
        kSpeed = 9,       ///< "Speed:10 %" .. "Speed:190 %"
        kScroll = 10,     ///< the balls follow the tempo or move at a constant speed
        kTiming = 11,     ///< "Timing": ok opens the timing calibration
        kLanguage = 12,   ///< the locale's language, English, Japanese ("language")
        kSaveCancel = 13, ///< "save", "cancel"
        kRowCount = 14
    };

    explicit OptionScene(SceneManager *manager);
    ~OptionScene() override = default;

    // Up/down move the focus, ok confirms a row, cancel leaves without writing.
    void Event(SDL_Event *event) override;
    // Reads "config" and builds the rows with the stored values.
    void Init(void *data) override;
    // Places the rows (and renders their texts again) for the new screen size.
    void Reload() override;

    // Changed callback of row 2: shows the size row that matches the chosen screen mode.
    static void SelectorChanged(void *scene);
    // Writes the rows' values into "config" and applies a changed screen size or mode. False,
    // with the notice shown, when "config" could not be written.
    bool Save();
    // The notice line ("" while there is none).
    const std::string &GetNotice() const;

    StringSelector *GetRow(int row) { return rows[row]; }
    // The help line that explains Auto Play and Self Play, shown while their row has the focus.
    SpriteImage *GetAutoPlayHelp() { return autoPlayHelp; }
    int GetFocus() const { return focus; }

private:
    // Fills the rows' texts (keeping their choices) and arrows.
    void FillRows();
    // Places the rows for the current screen size.
    void Layout();
    // Only the focused row is active (bright, with arrows, gets left and right).
    void FocusRows();
    // Rows with one entry that open another screen on ok (no arrows, no select sound).
    static bool IsButtonRow(int row) { return row == kKeyConfig || row == kTiming; }
    // Row 0 or row 1, whichever matches the chosen screen mode.
    int ShownSizeRow();
    // The entry of a size row that names the screen in effect.
    int CurrentSizeEntry(int row);
    // The size behind entry 'index' of a mode list (or of the fixed sizes when it is not real).
    SDL_Rect ChosenSize(SDL_Rect **modes, int index);
    // Plays the sound (null: none) and closes the screen (once).
    void Leave(Mix_Chunk *sound);

    StringSelector *rows[kRowCount] = {};
    std::vector<std::string> texts[kRowCount]; ///< the entries of each row
    int focus = 0;                             ///< focused row, 0 to kSaveCancel
    SDL_Rect **windowModes = nullptr;          ///< SDL_ListModes for a window (null: none, -1: any)
    SDL_Rect **fullScreenModes = nullptr;      ///< SDL_ListModes for full screen
    std::vector<SDL_Rect> fixedSizes;          ///< used where SDL gives no real list
    Mix_Chunk *okChunk = nullptr;              ///< not owned
    Mix_Chunk *cancelChunk = nullptr;          ///< not owned
    Mix_Chunk *selectChunk = nullptr;          ///< not owned
    bool extraSize[2] = {};                    ///< size row ends with the current screen size
    NoticeText *notice = nullptr;              ///< child: settings that could not be saved
    SpriteImage *autoPlayHelp = nullptr;       ///< child: what Auto Play and Self Play mean
    bool leaving = false;                      ///< the scene asked for its deletion
};
