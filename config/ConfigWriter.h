// ConfigWriter: sequential writer of a key/value file, one pair at a time.
#pragma once

#include <string>

// Writes "key value" lines in the order they are given (format in ConfigSyntax.h).
// The file on disk is always complete: Open replaces it with an empty file and every Write
// replaces it again with all pairs written so far, each time through a temporary file that
// is fsync'ed and renamed over the old one. Rewriting the whole file per pair costs
// quadratic time in the number of pairs, which is negligible for settings-sized files and
// buys the guarantee that a crash or a full disk never leaves a half-written line or loses
// the pairs already written.
class ConfigWriter
{
public:
    ConfigWriter() = default;
    virtual ~ConfigWriter() = default;
    ConfigWriter(const ConfigWriter &) = delete;
    ConfigWriter &operator=(const ConfigWriter &) = delete;

    // Closes the current file, then creates or empties the file at 'path'. Returns false,
    // leaving no file open and the old file untouched, when it cannot be created or when a
    // file is there that cannot be read (no permission, not a regular file, too large).
    bool Open(const std::string &path);

    // Appends one line (key, space, value) when a file is open; does nothing otherwise.
    // A pair whose key or value is empty or contains white space is left out (with a
    // warning), as it would not read back, and so is one that would make the file larger
    // than MAX_SETTINGS_FILE_BYTES. Returns false when nothing could be written.
    bool Write(const std::string &key, const std::string &value);
    // As above with the value in decimal ("-1").
    bool Write(const std::string &key, int value);

    // True between a successful Open and the destructor or the next Open.
    bool IsOpen() const { return open; }

private:
    std::string path;     ///< file being written
    std::string contents; ///< every line written since Open; the file holds exactly these
    bool open = false;
};
