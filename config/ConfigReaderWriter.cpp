// ConfigReaderWriter: read-modify-write of a key/value file with crash-safe saving.
#include "config/ConfigReaderWriter.h"

#include "config/ConfigSyntax.h"
#include "platform/AtomicFile.h"
#include "platform/FileLock.h"
#include "platform/MessageBox.h"
#include "platform/SafeFile.h"

void ConfigReaderWriter::Open(const std::string &path)
{
    this->path = path;
    ReadFile(path);
}

void ConfigReaderWriter::Write(const std::string &key, const std::string &value)
{
    entries[key] = value;
    written.insert(key);
    erased.erase(key);
}

void ConfigReaderWriter::Write(const std::string &key, int value)
{
    Write(key, std::to_string(value));
}

void ConfigReaderWriter::Erase(const std::string &key)
{
    entries.erase(key);
    written.erase(key);
    erased.insert(key);
}

bool ConfigReaderWriter::Save(const MergeRule &merge)
{
    writeProblem.clear();
    FileLock lock(path);
    std::map<std::string, std::string> saved;
    std::string current;
    std::string problem;
    const bool exists = ReadWholeFile(path, current, &problem);
    // A file that is there but could not be read (a FIFO, a link to a device, one larger than
    // the cap, no permission) may hold records or settings; replacing it with what this object
    // knows would lose them.
    if (!problem.empty()) {
        readProblem = problem;
        return false;
    }
    ParseConfigText(current, saved);
    for (const std::string &key : written) {
        const auto mine = entries.find(key);
        if (mine == entries.end()) {
            continue;
        }
        const auto onDisk = saved.find(key);
        saved[key] =
            merge ? merge(key, onDisk != saved.end() ? &onDisk->second : nullptr, mine->second)
                  : mine->second;
    }

    for (const std::string &key : erased) {
        saved.erase(key);
    }
    std::string contents = FormatConfigFile(saved, path);
    leftOut.clear();
    // A larger file would be refused by the next read, and every setting or record in it with
    // it: keys the game does not know go first.
    if (contents.size() > MAX_SETTINGS_FILE_BYTES) {
        for (auto entry = saved.begin(); entry != saved.end();) {
            if (written.count(entry->first) == 0 && !(ownKey && ownKey(entry->first))) {
                leftOut.push_back(entry->first);
                entry = saved.erase(entry);
            } else {
                ++entry;
            }
        }
        contents = FormatConfigFile(saved, path);
        if (contents.size() > MAX_SETTINGS_FILE_BYTES) {
            leftOut.clear();
            writeProblem = "too large for the game to read back";
            return false;
        }
        ShowWarning(path, "saved without " + std::to_string(leftOut.size()) +
                              " entries the game does not use, to stay readable (" +
                              ShownKey(leftOut.front()) + (leftOut.size() > 1 ? ", ...)" : ")"));
    }
    // Most saves (a song's scores after a session without a new record) change nothing; then
    // the file is left alone, which spares a disk flush per song.
    if (!(exists && current == contents) && !ReplaceFileAtomically(path, contents, &writeProblem)) {
        return false;
    }
    entries = std::move(saved);
    return true;
}
