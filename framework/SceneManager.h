// SceneManager: window, clock, scene list and switching, tree walks, content cache, input queries.
#pragma once

#include <SDL.h>

#include <atomic>
#include <functional>
#include <list>
#include <string>

#include "content/ContentsManager.h"
#include "content/NumWriter.h"
#include "framework/InputState.h"
#include "framework/KeyAssign.h"
#include "framework/MainLoop.h"

class SceneObject;
class LoadScene;

// A scene waiting to be added, with the pointer handed to its Init.
struct _ADD_SCENE
{
    SceneObject *scene;
    void *data;
};

// The one central object. Owns the scenes (listed, waiting to be added or deleted), the loading
// scene, the input state with the joysticks (framework/InputState), the main loop
// (framework/MainLoop) and the content cache.
class SceneManager
{
public:
    static constexpr int AUDIO_RATE = 22050;        ///< frames per second of the mixer
    static constexpr int AUDIO_BUFFER_FRAMES = 512; ///< frames SDL's device buffer holds

    SceneManager();
    virtual ~SceneManager();

    SceneManager(const SceneManager &) = delete;
    SceneManager &operator=(const SceneManager &) = delete;

    // Initialises SDL (timer, audio, video, joystick), fonts and the mixer, the content cache,
    // the joysticks and the number writer. Opens no window. Without a usable audio device it
    // goes on muted (see GetAudioProblem) and says so in one line on stderr.
    bool Init(std::string fontPath, int fontSize, std::string imageFolder,
              std::string imageExtension, std::string audioFolder, std::string audioExtension);
    // Opens (or re-opens) the window; on success every object reloads its pictures.
    SDL_Surface *CreateWindow(int width, int height, int bpp, unsigned int flags);
    // The default text size (pixels) in a window 'windowHeight' pixels tall when the game was
    // started with 'baseSize': the base up to 720 pixels, growing with the height above.
    static int FontSizeFor(int baseSize, int windowHeight);
    // Runs the main loop until Quit(), a window close or Alt+F4. Returns 0.
    int Main();
    // One iteration of the main loop at the manager's clock: pending scene change, Input, Idle,
    // drawing when due, 1 ms sleep, key-state copy, event poll. False (and running cleared) when
    // the loop must end: Quit(), a window close or Alt+F4, also one seen during a scene change.
    bool MainIteration();
    void Quit() { running = false; }
    bool IsRunning() const { return running; }
    // What the last failed Init or CreateWindow could not do, with SDL's error text.
    const std::string &GetError() const { return lastError; }
    // Why the game plays without sound (Init found no usable audio device and went on with
    // SDL's silent driver); empty when the sound device opened.
    const std::string &GetAudioProblem() const { return audioProblem; }

    // Scene list. The manager takes ownership of added scenes.
    void AddScene(SceneObject *scene, void *data);
    void DeleteScene(SceneObject *scene);
    // Registers the loading scene (owned; the previous one is destroyed) and calls its Init
    // with data; null unregisters. During a change it refuses (false) and destroys the offered
    // scene, unless that is the registered one, which stays.
    bool SetLoadScene(LoadScene *scene, void *data);
    LoadScene *GetLoadScene() { return loadScene; }
    // Carries out pending adds and deletes on a worker thread while the loading scene runs.
    // False when nothing was pending.
    bool CheckChangeScene(unsigned int now);
    // The worker thread's function; the argument is the manager.
    static int ChangeScene(void *manager);
    int GetChangedInState() const { return changedInState.load(); }
    bool IsChanging() const { return changing.load(); }

    // Walks.
    void Draw(SDL_Surface *surface);
    void DrawObject(SceneObject *object, SDL_Surface *surface);
    void Input(unsigned int now);
    void InputObject(SceneObject *object, unsigned int now);
    void Event(SDL_Event *event);
    void EventObject(SceneObject *object, SDL_Event *event);
    void Idle(unsigned int now);
    void IdleObject(SceneObject *object, unsigned int now);
    void ReloadObject(SceneObject *object);
    void SetBeforeTime(SceneObject *object, unsigned int now);
    void SetBeforeTimes(unsigned int now);
    void ChangedEraseObject(SceneObject *object, int phase);
    void ChangedErase(int phase);
    // Dispatches the queued SDL events; false on a window close or Alt+F4. While a scene change
    // is under way the events reach only the loading scene, never the scenes being changed.
    bool PollEvent();

