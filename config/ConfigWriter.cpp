// ConfigWriter: sequential writer of a key/value file, republished whole after each pair.
#include "config/ConfigWriter.h"

#include "config/ConfigSyntax.h"
#include "platform/AtomicFile.h"
#include "platform/MessageBox.h"

bool ConfigWriter::Open(const std::string &path)
{
    this->path = path;
    contents.clear();
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
