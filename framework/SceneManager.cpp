// SceneManager: library set-up, window, tree walks, scene switching and the input queries.
#include "framework/SceneManager.h"

#include <SDL_mixer.h>
#include <SDL_ttf.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <set>

#include "framework/JoyStick.h"
#include "framework/LoadScene.h"
#include "framework/SceneObject.h"
#include "platform/AlsaErrorCapture.h"

namespace {

// Gap (ms) between two steps of a fade and between two drawings of the loading scene.
const Uint32 kLoadFrameInterval = 16;

// Window close, or F4 with either Alt key held.
bool IsQuitEvent(const SDL_Event &event)
{
    if (event.type == SDL_QUIT) {
        return true;
    }
    return event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_F4 &&
           (event.key.keysym.mod & KMOD_ALT) != 0;
}

std::string WithSdlError(const std::string &what)
{
    const char *error = SDL_GetError();
    if (error == nullptr || *error == '\0') {
        return what;
    }
    return what + ": " + error;
}

} // namespace

SceneManager::SceneManager() = default;

SceneManager::~SceneManager()
{
    // Every scene exactly once, wherever it waits (list, add list, delete list), newest first:
    // a scene may use what the scene below it lent it (the song selection uses the title
    // menu's songs), so it goes while that is still there, as when it is left by a key.
    std::set<SceneObject *> destroyed;
    auto destroy = [&destroyed](SceneObject *object) {
        if (object != nullptr && destroyed.insert(object).second) {
            delete object;
        }
    };
    for (auto it = addList.rbegin(); it != addList.rend(); ++it) {
        destroy(it->scene);
    }
    for (auto it = scenes.rbegin(); it != scenes.rend(); ++it) {
        destroy(*it);
    }
    for (SceneObject *object : deleteList) {
        destroy(object);
    }
    scenes.clear();
    addList.clear();
    deleteList.clear();
    delete loadScene;
    loadScene = nullptr;

    input.Release();

    // Content goes before the audio and font libraries it was made with.
    contents.Release();
    if (mutex != nullptr) {
        SDL_DestroyMutex(mutex);
        mutex = nullptr;
    }
    if (SDL_WasInit(SDL_INIT_AUDIO) != 0) {
        Mix_CloseAudio();
    }
    if (TTF_WasInit()) {
        TTF_Quit();
    }
    if (SDL_WasInit(SDL_INIT_VIDEO) != 0) {
        SDL_Quit();
    }
}

bool SceneManager::Init(std::string fontPath, int fontSize, std::string imageFolder,
                        std::string imageExtension, std::string audioFolder,
                        std::string audioExtension)
{
    // ALSA's own lines about each device SDL tries (when it looks for audio drivers and when
    // the mixer opens one) go into our one line about the sound below.
    AlsaErrorCapture alsaErrors;
    // Sound comes up on its own below: SDL 1.2 on SDL 2 (Debian 13) fails the whole SDL_Init when
    // the audio driver asked for does not exist, where SDL 1.2 fails only at opening the device.
    if (SDL_Init(SDL_INIT_TIMER | SDL_INIT_VIDEO | SDL_INIT_JOYSTICK) < 0) {
        lastError = WithSdlError("cannot initialise SDL");
        return false;
    }
    if (TTF_Init() < 0) {
        lastError = WithSdlError("cannot initialise the font library");
        return false;
    }
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) < 0 ||
        Mix_OpenAudio(AUDIO_RATE, AUDIO_S16LSB, 2, AUDIO_BUFFER_FRAMES) < 0) {
        // No usable sound device (none at all, or one held by another program): go on muted
        // through SDL's silent driver, so that the mixer, and the synthesizer fed by it, run at
        // their usual pace and everything but the sound works.
        audioProblem = WithSdlError("cannot open the audio device");
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) < 0 ||
            Mix_OpenAudio(AUDIO_RATE, AUDIO_S16LSB, 2, AUDIO_BUFFER_FRAMES) < 0) {
            lastError = audioProblem + ", nor the silent one: " + SDL_GetError();
            return false;
        }
        const std::string alsa = alsaErrors.First();
        std::fprintf(stderr, "keyrise: %s%s; playing without sound\n", audioProblem.c_str(),
                     alsa.empty() ? "" : (" (" + alsa + ")").c_str());
    }
    SDL_EnableKeyRepeat(500, 100);
    contents.SetImageFolderPath(imageFolder, imageExtension);
    contents.SetAudioFolderPath(audioFolder, audioExtension);
    contents.SetDefaultFont(fontPath, fontSize);
    baseFontSize = fontSize;
    SDL_ShowCursor(SDL_DISABLE);
    SDL_JoystickEventState(SDL_ENABLE);
    int count = SDL_NumJoysticks();
    for (int i = 0; i < count; ++i) {
        JoyStick *joystick = new JoyStick();
        joystick->Open(i);
        input.AddJoyStick(joystick);
    }
    if (mutex == nullptr) {
        mutex = SDL_CreateMutex();
    }
    if (!numWriter.Init(&contents, fontSize, 0xFFFFFFFF)) {
        lastError = "cannot render the digits with the font " + fontPath;
        return false;
    }
    return true;
}

