// HeadlessGame: setting up and tearing down the temporary game folder and its manager.
#include "support/HeadlessGame.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>

#include "framework/SceneManager.h"
#include "platform/GamePaths.h"

namespace fs = std::filesystem;

namespace {

const char *kFont = "/usr/share/fonts/truetype/vlgothic/VL-PGothic-Regular.ttf";

// Copies every regular file of from (if it exists) into to.
void CopyFolder(const fs::path &from, const fs::path &to)
{
    std::error_code error;
    fs::create_directories(to, error);
    if (!fs::is_directory(from, error)) {
        return;
    }
    for (const fs::directory_entry &entry : fs::directory_iterator(from, error)) {
        if (entry.is_regular_file(error)) {
            fs::copy_file(entry.path(), to / entry.path().filename(),
                          fs::copy_options::overwrite_existing, error);
        }
    }
}

void ReleaseAllKeys()
{
    int count = 0;
    Uint8 *keys = SDL_GetKeyState(&count);
    if (keys != nullptr && count > 0) {
        std::memset(keys, 0, count);
    }
}

} // namespace

void FillGameFolder(const std::string &dir)
{
    const char *source = std::getenv("KEYRISE_SOURCE_DIR");
    fs::path root = source != nullptr ? source : KEYRISE_SOURCE_DIR;
    CopyFolder(root / "assets" / "image", fs::path(dir) / "image");
    CopyFolder(root / "assets" / "wav", fs::path(dir) / "wav");
    CopyFolder(root / "assets" / "songs", fs::path(dir) / "data");
    std::ofstream(fs::path(dir) / GamePaths::kPortableMarker) << "portable\n";
    std::error_code error;
    fs::create_symlink(kFont, fs::path(dir) / "image" / "rune-P.ttf", error);
    // The message catalogues the build made, where the game's folder has them.
    const char *binary = std::getenv("KEYRISE_BINARY_DIR");
    fs::create_directory_symlink(fs::path(binary != nullptr ? binary : KEYRISE_BINARY_DIR) /
                                     "locale",
                                 fs::path(dir) / "locale", error);
}

HeadlessGame::HeadlessGame(int width, int height)
    : clock(std::make_shared<std::atomic<Uint32>>(0)),
      delayAdvances(std::make_shared<std::atomic<bool>>(false))
{
    char cwd[4096];
    if (getcwd(cwd, sizeof(cwd)) != nullptr) {
        previousDir = cwd;
    }
    char pattern[] = "/tmp/keyrise-test-XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
        std::cerr << "HeadlessGame: cannot make a temporary folder\n";
        return;
    }
    dir = pattern;
    FillGameFolder(dir);
    if (chdir(dir.c_str()) != 0) {
        std::cerr << "HeadlessGame: cannot enter " << dir << "\n";
        return;
    }

    manager = std::make_unique<SceneManager>();
    std::shared_ptr<std::atomic<Uint32>> time = clock;
    std::shared_ptr<std::atomic<bool>> advances = delayAdvances;
    manager->SetTimeSource([time]() { return time->load(); },
                           [time, advances](Uint32 ms) {
                               if (advances->load()) {
                                   time->fetch_add(ms);
                               }
                           });
    if (!manager->Init("image/rune-P.ttf", 24, "image", "png", "wav", "wav")) {
        std::cerr << "HeadlessGame: " << manager->GetError() << "\n";
        return;
    }
    if (manager->CreateWindow(width, height, 32, 0) == nullptr) {
        std::cerr << "HeadlessGame: " << manager->GetError() << "\n";
        return;
    }
    ReleaseAllKeys();
    manager->GetInput().Prepare();
    ready = true;
}

HeadlessGame::~HeadlessGame()
{
    ReleaseAllKeys();
    manager.reset();
    if (!previousDir.empty() && chdir(previousDir.c_str()) != 0) {
        std::cerr << "HeadlessGame: cannot return to " << previousDir << "\n";
    }
    if (!dir.empty()) {
        std::error_code error;
        fs::remove_all(dir, error);
    }
}

SceneManager &HeadlessGame::Manager()
{
    return *manager;
}

void HeadlessGame::SetTime(Uint32 ms)
{
    clock->store(ms);
}

Uint32 HeadlessGame::Time() const
{
    return clock->load();
}

void HeadlessGame::SetDelayAdvancesClock(bool advances)
{
    delayAdvances->store(advances);
}

void HeadlessGame::HoldKey(int sdlKey, bool down)
{
    int count = 0;
    Uint8 *keys = SDL_GetKeyState(&count);
    if (keys != nullptr && sdlKey >= 0 && sdlKey < count) {
        keys[sdlKey] = down ? 1 : 0;
    }
}

bool HeadlessGame::Iterate(Uint32 now)
{
    SetTime(now);
    return manager->MainIteration();
}

bool HeadlessGame::SaveScreenshot(const std::string &pngPath)
{
    SDL_Surface *screen = manager->GetScreen();
    if (screen == nullptr) {
        return false;
    }
    std::string bmp = pngPath + ".bmp";
    if (SDL_SaveBMP(screen, bmp.c_str()) != 0) {
        return false;
    }
    std::string command = "convert '" + bmp + "' 'png:" + pngPath + "' 2>/dev/null";
    int result = std::system(command.c_str());
    std::remove(bmp.c_str());
    return result == 0;
}
