// ReplayStore: where replays are kept: the best beside the records, the last games in their folder.
#include "game/ReplayStore.h"

#include <dirent.h>

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "game/Replay.h"
#include "platform/FileLock.h"
#include "platform/GamePaths.h"

namespace {

// The latest time a history name can hold: 9999-12-31 23:59:59.999 UTC (ms since 1970).
const long long kLatestName = 253402300799999LL;

} // namespace

std::string ReplayStore::BestPath(const std::string &scorePath, int part, int keys)
{
    const std::string suffix = ".score";
    std::string base = scorePath;
    if (base.size() > suffix.size() &&
        base.compare(base.size() - suffix.size(), suffix.size(), suffix) == 0)
        base.resize(base.size() - suffix.size());
    return base + ".ins" + std::to_string(part) + "_key" + std::to_string(keys) + ".replay";
}

bool ReplayStore::KeepIfBest(const std::string &path, const Replay &replay, std::string &reason)
{
    // Records of a song kept apart from it live in folders made when they are first saved.
    const size_t slash = path.rfind('/');
    if (slash != std::string::npos && slash > 0 &&
        !GamePaths::MakeFolders(path.substr(0, slash), reason))
        return false;
    // Two games of the same song ending together read, compare and write in turn, as the
    // records do: the better game stays whichever ends first.
    const FileLock lock(path);
    Replay stored;
    std::string ignored;
    if (stored.Read(path, ignored) && stored.result.score >= replay.result.score)
        return true;
    // A save that fails leaves no file: the lock takes away the empty one it made.
    return replay.Save(path, reason);
}

bool ReplayStore::IsHistoryName(const std::string &name)
{
    // yyyymmdd-hhmmss-mmm.replay
    const std::string shape = "dddddddd-dddddd-ddd.replay";
    if (name.size() != shape.size())
        return false;
    for (size_t i = 0; i < shape.size(); i++) {
        const bool digit = name[i] >= '0' && name[i] <= '9';
        if (shape[i] == 'd' ? !digit : name[i] != shape[i])
            return false;
    }
    return true;
}

std::vector<std::string> ReplayStore::History(const std::string &folder)
{
    std::vector<std::string> names;
    DIR *dir = opendir(folder.c_str());
    if (dir == nullptr)
        return names;
    while (const dirent *entry = readdir(dir))
        if (IsHistoryName(entry->d_name))
            names.push_back(entry->d_name);
    closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

std::string ReplayStore::NameAt(long long ms)
{
    const time_t seconds = static_cast<time_t>(ms / 1000);
    struct tm utc;
    gmtime_r(&seconds, &utc);
    char name[64];
    std::snprintf(name, sizeof name, "%04d%02d%02d-%02d%02d%02d-%03d.replay",
                  std::min(utc.tm_year + 1900, 9999), utc.tm_mon + 1, utc.tm_mday, utc.tm_hour,
                  utc.tm_min, utc.tm_sec, static_cast<int>(ms % 1000));
    return name;
}

long long ReplayStore::TimeOf(const std::string &name)
{
    struct tm utc = {};
    int ms = 0;
    std::sscanf(name.c_str(), "%4d%2d%2d-%2d%2d%2d-%3d", &utc.tm_year, &utc.tm_mon, &utc.tm_mday,
                &utc.tm_hour, &utc.tm_min, &utc.tm_sec, &ms);
    utc.tm_year -= 1900;
    utc.tm_mon -= 1;
    return static_cast<long long>(timegm(&utc)) * 1000 + ms;
}

std::string ReplayStore::AddToHistory(const std::string &folder, const Replay &replay,
                                      long long nowMs, std::string &reason)
{
    if (!GamePaths::MakeFolders(folder, reason))
        return "";
    // Named by the time; when that name does not sort after the newest (two games in one ms,
    // a clock set back) the new game takes the newest one's time plus a millisecond. When no
    // name sorts after the newest (one dated 9999), it takes a free name of its own time.
    std::vector<std::string> names = History(folder);
    const long long now = std::min(std::max(nowMs, 0LL), kLatestName);
    std::string name = NameAt(now);
    if (!names.empty() && name <= names.back()) {
        const long long next = TimeOf(names.back()) + 1;
        if (NameAt(next) > names.back())
            name = NameAt(next);
        for (long long ms = now; std::binary_search(names.begin(), names.end(), name); ms++)
            name = NameAt(ms);
    }
    const std::string path = folder + "/" + name;
    if (!replay.Save(path, reason))
        return "";
    // The oldest beyond HISTORY go, in the order of their names; the game just kept never does.
    names = History(folder);
    names.erase(std::remove(names.begin(), names.end(), name), names.end());
    for (size_t i = 0; i + HISTORY <= names.size(); i++)
        std::remove((folder + "/" + names[i]).c_str());
    return path;
}
