// HeadlessGame: one game without a display for tests: a temporary working folder and a manager.
#pragma once

#include <SDL.h>

#include <atomic>
#include <memory>
#include <string>

class SceneManager;

// Fills 'dir' as a game folder: image/, wav/ and data/ copied from the source tree's
// assets/image, assets/wav and assets/songs, image/rune-P.ttf (a link to VL PGothic) and
// locale/ (a link to the build's message catalogues), and the mark that makes the game started
// there play in it (GamePaths::kPortableMarker).
void FillGameFolder(const std::string &dir);

// Makes a temporary working folder with image/, wav/ and data/ (copied from the source tree's
// assets/image, assets/wav and assets/songs), image/rune-P.ttf (a link to VL PGothic) and
// locale/ (a link to the build's message catalogues),
// moves into it, initialises a SceneManager as the game does, opens a window on SDL's dummy
// driver and puts the manager on a hand-set clock that starts at 0. The destructor destroys
// the manager, moves back and removes the folder.
class HeadlessGame
{
public:
    explicit HeadlessGame(int width = 800, int height = 600);
    ~HeadlessGame();

    HeadlessGame(const HeadlessGame &) = delete;
    HeadlessGame &operator=(const HeadlessGame &) = delete;

    SceneManager &Manager();
    // False when the manager's Init or the window failed (the reason went to stderr).
    bool Ready() const { return ready; }
    // The temporary working folder.
    std::string Dir() const { return dir; }

    // The manager's clock (GetNowTime) reads exactly this value (ms).
    void SetTime(Uint32 ms);
    Uint32 Time() const;
    // When set, every sleep of the manager advances the clock by its length; needed for the
    // waits of full-screen fades, which last until the clock has moved on. Off by default.
    void SetDelayAdvancesClock(bool advances);

    // Holds (down) or releases a key in SDL's key state array.
    void HoldKey(int sdlKey, bool down);
    // One main-loop iteration at clock now (scene change, Input, Idle, drawing when due, key
    // state copy, event poll), as SceneManager::Main does. False when the loop would end.
    bool Iterate(Uint32 now);
    // Writes the screen to a PNG file.
    bool SaveScreenshot(const std::string &pngPath);

private:
    std::string dir;
    std::string previousDir;
    std::unique_ptr<SceneManager> manager;
    std::shared_ptr<std::atomic<Uint32>> clock;
    std::shared_ptr<std::atomic<bool>> delayAdvances;
    bool ready = false;
};
