// ConfigReaderWriter: read-modify-write of a key/value file (settings, a song's high scores).
#pragma once

#include "config/ConfigReader.h"

#include <string>

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
    // Removes 'key' and its value (nothing happens when it is absent).
    void Erase(const std::string &key);

    // Replaces the file with every entry, one "key value" line each, in ascending byte order
    // of the keys. The replacement is crash-safe: until the new file is complete on disk the
    // old one stays untouched, and a failed save (folder missing or read-only, disk full)
    // leaves it as it was. An entry whose key or value is empty or contains white space
    // would not read back as one pair and would shift every pair after it, so it is left out
    // of the file (with a warning). A file that already holds exactly these bytes is not
    // rewritten. Returns false when the file could not be replaced; the entries in memory are
    // unchanged either way.
    bool Save();
};
