// ConfigWriter: sequential writer of a key/value file, republished whole after each pair.
#include "config/ConfigWriter.h"

#include "config/ConfigSyntax.h"
#include "platform/AtomicFile.h"
#include "platform/MessageBox.h"
#include "platform/SafeFile.h"

bool ConfigWriter::Open(const std::string &path)
{
    this->path = path;
    contents.clear();
    // A file that is there but cannot be read (no permission, not a regular file, too large)
    // may hold what the player keeps: it is not the game's to empty.
    const SafeReadResult before = CheckRegularFile(path, MAX_SETTINGS_FILE_BYTES);
    if (before != SafeReadResult::Read && before != SafeReadResult::Missing) {
        open = false;
        return false;
    }
    open = ReplaceFileAtomically(path, contents);
    return open;
}

bool ConfigWriter::Write(const std::string &key, const std::string &value)
{
    if (!open) {
        return false;
    }
    if (!IsConfigToken(key) || !IsConfigToken(value)) {
        ShowWarning(path, "left out \"" + key +
                              "\": a key or value must be one word without "
                              "spaces");
        return false;
    }
    const std::string line = FormatConfigLine(key, value);
    // The reader refuses a larger file: it is not written.
    if (contents.size() + line.size() > MAX_SETTINGS_FILE_BYTES) {
        ShowWarning(path, "left out \"" + key + "\": the file would pass its size limit");
        return false;
    }
    contents += line;
    if (!ReplaceFileAtomically(path, contents)) {
        // The file keeps the pairs before this one; this pair is not kept for later writes,
        // so the file never holds a pair the caller was told had failed.
        contents.resize(contents.size() - line.size());
        return false;
    }
    return true;
}

bool ConfigWriter::Write(const std::string &key, int value)
{
    return Write(key, std::to_string(value));
}