SDL_Surface *SceneManager::CreateWindow(int newWidth, int newHeight, int newBpp, unsigned int flags)
{
    SDL_WM_SetCaption("Keyrise", "Keyrise");
    SDL_Surface *surface = SDL_SetVideoMode(newWidth, newHeight, newBpp, flags);
    if (surface == nullptr) {
        lastError =
            WithSdlError("cannot open a " + std::to_string(newWidth) + " x " +
                         std::to_string(newHeight) + " x " + std::to_string(newBpp) + " window");
        return nullptr;
    }
    screen = surface;
    width = newWidth;
    height = newHeight;
    bpp = newBpp;
    videoFlags = flags;
    // Cached pictures were converted for the old screen format.
    contents.SetScreen(screen);
    contents.ReleaseImages();
    // Texts grow with windows taller than 720 pixels, so that they keep their share of the
    // screen; smaller windows keep the size the game was started with.
    contents.SetDefaultFontSize(FontSizeFor(baseFontSize, newHeight));
    fullScreen = (flags & SDL_FULLSCREEN) != 0;
    for (SceneObject *scene : scenes) {
        ReloadObject(scene);
    }
    if (loadScene != nullptr) {
        loadScene->Reload();
    }
    numWriter.Init(&contents, contents.GetDefaultFontSize(), 0xFFFFFFFF);
    return screen;
}

int SceneManager::FontSizeFor(int baseSize, int windowHeight)
{
    return std::max(baseSize, baseSize * windowHeight / 720);
}

Uint32 SceneManager::Ticks()
{
    return ticksSource ? ticksSource() : SDL_GetTicks();
}

void SceneManager::Delay(Uint32 ms)
{
    if (delaySource) {
        delaySource(ms);
    } else {
        SDL_Delay(ms);
    }
}

void SceneManager::SetTimeSource(std::function<Uint32()> ticks, std::function<void(Uint32)> delay)
{
    ticksSource = std::move(ticks);
    delaySource = std::move(delay);
}

Uint32 SceneManager::GetNowTime()
{
    return Ticks() - startTicks;
}

int SceneManager::Main()
{
    return loop.Run();
}

bool SceneManager::MainIteration()
{
    return loop.Iterate();
}

void SceneManager::AddScene(SceneObject *scene, void *data)
{
    if (scene == nullptr) {
        return;
    }
    addList.push_back(_ADD_SCENE{scene, data});
}

void SceneManager::DeleteScene(SceneObject *scene)
{
    if (scene == nullptr) {
        return;
    }
    deleteList.push_back(scene);
}

bool SceneManager::SetLoadScene(LoadScene *scene, void *data)
{
    if (scene == loadScene) {
        // Offering the registered scene again keeps it; it is never destroyed here, least of
        // all during a change, while the main thread is animating it.
        return !changing.load();
    }
    if (changing.load()) {
        delete scene;
        return false;
    }
    delete loadScene;
    loadScene = scene;
    if (loadScene != nullptr) {
        loadScene->Init(data);
    }
    return true;
}

bool SceneManager::CheckChangeScene(unsigned int now)
{
    if (deleteList.empty() && addList.empty()) {
        return false;
    }
    changing.store(true);
    SDL_Thread *worker = SDL_CreateThread(&SceneManager::ChangeScene, this);
    if (worker == nullptr) {
        // No thread to be had: change on this thread rather than wait for nothing.
        ChangeScene(this);
    }
    if (loadScene != nullptr) {
        loadScene->beforeTime = now;
        if (fullScreen) {
            DarkenLoadScene();
        }
        RunLoadScene();
        if (fullScreen) {
            DarkenLoadScene();
        }
    }
    if (worker != nullptr) {
        SDL_WaitThread(worker, nullptr);
    }
    if (loadScene != nullptr && fullScreen && !quitPending) {
        BrightenNewScene();
    }
    changing.store(false);
    return true;
}