    ContentsManager *GetContentsManager() { return &contents; }
    NumWriter *GetNumWriter() { return &numWriter; }
    SDL_Surface *GetScreen() { return screen; }
    int GetWidth() const { return width; }
    int GetHeight() const { return height; }
    int GetBpp() const { return bpp; }
    unsigned int GetFlag() const { return videoFlags; }
    bool IsFullScreen() const { return fullScreen; }
    // Milliseconds since Main began.
    Uint32 GetNowTime();
    void SetClearColor(unsigned int color) { clearColor = color; }
    void ClearScreen();
    bool SetNumWriter(int size, unsigned int color);
    bool SetNumImageWriter(std::string imageName, int percentX, int percentY);
    // Display gamma, full screen only: 255 normal, 0 black.
    void SetLight(int red, int green, int blue);
    bool EnterCriticalSection();
    bool ExitCriticalSection();

    // Input queries (keyboard state copied before each event poll; joysticks sampled in Idle),
    // answered by the input state.
    bool KeyDown(int key) { return input.KeyDown(key); }
    bool KeyPressed(int key) { return input.KeyPressed(key); }
    bool KeyReleased(int key) { return input.KeyReleased(key); }
    bool ButtonDown(int joystick, int button) { return input.ButtonDown(joystick, button); }
    bool ButtonPress(int joystick, int button) { return input.ButtonPress(joystick, button); }
    bool HatDown(int joystick, int hat, int direction)
    {
        return input.HatDown(joystick, hat, direction);
    }
    bool HatPress(int joystick, int hat, int direction)
    {
        return input.HatPress(joystick, hat, direction);
    }
    bool AssignedKeyDown(KeyAssign &key) { return input.AssignedKeyDown(key); }
    bool AssignedKeyPress(KeyAssign &key) { return input.AssignedKeyPress(key); }
    bool IsLeft() { return input.IsLogical(InputState::LEFT); }
    bool IsRight() { return input.IsLogical(InputState::RIGHT); }
    bool IsUp() { return input.IsLogical(InputState::UP); }
    bool IsDown() { return input.IsLogical(InputState::DOWN); }
    bool IsOk() { return input.IsLogical(InputState::OK); }
    bool IsCancel() { return input.IsLogical(InputState::CANCEL); }
    // Left or right held down now (fixed key or binding), for keys that repeat while held.
    bool IsLeftHeld() { return input.IsLogicalHeld(InputState::LEFT); }
    bool IsRightHeld() { return input.IsLogicalHeld(InputState::RIGHT); }
    void SetLeft(KeyAssign &key) { input.SetLogical(InputState::LEFT, key); }
    void SetRight(KeyAssign &key) { input.SetLogical(InputState::RIGHT, key); }
    void SetUp(KeyAssign &key) { input.SetLogical(InputState::UP, key); }
    void SetDown(KeyAssign &key) { input.SetLogical(InputState::DOWN, key); }
    void SetOk(KeyAssign &key) { input.SetLogical(InputState::OK, key); }
    void SetCancel(KeyAssign &key) { input.SetLogical(InputState::CANCEL, key); }

    // Test and tool hooks: replace the millisecond tick source and the per-iteration sleep, so
    // a run can be driven by a hand-advanced clock. Defaults are SDL_GetTicks and SDL_Delay.
    void SetTimeSource(std::function<Uint32()> ticks, std::function<void(Uint32)> delay);
    // The key state, joysticks and menu-key bindings (tests and tools that drive the walks
    // themselves prepare it there).
    InputState &GetInput() { return input; }

    std::list<SceneObject *> &GetScenes() { return scenes; }
    // Sleeps through the delay source (SDL_Delay unless a test replaced it).
    void Delay(Uint32 ms);

protected:
    SDL_Surface *screen = nullptr;
    int width = 0;
    int height = 0;
    int bpp = 0;
    int baseFontSize = 0; ///< pixels: the text size Init was given, for windows up to 720 tall
    bool fullScreen = false;
    bool running = true;
    unsigned int videoFlags = 0;
    unsigned int clearColor = 0;
    std::list<SceneObject *> scenes;
    std::list<SceneObject *> deleteList;
    std::list<_ADD_SCENE> addList;
    NumWriter numWriter;
    // Read by SceneObject::Changed, also from a scene's Init on the scene-change worker.
    std::atomic<int> changedInState{0};
    ContentsManager contents;
    LoadScene *loadScene = nullptr;
    std::atomic<bool> changing{false};
    Uint32 startTicks = 0;
    SDL_mutex *mutex = nullptr;
    InputState input; ///< key state, joysticks, menu-key bindings
    std::function<Uint32()> ticksSource;
    std::function<void(Uint32)> delaySource;
    MainLoop loop{*this};
    bool quitPending = false; ///< a window close or Alt+F4 was polled during a scene change
    std::string lastError;
    std::string audioProblem; ///< see GetAudioProblem

private:
    friend class MainLoop; // runs the iteration over the manager's walks and state
    Uint32 Ticks();
    // Steps of CheckChangeScene while the worker runs.
    void DarkenLoadScene();
    void RunLoadScene();
    void BrightenNewScene();
    // PollEvent during a change; remembers a close request instead of losing it.
    void PollEventDuringChange();
};
