// DirectorySearch: the song files of a folder, via opendir/readdir.
#include "platform/DirectorySearch.h"

#include <algorithm>
#include <dirent.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <set>
#include <utility>

#include "text/MessageCatalog.h"

namespace {

bool HasMidiExtension(const std::string &name)
{
    static const char extension[] = ".mid";
    const size_t length = sizeof extension - 1;
    if (name.size() < length) {
        return false;
    }
    for (size_t i = 0; i < length; ++i) {
        char c = name[name.size() - length + i];
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
        if (c != extension[i]) {
            return false;
        }
    }
    return true;
}

// The modification time of 'info' in ns since 1970.
int64_t ModifiedNs(const struct stat &info)
{
    return static_cast<int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
}

// Adds the songs of 'folder' (shown as 'prefix') and of its sub-folders to 'found'. 'seen'
// holds the folders on the way down (device, inode), so a link to a parent ends there.
void Collect(const std::string &folder, const std::string &prefix, int depth,
             std::set<std::pair<dev_t, ino_t>> &seen, std::vector<FoundSongFile> &found)
{
    DIR *directory = ::opendir(folder.c_str());
    if (!directory) {
        return;
    }
    std::vector<std::string> folders;
    while (const dirent *entry = ::readdir(directory)) {
        const std::string name = entry->d_name;
        if (name.empty() || name[0] == '.') {
            continue;
        }
        struct stat info;
        const std::string path = folder + "/" + name;
        if (::stat(path.c_str(), &info) != 0) {
            continue;
        }
        if (S_ISDIR(info.st_mode)) {
            if (depth > 0 && seen.insert({info.st_dev, info.st_ino}).second) {
                folders.push_back(name);
            }
        } else if (S_ISREG(info.st_mode) && HasMidiExtension(name)) {
            found.push_back({prefix + name, static_cast<int64_t>(info.st_size), ModifiedNs(info)});
        }
    }
    ::closedir(directory);
    for (const std::string &name : folders) {
        Collect(folder + "/" + name, prefix + name + "/", depth - 1, seen, found);
    }
}

} // namespace

std::vector<std::string> FindMidiFiles(const std::string &folder)
{
    std::vector<std::string> names;
    DIR *directory = ::opendir(folder.c_str());
    if (!directory) {
        return names;
    }
    while (const dirent *entry = ::readdir(directory)) {
        const std::string name = entry->d_name;
        if (!HasMidiExtension(name)) {
            continue;
        }
        struct stat info;
        const std::string path = folder + "/" + name;
        if (::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode)) {
            names.push_back(name);
        }
    }
    ::closedir(directory);
    // std::string compares as unsigned bytes (char_traits<char>::compare uses memcmp order).
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<FoundSongFile> FindMidiFilesBelow(const std::string &folder, int depth)
{
    std::vector<FoundSongFile> found;
    std::set<std::pair<dev_t, ino_t>> seen;
    struct stat info;
    if (::stat(folder.c_str(), &info) == 0) {
        seen.insert({info.st_dev, info.st_ino});
    }
    Collect(folder, "", depth, seen, found);
    std::sort(found.begin(), found.end(),
              [](const FoundSongFile &a, const FoundSongFile &b) { return a.name < b.name; });
    return found;
}

std::string SongFolderProblem(const std::string &folder)
{
    // stat, not open: opening a FIFO to look at it would wait for a writer.
    struct stat info;
    if (::stat(folder.c_str(), &info) != 0) {
        return errno == ENOENT ? TrNoop("no such folder") : std::strerror(errno);
    }
    if (!S_ISDIR(info.st_mode)) {
        return TrNoop("not a folder");
    }
    DIR *directory = ::opendir(folder.c_str());
    if (directory == nullptr) {
        return errno == EACCES ? TrNoop("no permission to read it") : std::strerror(errno);
    }
    ::closedir(directory);
    return "";
}

bool StatSongFile(const std::string &path, int64_t &size, int64_t &modified)
{
    struct stat info;
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return false;
    }
    size = static_cast<int64_t>(info.st_size);
    modified = ModifiedNs(info);
    return true;
}