void SceneManager::PollEventDuringChange()
{
    if (!PollEvent()) {
        quitPending = true;
    }
}

void SceneManager::DarkenLoadScene()
{
    for (;;) {
        Uint32 t = GetNowTime();
        while (t - loadScene->beforeTime <= kLoadFrameInterval) {
            Delay(1);
            t = GetNowTime();
        }
        bool black = loadScene->FadeIn(t);
        loadScene->beforeTime = t;
        if (screen != nullptr) {
            SDL_Flip(screen);
        }
        PollEventDuringChange();
        if (black) {
            return;
        }
    }
}

void SceneManager::RunLoadScene()
{
    Uint32 lastDrawing = 0;
    while (changing.load()) {
        Uint32 t = GetNowTime();
        loadScene->Input(t);
        loadScene->Idle(t);
        loadScene->FadeOut(t);
        loadScene->beforeTime = t;
        if (t - lastDrawing > kLoadFrameInterval) {
            if (screen != nullptr) {
                SDL_FillRect(screen, nullptr, clearColor);
                DrawObject(loadScene, screen);
                SDL_Flip(screen);
            }
            PollEventDuringChange();
            lastDrawing = t;
        }
        Delay(1);
    }
}

void SceneManager::BrightenNewScene()
{
    for (;;) {
        Uint32 t1 = GetNowTime();
        Uint32 t2 = GetNowTime();
        Input(t2);
        Idle(GetNowTime());
        // Every turn, as in the main loop: a key pressed reads as pressed in one turn only, so
        // one press gives one menu event although this loop turns every millisecond.
        input.CopyKeyState();
        if (t1 - loadScene->beforeTime > kLoadFrameInterval) {
            Draw(screen);
            bool bright = loadScene->FadeOut(t1);
            loadScene->beforeTime = t1;
            bool open = PollEvent();
            if (!open) {
                quitPending = true;
                return;
            }
            if (bright) {
                return;
            }
        }
        Delay(1);
    }
}

int SceneManager::ChangeScene(void *argument)
{
    SceneManager *self = static_cast<SceneManager *>(argument);

    // A scene asked to be deleted twice is destroyed once.
    std::list<SceneObject *> doomed;
    for (SceneObject *object : self->deleteList) {
        if (std::find(doomed.begin(), doomed.end(), object) == doomed.end()) {
            doomed.push_back(object);
        }
    }
    self->deleteList.clear();
    for (SceneObject *object : doomed) {
        self->scenes.remove(object);
        // A scene deleted before it was ever added must not be initialised afterwards.
        self->addList.remove_if([object](const _ADD_SCENE &r) { return r.scene == object; });
    }
    for (SceneObject *object : doomed) {
        delete object;
    }

    // Scenes added by an Init during this loop are added in the same change.
    while (!self->addList.empty()) {
        _ADD_SCENE record = self->addList.front();
        self->addList.pop_front();
        record.scene->Init(record.data);
        Uint32 now = self->GetNowTime();
        record.scene->beforeTime = now;
        record.scene->startTime = now;
        self->scenes.push_back(record.scene);
    }
    if (!self->scenes.empty()) {
        self->scenes.back()->Show();
    }
    self->changing.store(false);
    return 0;
}

void SceneManager::Draw(SDL_Surface *surface)
{
    if (screen != nullptr) {
        SDL_FillRect(screen, nullptr, clearColor);
    }
    if (surface == nullptr) {
        return;
    }
    for (SceneObject *scene : scenes) {
        if (!scene->visible) {
            continue;
        }
        scene->Draw(surface);
        for (SceneObject *child : scene->children) {
            if (child->visible) {
                DrawObject(child, surface);
            }
        }
    }
    SDL_Flip(surface);
}

void SceneManager::DrawObject(SceneObject *object, SDL_Surface *surface)
{
    object->Draw(surface);
    for (SceneObject *child : object->children) {
        if (child->visible) {
            DrawObject(child, surface);
        }
    }
}

void SceneManager::Input(unsigned int now)
{
    changedInState.store(4);
    ChangedErase(1);
    for (SceneObject *scene : scenes) {
        if (!scene->visible || !scene->active) {
            continue;
        }
        scene->Input(now);
        for (SceneObject *child : scene->children) {
            if (child->visible && child->active) {
                InputObject(child, now);
            }
        }
    }
}

