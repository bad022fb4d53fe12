// ConfigReaderWriter: read-modify-write of a key/value file (settings, a song's high scores).
#pragma once

#include "config/ConfigReader.h"

#include <functional>
#include <set>
#include <string>
#include <vector>

// Usage: Open, optional GetString/GetInteger, any number of Write, Save. Save rewrites the
// whole file sorted by key, keeping every pair that was read and not overwritten, so keys
// the saving code does not know survive. The destructor does not save.
class ConfigReaderWriter : public ConfigReader
{
public:
    // The file given to the last Open; Save writes there. Empty at construction.
    std::string path;

    ConfigReaderWriter() = default;
    ~ConfigReaderWriter() override = default;

    // Remembers 'path' for Save, then reads the file into the entries. A missing file is not
    // an error: the entries stay as they were and Save creates the file.
    void Open(const std::string &path);

    // Sets the value of 'key' in memory, adding the key when absent.
    void Write(const std::string &key, const std::string &value);
    // As above with the value in decimal ("-1").
    void Write(const std::string &key, int value);
    // Removes 'key' and its value, from the file too at Save (nothing happens when absent).
    void Erase(const std::string &key);

    // True for a key the game itself reads from this file. Keys it does not know (kept by
    // every save otherwise) are left out when the file would pass MAX_SETTINGS_FILE_BYTES.
    // Null: only the keys written through this object are the game's own.
    std::function<bool(const std::string &key)> ownKey;
    // The keys the last Save left out to stay within MAX_SETTINGS_FILE_BYTES, for a notice.
    std::vector<std::string> leftOut;
    // Why the last Save could not write the file ("cannot write ...: File too large"); empty
    // when it could.
    std::string writeProblem;

    // Decides the value saved for a written key from the value now in the file (null when the
    // file lacks the key) and the value written through this object.
    using MergeRule = std::function<std::string(const std::string &key, const std::string *onDisk,
                                                const std::string &written)>;

    // Replaces the file with its current pairs plus the keys written through this object, one
    // "key value" line each, in ascending byte order of the keys. The file is read again
    // under an advisory lock at this moment, so keys that another program (a second game
    // sharing the folder) saved since Open survive unless this object wrote them. 'merge',
    // when given, chooses each written key's value. The replacement is crash-safe: until the
    // new file is complete on disk the old one stays untouched, and a failed save (folder
    // missing or read-only, disk full) leaves it as it was. An entry whose key or value is
    // empty or contains white space would not read back as one pair and would shift every
    // pair after it, so it is left out of the file (with a warning). A file that already
    // holds exactly these bytes is not rewritten. A file that is there but cannot be read
    // (not a regular file, larger than MAX_SETTINGS_FILE_BYTES, no permission) is left alone,
    // as replacing it would lose what it holds (readProblem then says why). The file saved is
    // never larger than the reader accepts (MAX_SETTINGS_FILE_BYTES): past it, the keys that
    // are neither written here nor ownKey's are left out (listed in leftOut), and when that is
    // not enough nothing is saved. Returns false when the file could not be replaced. On success
    // the entries become the pairs saved.
    bool Save(const MergeRule &merge = nullptr);

private:
    std::set<std::string> written; ///< keys given to Write since construction
    std::set<std::string> erased;  ///< keys given to Erase (and not written again) since then
};
