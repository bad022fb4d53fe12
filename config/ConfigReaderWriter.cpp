// ConfigReaderWriter: read-modify-write of a key/value file with crash-safe saving.
#include "config/ConfigReaderWriter.h"

#include "config/ConfigSyntax.h"
#include "platform/AtomicFile.h"
#include "platform/MessageBox.h"

void ConfigReaderWriter::Open(const std::string &path)
{
    this->path = path;
    ReadFile(path);
}

void ConfigReaderWriter::Write(const std::string &key, const std::string &value)
{
    entries[key] = value;
}

void ConfigReaderWriter::Write(const std::string &key, int value)
{
    Write(key, std::to_string(value));
}

void ConfigReaderWriter::Erase(const std::string &key)
{
    entries.erase(key);
}

bool ConfigReaderWriter::Save()
{
    std::string contents;
    for (const auto &entry : entries) {
        if (!IsConfigToken(entry.first) || !IsConfigToken(entry.second)) {
            ShowWarning(path, "left out \"" + entry.first +
                                  "\": a key or value must be one "
                                  "word without spaces");
            continue;
        }
        contents += FormatConfigLine(entry.first, entry.second);
    }
    // Most saves (a song's scores after a session without a new record) change nothing; then
    // the file is left alone, which spares a disk flush per song.
    std::string current;
    if (ReadWholeFile(path, current) && current == contents) {
        return true;
    }
    return ReplaceFileAtomically(path, contents);
}
