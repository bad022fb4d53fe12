// DirectorySearch: the song files of a folder, via opendir/readdir.
#include "platform/DirectorySearch.h"

#include <algorithm>
#include <dirent.h>
#include <sys/stat.h>

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
