// ScratchFolder: a temporary folder for file tests, removed with everything in it.
#pragma once

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

class ScratchFolder
{
public:
    ScratchFolder()
    {
        char pattern[] = "/tmp/keyrise-files-XXXXXX";
        const char *made = mkdtemp(pattern);
        folder = made ? made : "";
    }
    ~ScratchFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
    ScratchFolder(const ScratchFolder &) = delete;
    ScratchFolder &operator=(const ScratchFolder &) = delete;

    const std::string &Folder() const { return folder; }
    std::string Path(const std::string &name) const { return folder + "/" + name; }

    void Write(const std::string &name, const std::string &contents) const
    {
        std::ofstream(Path(name), std::ios::binary) << contents;
    }
    std::string Read(const std::string &name) const
    {
        std::ifstream file(Path(name), std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(file)),
                           std::istreambuf_iterator<char>());
    }
    // Names of every entry of the folder, sorted.
    std::vector<std::string> Names() const { return NamesOf(folder); }
    // Names of every entry of 'path', sorted.
    static std::vector<std::string> NamesOf(const std::string &path)
    {
        std::vector<std::string> names;
        for (const auto &entry : std::filesystem::directory_iterator(path)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    std::string folder;
};
