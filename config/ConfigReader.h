// ConfigReader: read-only look-up of a key/value settings file, and the global configReader.
#pragma once

#include <map>
#include <string>

// Reads one or more key/value files (format in ConfigSyntax.h) and answers look-ups with a
// caller-supplied default. Scenes make a short-lived reader and read "config" again each
// time they initialise, so saved settings take effect at the next initialisation.
class ConfigReader
{
public:
    // Key text to value text, ordered by byte-wise key comparison.
    std::map<std::string, std::string> entries;

    ConfigReader() = default;
    virtual ~ConfigReader() = default;

    // Why the file last given to ReadFile is there but was not read (not a regular file, too
    // large, no permission); empty when it was read or is missing.
    std::string readProblem;

    // Adds the pairs of the file at 'path' to the entries; a key already present takes the
    // file's value, other entries stay. A file that is missing or not read changes nothing.
    void ReadFile(const std::string &path);

    // Copies the value of 'key' (or 'defaultValue' when the key is absent) into 'out' and
    // returns out.c_str().
    const char *GetString(std::string &out, const std::string &key,
                          const std::string &defaultValue) const;

    // The value of 'key' converted as atoi does ("x" gives 0, "12abc" 12, "-5" -5; out of int
    // range saturates), or 'defaultValue' when the key is absent.
    int GetInteger(const std::string &key, int defaultValue) const;
};

// Filled from "config" at start-up with the video settings.
extern ConfigReader configReader;
