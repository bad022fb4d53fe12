// GamePaths: where the game reads its files and keeps the player's, portable or installed.
#include "platform/GamePaths.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace {

GamePaths current;

// The system font the package depends on, used when the game ships none of its own.
const char *const kSystemFont = "/usr/share/fonts/truetype/vlgothic/VL-PGothic-Regular.ttf";

bool IsFile(const std::string &path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// The folder part of 'path' ("/a/b" for "/a/b/c"); empty when it has none.
std::string Parent(const std::string &path)
{
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

// 'path' without trailing slashes ("/a/b" for "/a/b/"; "/" stays).
std::string WithoutTrailingSlashes(std::string path)
{
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

// The last name of 'path', trailing slashes ignored ("b" for "/a/b/").
std::string BaseName(const std::string &folder)
{
    const std::string path = WithoutTrailingSlashes(folder);
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// An XDG base folder: the variable when it holds an absolute path (the rules say relative
// ones are ignored), else <home>/<fallback>; empty when neither is known.
std::string XdgFolder(const GamePaths::Environment &env, const char *variable, const char *fallback,
                      const std::string &home)
{
    const char *value = env(variable);
    if (value != nullptr && value[0] == '/') {
        return value;
    }
    return home.empty() ? std::string() : home + "/" + fallback;
}

} // namespace

const char *const GamePaths::kPortableMarker = "keyrise-portable";

bool GamePaths::IsPortableFolder(const std::string &folder)
{
    return IsFile(folder + "/" + kPortableMarker);
}

bool GamePaths::IsFolder(const std::string &path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool GamePaths::MakeFolders(const std::string &path, std::string &problem)
{
    if (path.empty() || IsFolder(path)) {
        return true;
    }
    if (!MakeFolders(Parent(path), problem)) {
        return false;
    }
    if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
        problem = "cannot create " + path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

std::string GamePaths::PasswdHome()
{
    struct passwd entry;
    struct passwd *found = nullptr;
    const long suggested = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(suggested > 0 ? static_cast<size_t>(suggested) : 16384);
    int result = 0;
    while ((result = getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found)) ==
               ERANGE &&
           buffer.size() < (1u << 20)) {
        buffer.resize(buffer.size() * 2);
    }
    if (result != 0 || found == nullptr || found->pw_dir == nullptr || found->pw_dir[0] != '/') {
        return "";
    }
    return found->pw_dir;
}

GamePaths GamePaths::Installed(const std::string &shareFolder, const Environment &env,
                               const HomeLookup &passwdHome)
{
    GamePaths paths;
    paths.share = shareFolder;
    // A HOME that is unset, empty or relative would put the player's files at the root or in
    // the working folder ("/.config"): the user database knows the real one.
    const char *variable = env("HOME");
    std::string home = variable != nullptr && variable[0] == '/' ? variable : "";
    if (home.empty() && passwdHome) {
        home = passwdHome();
    }
    paths.home = WithoutTrailingSlashes(home);
    const std::string config = XdgFolder(env, "XDG_CONFIG_HOME", ".config", paths.home);
    const std::string data = XdgFolder(env, "XDG_DATA_HOME", ".local/share", paths.home);
    paths.configDir = config.empty() ? "" : config + "/keyrise";
    paths.dataDir = data.empty() ? "" : data + "/keyrise";
    return paths;
}

std::string GamePaths::ShareFolderOf(const std::string &program)
{
    if (program.empty() || program[0] != '/') {
        return "";
    }
    const std::string prefix = Parent(Parent(program));
    const std::string shareFolder = prefix + "/share";
    return IsFolder(shareFolder + "/games/keyrise/image") ? shareFolder : "";
}

std::string GamePaths::ConfigFile() const
{
    return IsPortable() ? "config" : configDir + "/config";
}

std::string GamePaths::SongIndexFile() const
{
    return IsPortable() ? "songindex" : dataDir + "/songindex";
}

std::string GamePaths::ImageFolder() const
{
    return IsPortable() ? "image" : GameData() + "/image";
}

std::string GamePaths::SoundFolder() const
{
    return IsPortable() ? "wav" : GameData() + "/wav";
}

std::string GamePaths::FontFile() const
{
    const std::string shipped = ImageFolder() + "/rune-P.ttf";
    if (IsPortable() || IsFile(shipped)) {
        return shipped;
    }
    return kSystemFont;
}

std::vector<std::string> GamePaths::LocaleFolders() const
{
    if (IsPortable()) {
        return {};
    }
    return {share + "/locale"};
}

std::string GamePaths::PlayerSongFolder() const
{
    return IsPortable() ? "data" : dataDir + "/songs";
}

std::string GamePaths::ScoreFolder() const
{
    return IsPortable() ? "scores" : dataDir + "/scores";
}

std::string GamePaths::ReplayFolder() const
{
    return IsPortable() ? "replays" : dataDir + "/replays";
}

std::vector<SongFolder> GamePaths::SongFolders() const
{
    std::vector<SongFolder> folders{{PlayerSongFolder(), "", true}};
    if (!IsPortable()) {
        // The package's own songs: never written to, whoever runs the game.
        folders.push_back({GameData() + "/songs", "Keyrise", false});
    }
    for (const std::string &folder : added) {
        SongFolder entry{folder, BaseName(folder), access(folder.c_str(), W_OK) == 0};
        if (entry.label.empty() || entry.label == "/" || entry.label == ".") {
            entry.label = "songs";
        }
        // Two folders of the same name stay apart in the list.
        const std::string base = entry.label;
        for (int n = 2;; ++n) {
            bool taken = false;
            for (const SongFolder &other : folders) {
                taken = taken || other.label == entry.label;
            }
            if (!taken) {
                break;
            }
            entry.label = base + " " + std::to_string(n);
        }
        folders.push_back(entry);
    }
    return folders;
}

std::vector<std::string> GamePaths::SavingFolders() const
{
    if (IsPortable()) {
        return {".", "data", ReplayFolder()};
    }
    return {configDir, dataDir, dataDir + "/songs", ReplayFolder()};
}

std::string GamePaths::ShownPath(const std::string &path) const
{
    if (home.size() > 1 && path.compare(0, home.size(), home) == 0 && path.size() > home.size() &&
        path[home.size()] == '/') {
        return "~" + path.substr(home.size());
    }
    return path;
}

void GamePaths::AddSongFolder(const std::string &folder)
{
    added.push_back(folder);
}

bool GamePaths::CreateFolders(std::string &problem) const
{
    if (IsPortable()) {
        return true;
    }
    if (configDir.empty() || dataDir.empty()) {
        problem = "no home folder: HOME is not set and the user database has none for user " +
                  std::to_string(getuid()) + " (set HOME)";
        return false;
    }
    // The score folder is made by the first record saved into it.
    return MakeFolders(configDir, problem) && MakeFolders(dataDir + "/songs", problem);
}

const GamePaths &Paths()
{
    return current;
}

void SetPaths(const GamePaths &paths)
{
    current = paths;
}
