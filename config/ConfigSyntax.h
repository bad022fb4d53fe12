// ConfigSyntax: the key/value text format shared by the settings and score files.
#pragma once

#include <map>
#include <string>

// The format: one "key value" pair per line (lines end in LF; a CR before it is white space).
// Tokens on a line are separated by runs of white space (space, tab, VT, FF, CR); a line with
// several pairs ("a 1 b 2") gives each of them. No quoting, no comments. Written files hold one
// pair per line, each line ending in LF.

// Stores every key/value pair of 'text' into 'entries'; a later pair replaces the value of an
// earlier one with the same key. A line with an odd number of tokens (a key without its value,
// "speed = 100") is skipped with a warning naming 'context' and the line, and shifts nothing
// after it; blank lines add nothing.
void ParseConfigText(const std::string &text, std::map<std::string, std::string> &entries,
                     const std::string &context = "");

// Reads the bytes of the file at 'path' into 'text'. Returns false (with 'text' empty) when
// the file is missing, and also when it is there but not read: refused (not a regular file,
// such as a FIFO or a device, or larger than MAX_SETTINGS_FILE_BYTES) or unreadable (no
// permission, an I/O error), with one warning per file and run. 'problem', when not null,
// then holds the short reason; it is empty after a read or for a missing file.
bool ReadWholeFile(const std::string &path, std::string &text, std::string *problem = nullptr);

// Reads the file at 'path' and parses it into 'entries'. Returns false, leaving the entries
// unchanged, when the file is missing or not read ('problem' as for ReadWholeFile).
bool ReadConfigFile(const std::string &path, std::map<std::string, std::string> &entries,
                    std::string *problem = nullptr);

// True when 'text' reads back as exactly one token: not empty and free of white space.
bool IsConfigToken(const std::string &text);

// A key as it is named to the player: itself when short, else its first 40 bytes (cut between
// characters) followed by "...", so that a key of a megabyte still fits a line.
std::string ShownKey(const std::string &key);

// The written line of one pair: key, one space, value, LF.
std::string FormatConfigLine(const std::string &key, const std::string &value);

// The written file of 'entries': their lines in the map's (byte-wise) key order. An entry
// whose key or value is empty or contains white space would not read back as one pair and
// would shift every pair after it, so it is left out, with a warning naming 'path'.
std::string FormatConfigFile(const std::map<std::string, std::string> &entries,
                             const std::string &path);

// The value as atoi reads it: optional leading white space, an optional sign, then decimal
// digits up to the first non-digit; no digits give 0. Values beyond the int range saturate at
// INT_MIN / INT_MAX instead of wrapping.
int ParseConfigInteger(const std::string &value);