void SceneManager::InputObject(SceneObject *object, unsigned int now)
{
    object->Input(now);
    for (SceneObject *child : object->children) {
        if (child->visible && child->active) {
            InputObject(child, now);
        }
    }
}

void SceneManager::Event(SDL_Event *event)
{
    for (SceneObject *scene : scenes) {
        if (!scene->visible || !scene->active) {
            continue;
        }
        scene->Event(event);
        for (SceneObject *child : scene->children) {
            if (child->visible && child->active) {
                EventObject(child, event);
            }
        }
    }
}

void SceneManager::EventObject(SceneObject *object, SDL_Event *event)
{
    object->Event(event);
    for (SceneObject *child : object->children) {
        if (child->visible && child->active) {
            EventObject(child, event);
        }
    }
}

void SceneManager::Idle(unsigned int now)
{
    input.PushLogicalKeyEvents();
    input.SampleJoySticks();
    changedInState.store(1);
    ChangedErase(1);
    for (auto it = scenes.begin(); it != scenes.end();) {
        SceneObject *scene = *it;
        IdleObject(scene, now);
        if (!scene->removeFlag) {
            ++it;
            continue;
        }
        it = scenes.erase(it);
        // It may also wait in the delete list; it must not be destroyed a second time there.
        deleteList.remove(scene);
        delete scene;
        if (!scenes.empty()) {
            scenes.back()->visible = true;
        }
    }
}

void SceneManager::IdleObject(SceneObject *object, unsigned int now)
{
    if (object->visible && object->active) {
        object->Idle(now);
    }
    object->beforeTime = now;
    for (auto it = object->children.begin(); it != object->children.end();) {
        SceneObject *child = *it;
        IdleObject(child, now);
        if (child->removeFlag) {
            it = object->children.erase(it);
            delete child;
        } else {
            ++it;
        }
    }
}

void SceneManager::ReloadObject(SceneObject *object)
{
    object->Reload();
    for (SceneObject *child : object->children) {
        ReloadObject(child);
    }
}

void SceneManager::SetBeforeTime(SceneObject *object, unsigned int now)
{
    object->beforeTime = now;
    for (SceneObject *child : object->children) {
        SetBeforeTime(child, now);
    }
}

void SceneManager::SetBeforeTimes(unsigned int now)
{
    for (SceneObject *scene : scenes) {
        SetBeforeTime(scene, now);
    }
}

void SceneManager::ChangedEraseObject(SceneObject *object, int phase)
{
    if (object->changedPhase == phase) {
        object->changedPhase = 0;
    }
    for (SceneObject *child : object->children) {
        ChangedEraseObject(child, phase);
    }
}

void SceneManager::ChangedErase(int phase)
{
    for (SceneObject *scene : scenes) {
        ChangedEraseObject(scene, phase);
    }
}

bool SceneManager::PollEvent()
{
    bool duringChange = changing.load();
    changedInState.store(2);
    if (duringChange) {
        // The worker owns the scene list until the change is over.
        if (loadScene != nullptr) {
            ChangedEraseObject(loadScene, 2);
        }
    } else {
        ChangedErase(2);
    }
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        if (IsQuitEvent(event)) {
            return false;
        }
        input.NoteEvent(event);
        if (duringChange) {
            if (loadScene != nullptr && loadScene->visible && loadScene->active) {
                EventObject(loadScene, &event);
            }
        } else {
            Event(&event);
        }
    }
    return true;
}

void SceneManager::ClearScreen()
{
    if (screen != nullptr) {
        SDL_FillRect(screen, nullptr, clearColor);
    }
}

bool SceneManager::SetNumWriter(int size, unsigned int color)
{
    return numWriter.Init(&contents, size, color);
}

bool SceneManager::SetNumImageWriter(std::string imageName, int percentX, int percentY)
{
    return numWriter.Init(&contents, imageName, percentX, percentY);
}

void SceneManager::SetLight(int red, int green, int blue)
{
    if (!fullScreen) {
        return;
    }
    SDL_SetGamma(red / 255.0f, green / 255.0f, blue / 255.0f);
}

bool SceneManager::EnterCriticalSection()
{
    return SDL_mutexP(mutex) != -1;
}

bool SceneManager::ExitCriticalSection()
{
    return SDL_mutexV(mutex) != -1;
}
