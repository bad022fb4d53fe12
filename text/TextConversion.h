// TextConversion: turns the game's texts (UTF-8, or Shift-JIS / code page 932) into UTF-8.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// Returns 'text' as UTF-8 for the text renderer. Text that already is valid UTF-8 (ASCII
// captions, file names on Linux) comes back unchanged. Anything else is read as code page 932
// (the Shift-JIS captions, key names and instrument names of the game, and old song file
// names); a byte that is neither becomes U+FFFD, so the result is always valid UTF-8.
std::string ToUtf8(const std::string &text);

// True when 'text' is well-formed UTF-8 (no overlong forms, no surrogates, nothing above
// U+10FFFF, no truncated sequence).
bool IsValidUtf8(const std::string &text);

// The byte offsets where the characters of UTF-8 'text' start, then text.size(): a cut at any
// of them never splits a character (a continuation byte is 10xxxxxx).
std::vector<size_t> Utf8CharacterStarts(const std::string &text);
